// The evidence behind each row's verdict: kept beside the row for the answers panel as the last
// result gave it, worded for free and taken rows only, and never written into a cell, the answers
// entry or the project file.
#include "models/DomainTableModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

const std::string NotFound = "The answer holds the not-found text \"No match for\"";
const std::string Field = "The answer holds the registration field \"Registrar: Example\"";

class RowEvidenceTest : public ::testing::Test
{
protected:
    RowEvidenceTest() { Load(); }

    void Load() { Model.SetContents({{"a.com", true, {"YES", "", "", "", "0", ""}}, {"b.com", true, {}}}, {"old"}); }
    QString Why(int row) const { return Model.index(row, 0).data(TDomainTableModel::WhyRole).toString(); }

    TDomainTableModel Model;
    QAbstractItemModelTester Tester{&Model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(RowEvidenceTest, AResultsEvidenceIsWordedForFreeAndTakenRowsAndNeverSaved)
{
    struct TCase
    {
        const char* Name;
        TCheckResult Result;
        std::string Why;
    };
    const std::vector<TCase> cases = {
        {"free", {TRowResult::Available, "answer", {}, {}, {}, NotFound}, "Free: " + NotFound + "."},
        {"taken", {TRowResult::Registered, "answer", "Example", "", {}, Field}, "Taken: " + Field + "."},
        {"rdap",
         {TRowResult::Available, "answer", {}, {}, {}, "The RDAP service answered 404: it has no such domain"},
         "Free: The RDAP service answered 404: it has no such domain."},
        // An error row's entry begins with why already.
        {"error", {TRowResult::Error, "No verdict: x.\r\nanswer", {}, {}, {}, "x"}, ""},
        {"free without evidence", {TRowResult::Available, "answer"}, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Load();
        QSignalSpy changed(&Model, &QAbstractItemModel::dataChanged);
        Model.SetResult(0, c.Result);
        EXPECT_EQ(Why(0).toStdString(), c.Why);
        EXPECT_EQ(Model.Evidence(0), c.Result.Evidence);
        ASSERT_EQ(changed.count(), 1);
        EXPECT_TRUE(changed[0][2].value<QList<int>>().contains(TDomainTableModel::WhyRole));
        // The entry and the saved row are the result's own, as without evidence.
        EXPECT_EQ(Model.AnswerLog(), std::vector<std::string>{*c.Result.LogEntry});
        TDomainTableModel plain;
        plain.SetContents({{"a.com", true, {"YES", "", "", "", "0", ""}}, {"b.com", true, {}}}, {"old"});
        TCheckResult without = c.Result;
        without.Evidence.clear();
        plain.SetResult(0, without);
        EXPECT_EQ(Model.AllRows(), plain.AllRows());
    }
}

TEST_F(RowEvidenceTest, ARecheckReplacesTheEvidenceAndAVerdictNotReadFromAnAnswerDropsIt)
{
    Model.SetResult(0, {TRowResult::Available, "a", {}, {}, {}, NotFound});
    Model.SetResult(1, {TRowResult::Available, "b", {}, {}, {}, NotFound});
    Model.SetResult(0, {TRowResult::Registered, "a", {}, {}, {}, Field});
    EXPECT_EQ(Model.Evidence(0), Field);
    EXPECT_EQ(Model.Evidence(1), NotFound);
    // The watchdog's "gave up" brings no evidence: the earlier one no longer explains the row.
    Model.SetResult(0, {TRowResult::Error, "gave up after 30 s"});
    EXPECT_EQ(Model.Evidence(0), "");
    Model.SetResult(0, {TRowResult::Available, "a", {}, {}, {}, NotFound});
    // A verdict written by hand.
    QSignalSpy changed(&Model, &QAbstractItemModel::dataChanged);
    Model.SetSlot(0, SlotAvailability, "NO");
    EXPECT_EQ(Why(0), "");
    ASSERT_EQ(changed.count(), 1);
    EXPECT_TRUE(changed[0][2].value<QList<int>>().contains(TDomainTableModel::WhyRole));
    EXPECT_EQ(Model.Evidence(1), NotFound);
    // Rows loaded, generated after emptying, or beyond the table hold none.
    Load();
    EXPECT_EQ(Model.Evidence(1), "");
    Model.SetResult(1, {TRowResult::Available, "b", {}, {}, {}, NotFound});
    Model.Clear();
    Model.AppendGenerated({"c.com", "d.com"});
    EXPECT_EQ(Model.Evidence(1), "");
    EXPECT_EQ(Model.Evidence(5), "");
    EXPECT_EQ(Model.Evidence(-1), "");
}

TEST(RowEvidence, RowsSharingATextHoldItOnce)
{
    TRowEvidence evidence;
    const std::string text(200, 'e');
    evidence.Set(0, text);
    const std::size_t one = evidence.MemoryUsage();
    for (int row = 1; row < 10000; ++row)
        evidence.Set(row, text);
    evidence.Set(10000, "other");
    EXPECT_EQ(evidence.Of(9999), text);
    EXPECT_EQ(evidence.Of(10000), "other");
    // Four bytes a row (the vector grows by half again at most), not a copy of the text each.
    EXPECT_LT(evidence.MemoryUsage() - one, 10000u * 4 * 2 + 1000);
}

} // namespace
