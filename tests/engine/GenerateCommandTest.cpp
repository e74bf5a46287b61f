#include "engine/GenerateCommand.h"
#include "models/DomainTableModel.h"
#include "models/WordLists.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

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

    // The run goes on in turns of the event loop after Run has returned; the test turns it.
    void RunToEnd(bool useHyphens)
    {
        Command.Run(useHyphens);
        while (Command.Busy())
            QCoreApplication::processEvents();
    }

    void SetKeywords(int count)
    {
        Lists.Keywords().SetAll({});
        for (int i = 0; i < count; ++i)
            Lists.Keywords().Append("k" + std::to_string(i), true);
    }
};

TEST_F(GenerateCommandTest, TickedWordsGiveTickedRowsNumberedIntoTheAnswersLog)
{
    Model.AppendGenerated({"stale.com"});
    Model.SetAnswer(0, "old answer");
    RunToEnd(false);
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
    RunToEnd(false);
    EXPECT_EQ(Model.RowCount(), 6); // "Use prefix" is off

    Lists.SetUsePrefix(true);
    Lists.Prefixes().SetAllChecked(false);
    RunToEnd(false);
    EXPECT_EQ(Model.RowCount(), 0);
    EXPECT_EQ(Finished, 2); // the project is modified all the same

    Lists.Prefixes().SetAllChecked(true);
    RunToEnd(true);
    EXPECT_EQ(Model.RowCount(), 12);
    EXPECT_EQ(Model.Caption(6), "my-shop.com");
}

TEST_F(GenerateCommandTest, ARunIgnoresASecondRunStartedFromItsOwnEventHandling)
{
    SetKeywords(3000);
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
    RunToEnd(false);
    EXPECT_TRUE(secondRunWhileBusy);
    EXPECT_EQ(Finished, 1);
    EXPECT_EQ(Model.RowCount(), 9000);
}

TEST_F(GenerateCommandTest, ACancelledRunLeavesAnEmptyTable)
{
    QObject::connect(&Command, &TGenerateCommand::Progress, [&] { Command.Cancel(); });
    RunToEnd(false);
    EXPECT_EQ(Model.RowCount(), 0);
    EXPECT_EQ(Finished, 1);

    // Cancelled after some rows are in: they go again.
    SetKeywords(12000);
    QObject::disconnect(&Command, &TGenerateCommand::Progress, nullptr, nullptr);
    QObject::connect(&Command, &TGenerateCommand::Progress, [&](int position) {
        if (Model.RowCount() > 0 && position < 36000)
            Command.Cancel();
    });
    RunToEnd(false);
    EXPECT_EQ(Model.RowCount(), 0);
    EXPECT_EQ(Finished, 2);
}

TEST_F(GenerateCommandTest, RunOnlyStartsTheWorkAndTheRowsArriveOneBatchPerTurnOfTheEventLoop)
{
    SetKeywords(12000); // 36,000 names: two batches of rows
    Command.Run(false);
    EXPECT_TRUE(Command.Busy());
    EXPECT_EQ(Model.RowCount(), 0);
    EXPECT_EQ(Finished, 0);

    // Between two parts of the run the event loop turns: what the window posts meanwhile runs,
    // and sees the rows come in batch by batch.
    std::vector<int> seen;
    std::function<void()> look = [&] {
        seen.push_back(Model.RowCount());
        if (Command.Busy())
            QTimer::singleShot(0, look);
    };
    QTimer::singleShot(0, look);
    while (Command.Busy())
        QCoreApplication::processEvents();
    EXPECT_NE(std::find(seen.begin(), seen.end(), TGenerateCommand::RowBatch), seen.end());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(Model.RowCount(), 36000);
    EXPECT_EQ(Model.Caption(35999), "k11999.org");
    EXPECT_EQ(Finished, 1);
}

} // namespace
