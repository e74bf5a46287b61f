// The table model as the check engine sees it (TCheckRows): rows started, results delivered, and
// the verdict kept as a verdict, with the words made only where the project file and the cells
// read it.
#include "models/DomainTableModel.h"
#include "models/ExpiryDateFormat.h"
#include "project/ProjectFile.h"
#include "support/TempDir.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

// Every row begins with "old" in slots 0 to 3, its own answers entry "old log" and a start tick.
class CheckRowsTest : public ::testing::Test
{
protected:
    CheckRowsTest() { Model.SetContents({{"x.com", true, {"old", "old", "old", "old", "0", "77"}}}, {"old log"}); }

    std::vector<std::string> Cells() const
    {
        const std::vector<std::string> all = Model.RowAt(0).Slots;
        return {all.begin(), all.begin() + 4};
    }

    TDomainTableModel Model;
    TCheckRows& Rows = Model;
    QAbstractItemModelTester Tester{&Model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(CheckRowsTest, AResultWritesItsVerdictAndOnlyTheFieldsItHas)
{
    const int day = DayNumberFromDate(2030, 5, 12);
    struct TCase
    {
        const char* Name;
        TCheckResult Result;
        std::vector<std::string> Cells;
        std::string Log;
        int Day = 0;
        bool Unreadable = false;
    };
    const std::vector<TCase> cases = {
        {"error without text", {TRowResult::Error}, {"RESULT ERROR", "old", "old", "old"}, "old log"},
        {"free", {TRowResult::Available, "answer"}, {"YES", "old", "old", "old"}, "answer"},
        {"taken with every field",
         {TRowResult::Registered, "answer", "Reg", "whois.reg", TExpiryResult{day}},
         {"NO", "Reg", "whois.reg", FormatDayNumber(day)},
         "answer",
         day},
        {"taken, server kept",
         {TRowResult::Registered, "a", "", std::nullopt, TExpiryResult{}},
         {"NO", "", "old", ""},
         "a"},
        {"unreadable expiry",
         {TRowResult::Registered, {}, {}, {}, TExpiryResult{0, true, "soon"}},
         {"NO", "old", "old", "! soon !"},
         "old log",
         0,
         true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Model.SetContents({{"x.com", true, {"old", "old", "old", "old", "0", "77"}}}, {"old log"});
        QSignalSpy changed(&Model, &QAbstractItemModel::dataChanged);
        Rows.SetResult(0, c.Result);
        EXPECT_EQ(Cells(), c.Cells);
        EXPECT_EQ(Model.AnswerLog(), std::vector<std::string>{c.Log});
        EXPECT_EQ(Model.ExpiryDay(0), c.Day);
        EXPECT_EQ(Model.ExpiryUnreadable(0), c.Unreadable);
        EXPECT_EQ(Rows.ResultOf(0), c.Result.Verdict);
        EXPECT_EQ(Model.index(0, 0).data(TDomainTableModel::ResultRole).toInt(), static_cast<int>(c.Result.Verdict));
        EXPECT_EQ(Model.Slot(0, SlotStartTick), "");
        EXPECT_EQ(Model.RunningRowCount(), 0);
        // One notice, from the Availability cell to the last cell written.
        ASSERT_EQ(changed.count(), 1);
        EXPECT_EQ(changed[0][0].value<QModelIndex>(), Model.index(0, TDomainTableModel::ColumnAvailability));
        const QList<int> roles = changed[0][2].value<QList<int>>();
        EXPECT_TRUE(roles.contains(TDomainTableModel::ResultRole));
        EXPECT_EQ(roles.contains(TDomainTableModel::ExpiryDayRole), c.Result.Expiry.has_value());
    }
}

TEST_F(CheckRowsTest, ResultsAreCountedAndARowWithoutAnEntryGetsItsOwn)
{
    Model.SetContents({{"a.com", true, {}}, {"b.com", true, {"maybe"}}, {"c.com", true, {"YES", "", "", "", "0"}}},
                      {"c's"});
    EXPECT_EQ(Rows.ResultOf(1), TRowResult::Other);
    Rows.SetResult(0, {TRowResult::Error, "no server"});
    Rows.SetResult(1, {TRowResult::Registered});
    Rows.SetResult(2, {TRowResult::Error, "refused"});
    EXPECT_EQ(Rows.ResultCount(TRowResult::Error), 2);
    EXPECT_EQ(Rows.ResultCount(TRowResult::Registered), 1);
    EXPECT_EQ(Rows.ResultCount(TRowResult::Other) + Rows.ResultCount(TRowResult::Unchecked) +
                  Rows.ResultCount(TRowResult::Available),
              0);
    // A short row grows to the six slots a checked row has; the entry it lacked is a new one.
    EXPECT_EQ(Model.RowAt(0).Slots, (std::vector<std::string>{"RESULT ERROR", "", "", "", "1", ""}));
    EXPECT_EQ(Model.RowAt(1).Slots[0], "NO");
    EXPECT_EQ(Model.AnswerLog(), (std::vector<std::string>{"refused", "no server"}));
}

TEST_F(CheckRowsTest, AStartedRowRunsUntilItsResultOrUntilCleared)
{
    Model.SetContents({{"a.com", true, {}}, {"b.com", true, {"", "", "", "", "", ""}}}, {});
    Rows.MarkStarted(0, 1000);
    Rows.MarkStarted(1, 1050);
    EXPECT_EQ(Model.RunningRowCount(), 2);
    // Kept as a number, saved as its decimal text; a short row grows to six slots.
    EXPECT_EQ(Model.RowAt(0).Slots, (std::vector<std::string>{"", "", "", "", "", "1000"}));
    EXPECT_EQ(Rows.FirstOverdueRow(1101, 100), 0);
    EXPECT_EQ(Rows.FirstOverdueRow(1101, 100, 1), -1);
    EXPECT_EQ(Rows.FirstOverdueRow(1151, 100, 1), 1);
    Rows.ClearStarted(0);
    EXPECT_EQ(Rows.FirstOverdueRow(1151, 100), 1);
    Rows.SetResult(1, {TRowResult::Available});
    EXPECT_EQ(Model.RunningRowCount(), 0);
    EXPECT_EQ(Rows.FirstOverdueRow(~std::uint64_t{0} - 1, 0), -1);
}

// The verdict is kept as a verdict, but a project loaded into the table and saved again is the same
// file, byte for byte: the words, texts that are no verdict, short rows and odd start ticks alike.
TEST_F(CheckRowsTest, AProjectLoadsAndSavesByteForByte)
{
    TProjectData project;
    project.Keywords = {{"x", true}};
    project.Tlds = {{"com", true}};
    project.Rows = {
        {"free.com", true, {"YES", "", "", "", "0", ""}},
        {"taken.com", false, {"NO", "Reg", "whois.reg", "12.05.2030", "1", ""}},
        {"error.com", true, {"RESULT ERROR", "", "", "", "2", ""}},
        {"hand.com", true, {"yes", "", "", "! soon !", "x", "0012"}},
        {"blank.com", true, {"NO ", "", "", "", "3", "77"}},
        {"short.com", true, {"YES"}},
        {"none.com", true, {}},
        {"long.com", true, {"", "", "", "", "4", "", "more"}},
    };
    project.AnswerLog = {"a", "b", "c", "d", "e"};
    TTempDir dir;
    TXMLSaveLoad store;
    ASSERT_TRUE(SaveProject(store, dir.File("first.prj.xml"), project));
    std::optional<TProjectData> loaded = LoadProject(store, dir.File("first.prj.xml"));
    ASSERT_TRUE(loaded);
    Model.SetContents(loaded->Rows, loaded->AnswerLog);
    EXPECT_EQ(Rows.ResultOf(3), TRowResult::Other);
    EXPECT_EQ(Rows.ResultOf(4), TRowResult::Other);
    loaded->Rows = Model.AllRows();
    loaded->AnswerLog = Model.AnswerLog();
    ASSERT_TRUE(SaveNewProject(store, dir.File("second.prj.xml"), *loaded));
    EXPECT_EQ(dir.Read("second.prj.xml"), dir.Read("first.prj.xml"));
}

} // namespace
