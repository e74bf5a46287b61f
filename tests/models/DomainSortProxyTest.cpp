#include "models/DomainSortProxy.h"

#include "core/ExpiryDate.h"

#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class DomainSortProxyTest : public ::testing::Test
{
protected:
    std::vector<std::string> Column(int column) const
    {
        std::vector<std::string> texts;
        for (int row = 0; row < Proxy.rowCount(); ++row)
            texts.push_back(Proxy.index(row, column).data().toString().toStdString());
        return texts;
    }
    static TDomainRow Row(std::string caption, std::vector<std::string> cells)
    {
        return TDomainRow{std::move(caption), true, std::move(cells)};
    }

    TDomainTableModel Model;
    TDomainSortProxy Proxy{Model};
    QAbstractItemModelTester Tester{&Proxy, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(DomainSortProxyTest, HeaderClicksTurnTheSortColumnOrMoveToAnotherKeepingTheDirection)
{
    Proxy.SetSortType(stBoth);
    Model.SetContents({Row("b.com", {"", "Zeta"}), Row("a.com", {"", "Alpha"}), Row("c.com", {"", "Mid"})}, {});
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a.com", "b.com", "c.com"}));
    Proxy.ColClick(2); // Registrar, ascending
    EXPECT_EQ(Column(2), (std::vector<std::string>{"Alpha", "Mid", "Zeta"}));
    Proxy.ColClick(2); // again: descending
    EXPECT_EQ(Proxy.SortDirection(), sdDescending);
    EXPECT_EQ(Column(2), (std::vector<std::string>{"Zeta", "Mid", "Alpha"}));
    Proxy.ColClick(0); // Domain, still descending
    EXPECT_EQ(Proxy.SortColumn(), 0);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"c.com", "b.com", "a.com"}));

    QSignalSpy changed(&Proxy, &TDomainSortProxy::SortChanged);
    Proxy.SetSortColumn(9);
    EXPECT_EQ(Proxy.SortColumn(), 4);
    Proxy.SetSortColumn(4);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(DomainSortProxyTest, ShortRowsSortAsEmptyTextsLastAscendingFirstDescending)
{
    Proxy.SetSortType(stBoth);
    Proxy.SetSortColumn(4); // Expires, slot 3
    Model.SetContents({Row("short.com", {"NO"}), Row("late.com", {"", "", "", "3/7/2026"}),
                       Row("early.com", {"", "", "", "12/1/2025"}), Row("blank.com", {"", "", "", ""}),
                       Row("odd.com", {"", "", "", "! 2026-03-07 !"})},
                      {});
    EXPECT_EQ(Column(0), (std::vector<std::string>{"odd.com", "early.com", "late.com", "short.com", "blank.com"}));
    Proxy.SetSortDirection(sdDescending);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"short.com", "blank.com", "late.com", "early.com", "odd.com"}));
    EXPECT_EQ(Proxy.SortItemCompare(0, 3, Proxy.SortParam()), 0);
}

TEST_F(DomainSortProxyTest, LoadedRowsSortByExpiryAsTheResultsThatWroteThemDid)
{
    // Shown as text, these dates would order the other way round ("1/2/2031" before "3/4/1999").
    const std::vector<TExpiryResult> expiries = {
        {DayNumberFromDate(2031, 1, 2)},  {DayNumberFromDate(2026, 12, 30)}, {0, true, "soon"}, {},
        {DayNumberFromDate(2027, 11, 5)}, {DayNumberFromDate(1999, 3, 4)}};
    std::vector<std::string> names;
    for (std::size_t i = 0; i < expiries.size(); ++i)
        names.push_back("n" + std::to_string(i) + ".com");
    Model.AppendGenerated(names);
    for (std::size_t i = 0; i < expiries.size(); ++i)
        Model.SetResult(static_cast<int>(i), {TRowResult::Registered, {}, {}, {}, expiries[i]});
    Proxy.SetSortType(stBoth);
    Proxy.SetSortColumn(TDomainTableModel::ColumnExpires);
    Proxy.Sort();
    const std::vector<std::string> given = Column(0);
    EXPECT_EQ(given, (std::vector<std::string>{"n2.com", "n5.com", "n1.com", "n4.com", "n0.com", "n3.com"}));

    // Saved and loaded again: the same days, the same order, both ways.
    Model.SetContents(Model.AllRows(), {});
    EXPECT_EQ(Column(0), given);
    for (std::size_t i = 0; i < expiries.size(); ++i) {
        EXPECT_EQ(Model.ExpiryDay(static_cast<int>(i)), expiries[i].Day) << i;
        EXPECT_EQ(Model.ExpiryUnreadable(static_cast<int>(i)), expiries[i].Unreadable) << i;
    }
    Proxy.SetSortDirection(sdDescending);
    EXPECT_EQ(Column(0), std::vector<std::string>(given.rbegin(), given.rend()));
}

TEST_F(DomainSortProxyTest, NewRowsTakeTheirSortedPlaceOnlyWhileCaptionsSort)
{
    Proxy.SetSortType(stBoth);
    Model.AppendGenerated({"m.com", "c.com", "x.com"});
    Model.AppendGenerated({"a.com"});
    Model.AppendGenerated({"z.com", "d.com", "n.com"});
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a.com", "c.com", "d.com", "m.com", "n.com", "x.com", "z.com"}));
    EXPECT_EQ(Proxy.SourceRow(0), 3);
    EXPECT_EQ(Proxy.ViewRow(3), 0);

    // Loading with sorting off keeps the file's order, switching it on sorts once.
    Proxy.SetSortType(stNone);
    Model.SetContents({Row("q.com", {}), Row("b.com", {})}, {});
    Model.AppendGenerated({"a.com"});
    EXPECT_EQ(Column(0), (std::vector<std::string>{"q.com", "b.com", "a.com"}));
    Proxy.SetSortColumn(0);
    Proxy.SetSortType(stData); // no comparison handler: no sort
    EXPECT_EQ(Column(0), (std::vector<std::string>{"q.com", "b.com", "a.com"}));
    Proxy.SetSortType(stBoth);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a.com", "b.com", "q.com"}));
    EXPECT_EQ(Proxy.ViewOrder(), (std::vector<TRowId>{Model.IdAt(2), Model.IdAt(1), Model.IdAt(0)}));
}

TEST_F(DomainSortProxyTest, CaptionsSortByTheirShownTextWhateverTheirBytes)
{
    Proxy.SetSortType(stBoth);
    // The first caption is no UTF-8: it is shown, and sorted, as Latin-1, the same text as the
    // second; equal texts keep their order.
    Model.AppendGenerated({"\xe9t\xe9.com", "\xc3\xa9t\xc3\xa9.com", "eta.com"});
    EXPECT_EQ(Proxy.SourceRow(0), 2);
    EXPECT_EQ(Proxy.SourceRow(1), 0);
    EXPECT_EQ(Proxy.SourceRow(2), 1);
    EXPECT_EQ(Proxy.SortItemCompare(0, 1, Proxy.SortParam()), 0);
}

TEST_F(DomainSortProxyTest, AFirstTextArrivingAfterNumbersSortsAgainstThemAsText)
{
    // Numbers among themselves need no collation key; once a text arrives, the numbers already in
    // the table meet it by text and must have theirs.
    Proxy.SetSortType(stBoth);
    Model.AppendGenerated({"8", "7"});
    Model.AppendGenerated({"5a"});
    EXPECT_EQ(Column(0), (std::vector<std::string>{"5a", "7", "8"}));
}

TEST_F(DomainSortProxyTest, AResultNeitherMovesItsRowNorLosesTheSelection)
{
    Proxy.SetSortType(stBoth);
    Proxy.SetSortColumn(1); // Availability
    Model.AppendGenerated({"a.com", "b.com", "c.com"});
    const QPersistentModelIndex selected = Proxy.index(2, 0); // c.com
    QSignalSpy layout(&Proxy, &QAbstractItemModel::layoutChanged);
    QSignalSpy changed(&Proxy, &QAbstractItemModel::dataChanged);
    Model.SetSlot(2, SlotAvailability, "YES");
    EXPECT_EQ(layout.count(), 0);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.front().at(0).toModelIndex().row(), 2);
    // The domain cell takes the colour of the new availability: it is drawn again too.
    EXPECT_EQ(changed.front().at(0).toModelIndex().column(), TDomainTableModel::ColumnDomain);
    EXPECT_EQ(changed.front().at(1).toModelIndex().column(), TDomainTableModel::ColumnAvailability);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a.com", "b.com", "c.com"}));

    // The next sort uses the new text, and the selection follows its row.
    Proxy.Sort();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"c.com", "a.com", "b.com"}));
    EXPECT_EQ(selected.row(), 0);
    EXPECT_EQ(selected.data().toString(), QStringLiteral("c.com"));
}

TEST_F(DomainSortProxyTest, TickingAllTellsOfTheChangedRowsOnly)
{
    Proxy.SetSortType(stBoth);
    Model.AppendGenerated({"b.com", "a.com", "c.com"});
    Model.SetChecked(0, false);
    QSignalSpy changed(&Proxy, &QAbstractItemModel::dataChanged);
    EXPECT_EQ(Proxy.TickAllRows(true), (std::vector<int>{0}));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(Proxy.TickAllRows(true).empty());
    EXPECT_EQ(Proxy.TickAllRows(false), (std::vector<int>{1, 0, 2}));
    for (int row = 0; row < Model.RowCount(); ++row)
        EXPECT_FALSE(Model.Checked(row));
}

TEST_F(DomainSortProxyTest, AnswersComeFromTheRowsOwnEntryLineByLine)
{
    Model.SetContents({Row("a.com", {"", "", "", "", "1"}), Row("b.com", {"", "", "", "", "7"}),
                       Row("c.com", {"", "", "", "", "x"}), Row("d.com", {"", "", ""})},
                      {"first", "Domain: A.COM\r\nStatus: <b>taken</b>\rend"});
    EXPECT_EQ(Proxy.AnswersText(0), QStringLiteral("Domain: A.COM\nStatus: <b>taken</b>\nend"));
    EXPECT_TRUE(Proxy.AnswersText(1).isEmpty()); // slot 4 past the log
    EXPECT_TRUE(Proxy.AnswersText(2).isEmpty()); // slot 4 no number
    EXPECT_TRUE(Proxy.AnswersText(3).isEmpty()); // no slot 4
    EXPECT_TRUE(Proxy.AnswersText(-1).isEmpty());
}

TEST_F(DomainSortProxyTest, EachFilterShowsItsRowsInSortedOrderAndKeepsEveryRowForTheProject)
{
    Proxy.SetSortType(stBoth);
    Model.SetContents({Row("e.com", {"RESULT ERROR"}), Row("d.com", {"YES"}), Row("c.com", {}), Row("b.com", {"NO"}),
                       Row("a.com", {"YES"}), Row("f.com", {"odd"}), Row("g.com", {"RESULT ERROR"})},
                      {});
    const std::vector<std::pair<TDomainFilter, std::vector<std::string>>> cases = {
        {TDomainFilter::Available, {"a.com", "d.com"}},
        {TDomainFilter::Registered, {"b.com"}},
        {TDomainFilter::Errors, {"e.com", "g.com"}},
        {TDomainFilter::Unchecked, {"c.com"}},
        {TDomainFilter::All, {"a.com", "b.com", "c.com", "d.com", "e.com", "f.com", "g.com"}},
    };
    for (const auto& [filter, shown] : cases) {
        Proxy.SetFilter(filter);
        EXPECT_EQ(Column(0), shown) << FilterKeyText(filter);
        EXPECT_EQ(Proxy.ShownText(), "shown " + std::to_string(shown.size()) + " of 7");
        for (int row = 0; row < Proxy.rowCount(); ++row)
            EXPECT_EQ(Proxy.ViewRow(Proxy.SourceRow(row)), row);
    }
    Proxy.SetFilter(TDomainFilter::Available);
    EXPECT_EQ(Proxy.ViewRow(0), -1); // e.com is hidden
    // A sort under a filter orders the shown rows; the pass and the project still see every row.
    Proxy.SetSortDirection(sdDescending);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"d.com", "a.com"}));
    ASSERT_EQ(Proxy.RowsInViewOrder().size(), 7u);
    EXPECT_EQ(Proxy.RowsInViewOrder().front().Caption, "g.com");
    EXPECT_EQ(Proxy.ViewOrder().size(), 7u);
}

TEST_F(DomainSortProxyTest, RowsComeAndGoAsResultsArriveKeepingTheSelectionAndTheSortedPlaces)
{
    Proxy.SetSortType(stBoth);
    Model.AppendGenerated({"d.com", "b.com", "a.com", "c.com"});
    Proxy.SetFilter(TDomainFilter::Unchecked);
    Proxy.SetFilter(TDomainFilter::Available);
    EXPECT_EQ(Proxy.rowCount(), 0);
    Model.SetSlot(3, SlotAvailability, "YES"); // c.com
    Model.SetSlot(0, SlotAvailability, "YES"); // d.com
    Model.SetSlot(2, SlotAvailability, "YES"); // a.com
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a.com", "c.com", "d.com"}));
    const QPersistentModelIndex selected = Proxy.index(2, 0); // d.com
    QSignalSpy removed(&Proxy, &QAbstractItemModel::rowsRemoved);
    Model.SetSlot(3, SlotAvailability, "NO"); // c.com leaves
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.front().at(1).toInt(), 1);
    EXPECT_EQ(selected.row(), 1);
    EXPECT_EQ(selected.data().toString(), QStringLiteral("d.com"));
    // Another column's change or a tick never moves a row in or out.
    Model.SetSlot(0, SlotRegistrar, "x");
    Model.SetChecked(0, false);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a.com", "d.com"}));

    // Names arriving while a filter hides them: counted, not shown, sorted into place when shown.
    Model.AppendGenerated({"bb.com", "0.com"});
    EXPECT_EQ(Proxy.ShownText(), "shown 2 of 6");
    Proxy.SetFilter(TDomainFilter::Unchecked);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"0.com", "b.com", "bb.com"}));
    EXPECT_FALSE(selected.isValid()); // d.com is hidden now
    Proxy.SetFilter(TDomainFilter::All);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"0.com", "a.com", "b.com", "bb.com", "c.com", "d.com"}));
}

TEST_F(DomainSortProxyTest, TickingAllUnderAFilterTicksOnlyTheShownRows)
{
    Proxy.SetSortType(stBoth);
    Model.SetContents({Row("c.com", {"RESULT ERROR"}), Row("b.com", {"YES"}), Row("a.com", {"RESULT ERROR"})}, {});
    Proxy.TickAllRows(false);
    Proxy.SetFilter(TDomainFilter::Errors);
    QSignalSpy changed(&Proxy, &QAbstractItemModel::dataChanged);
    EXPECT_EQ(Proxy.TickAllRows(true), (std::vector<int>{2, 0}));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(Model.Checked(0));
    EXPECT_FALSE(Model.Checked(1));
    EXPECT_TRUE(Model.Checked(2));
}

TEST(DomainFilterTest, KeyTextsReadBackAndAnUnknownOneShowsAllRows)
{
    for (int i = 0; i < DomainFilterCount; ++i) {
        const auto filter = static_cast<TDomainFilter>(i);
        EXPECT_EQ(FilterFromKeyText(FilterKeyText(filter)), filter);
    }
    EXPECT_EQ(FilterFromKeyText("Errors"), TDomainFilter::All);
    EXPECT_EQ(FilterFromKeyText(""), TDomainFilter::All);
}

TEST_F(DomainSortProxyTest, AnInternationalNamesAnswersBeginWithBothForms)
{
    Model.SetContents({Row("Straße.de", {"", "", "", "", "0"}), Row("xn--zz--.de", {"", "", "", "", "1"}),
                       Row("plain.de", {"", "", "", "", "0"})},
                      {"Status: free", "Not sent to any WHOIS server: bad"});
    EXPECT_EQ(Proxy.AnswersText(0),
              QStringLiteral("Internationalised name: straße.de is asked as xn--strae-oqa.de\nStatus: free"));
    EXPECT_EQ(Proxy.AnswersText(1), QStringLiteral("Not sent to any WHOIS server: bad"));
    EXPECT_EQ(Proxy.AnswersText(2), QStringLiteral("Status: free"));
}

} // namespace
