#include "engine/GenerateCommand.h"

#include <QAbstractItemModelTester>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class GenerateCommandTest : public ::testing::Test
{
protected:
    TCustomDomainNameGenerator Generator;
    TWordLists Lists;
    TDomainTableModel Model;
    QAbstractItemModelTester Tester{&Model, QAbstractItemModelTester::FailureReportingMode::Fatal};
    TGenerateCommand Command{Generator, Lists, Model};
    int Finished = 0;

    void SetUp() override
    {
        QObject::connect(&Command, &TGenerateCommand::Finished, [this] { ++Finished; });
        Lists.Keywords().SetAll({{"shop", true}, {"skip", false}, {"web", true}});
        Lists.Tlds().SetAll({{"com", true}, {"net", true}, {"org", true}});
    }
};

TEST_F(GenerateCommandTest, TickedWordsGiveTickedRowsNumberedIntoTheAnswersLog)
{
    Model.AppendGenerated({"stale.com"});
    Model.SetAnswer(0, "old answer");
    Command.Run(false);
    ASSERT_EQ(Model.RowCount(), 6);
    ASSERT_EQ(Model.AnswerLog(), std::vector<std::string>(6));
    for (int row = 0; row < 6; ++row) {
        EXPECT_TRUE(Model.Checked(row));
        EXPECT_EQ(Model.RowAt(row).Slots, (std::vector<std::string>{"", "", "", "", std::to_string(row), ""}));
    }
    EXPECT_EQ(Model.Caption(0), "shop.com");
    EXPECT_EQ(Model.Caption(5), "web.org");
    EXPECT_EQ(Finished, 1);
}

TEST_F(GenerateCommandTest, AffixesCountOnlyWhenSwitchedOnAndAnEmptySwitchedOnListGivesNothing)
{
    Lists.Prefixes().SetAll({{"my", true}});
    Command.Run(false);
    EXPECT_EQ(Model.RowCount(), 6); // "Use prefix" is off

    Lists.SetUsePrefix(true);
    Lists.Prefixes().SetAllChecked(false);
    Command.Run(false);
    EXPECT_EQ(Model.RowCount(), 0);
    EXPECT_EQ(Finished, 2); // the project is modified all the same

    Lists.Prefixes().SetAllChecked(true);
    Command.Run(true);
    EXPECT_EQ(Model.RowCount(), 12);
    EXPECT_EQ(Model.Caption(6), "my-shop.com");
}

TEST_F(GenerateCommandTest, ARunIgnoresASecondRunStartedFromItsOwnEventHandling)
{
    Lists.Keywords().SetAll({});
    for (int i = 0; i < 3000; ++i)
        Lists.Keywords().Append("k" + std::to_string(i), true);
    bool posted = false;
    bool secondRunWhileBusy = false;
    // Events handled during the run try to start another run, as a second click would.
    QObject::connect(&Command, &TGenerateCommand::Progress, [&] {
        if (posted)
            return;
        posted = true;
        QTimer::singleShot(0, [&] {
            secondRunWhileBusy = Command.Busy();
            Command.Run(false);
        });
    });
    Command.Run(false);
    EXPECT_TRUE(secondRunWhileBusy);
    EXPECT_EQ(Finished, 1);
    EXPECT_EQ(Model.RowCount(), 9000);
}

TEST_F(GenerateCommandTest, ACancelledRunLeavesAnEmptyTable)
{
    QObject::connect(&Command, &TGenerateCommand::Progress, [&] { Command.Cancel(); });
    Command.Run(false);
    EXPECT_EQ(Model.RowCount(), 0);
    EXPECT_FALSE(Command.Busy());
    EXPECT_EQ(Finished, 1);
}

} // namespace
