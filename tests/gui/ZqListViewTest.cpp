#include "gui/ZqListView.h"
#include "gui/DomainItemDelegate.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

class ZqListViewTest : public ::testing::Test
{
protected:
    ZqListViewTest()
    {
        View.SetSortType(stBoth);
        View.resize(700, 300);
        View.show();
        // Rows arrive unsorted; each names its own answers entry.
        Model.SetContents({{"c.example", true, {"NO", "Reg C", "whois.c.test", "", "2", ""}},
                           {"a.example", true, {"RESULT ERROR", "", "", "", "0", ""}},
                           {"b.example", false, {"YES", "", "whois.b.test", "", "1", ""}}},
                          {"answer of a", "answer of b\r\nline 2", "answer of c"});
    }

    QPoint CellCenter(int viewRow, int column) const
    {
        return View.visualRect(View.model()->index(viewRow, column)).center();
    }
    QString Caption(int viewRow) const { return View.model()->index(viewRow, 0).data().toString(); }

    TDomainTableModel Model;
    TzqListView View{Model};
};

TEST_F(ZqListViewTest, DomainColumnAloneShowsTheAvailabilityColour)
{
    auto* delegate = qobject_cast<TDomainItemDelegate*>(View.itemDelegate());
    ASSERT_NE(delegate, nullptr);
    const QPalette palette = View.palette();
    QAbstractItemModel* model = View.model();
    // Sorted by Domain: a (RESULT ERROR), b (YES), c (NO).
    EXPECT_EQ(delegate->TextColorOf(model->index(0, 0), palette), QColor(128, 0, 0));
    EXPECT_EQ(delegate->TextColorOf(model->index(1, 0), palette), palette.color(QPalette::Text));
    EXPECT_EQ(delegate->TextColorOf(model->index(2, 0), palette), palette.color(QPalette::Disabled, QPalette::Text));
    EXPECT_NE(palette.color(QPalette::Disabled, QPalette::Text), palette.color(QPalette::Text));
    for (int column = 1; column < model->columnCount(); ++column)
        EXPECT_EQ(delegate->TextColorOf(model->index(2, column), palette), palette.color(QPalette::Text));
    // Exact and case-sensitive: a text that is no verdict (a hand-written project) has no colour.
    for (const char* text : {"no", "NO ", "result error"}) {
        Model.SetSlot(View.SortProxy().SourceRow(2), SlotAvailability, text);
        EXPECT_EQ(delegate->TextColorOf(model->index(2, 0), palette), palette.color(QPalette::Text)) << text;
    }
}

TEST_F(ZqListViewTest, MarkupFromAnAnswerIsShownAsText)
{
    Model.SetSlot(0, SlotRegistrar, "<b>Evil</b> & Co");
    const QModelIndex cell = View.model()->index(View.SortProxy().ViewRow(0), TDomainTableModel::ColumnRegistrar);
    QHelpEvent help(QEvent::ToolTip, View.visualRect(cell).center(),
                    View.viewport()->mapToGlobal(View.visualRect(cell).center()));
    QStyleOptionViewItem option;
    ASSERT_TRUE(View.itemDelegate()->helpEvent(&help, &View, option, cell));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("<qt>&lt;b&gt;Evil&lt;/b&gt; &amp; Co</qt>"));
    EXPECT_EQ(cell.data().toString(), QStringLiteral("<b>Evil</b> & Co"));
}

TEST_F(ZqListViewTest, HeaderClicksSortAndTheIndicatorFollows)
{
    QHeaderView* header = View.horizontalHeader();
    EXPECT_TRUE(header->isSortIndicatorShown());
    const int registrarX = header->sectionViewportPosition(2) + header->sectionSize(2) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(registrarX, header->height() / 2));
    EXPECT_EQ(View.SortColumn(), 2);
    EXPECT_EQ(header->sortIndicatorSection(), 2);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(Caption(0), QStringLiteral("c.example")); // "Reg C" before the empties
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(registrarX, header->height() / 2));
    EXPECT_EQ(View.SortDirection(), sdDescending);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(Caption(2), QStringLiteral("c.example"));

    View.SetShowSortSign(false);
    EXPECT_FALSE(header->isSortIndicatorShown());
    View.SetShowSortSign(true);
    View.SetSortType(stNone);
    EXPECT_FALSE(header->isSortIndicatorShown());
}

TEST_F(ZqListViewTest, AClickShowsTheClickedRowsOwnAnswersAfterSorting)
{
    View.SetSortDirection(sdDescending); // c, b, a
    QSignalSpy clicks(&View, &TzqListView::DomainsClick);
    QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, CellCenter(1, 2));
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(View.SortProxy().AnswersText(View.SelectedSourceRow()), QStringLiteral("answer of b\nline 2"));

    // Below the last row: nothing selected, nothing to show.
    QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, QPoint(10, View.viewport()->height() - 5));
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(View.SelectedSourceRow(), -1);
}

TEST_F(ZqListViewTest, ShiftDoubleClickAndShiftEnterAskForTheServerProperties)
{
    QSignalSpy requests(&View, &TzqListView::ServerPropertiesRequested);
    // Nothing selected: nothing, Shift or not.
    QTest::keyClick(&View, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(requests.count(), 0);

    QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, CellCenter(2, 0)); // c.example
    QTest::mouseDClick(View.viewport(), Qt::LeftButton, {}, CellCenter(2, 0));
    QTest::keyClick(&View, Qt::Key_Return);
    EXPECT_EQ(requests.count(), 0);

    QTest::mouseDClick(View.viewport(), Qt::LeftButton, Qt::ShiftModifier, CellCenter(2, 0));
    ASSERT_EQ(requests.count(), 1);
    EXPECT_EQ(requests.front().at(0).toString(), QStringLiteral("c.example"));
    EXPECT_EQ(requests.front().at(1).toString(), QStringLiteral("whois.c.test"));

    QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, CellCenter(0, 0)); // a.example, no server
    QTest::keyClick(&View, Qt::Key_Enter, Qt::ShiftModifier);
    ASSERT_EQ(requests.count(), 2);
    EXPECT_EQ(requests.back().at(0).toString(), QStringLiteral("a.example"));
    EXPECT_EQ(requests.back().at(1).toString(), QString());
}

TEST_F(ZqListViewTest, SelectAndDeselectAllTickEveryRowKeepingTheSelection)
{
    QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, CellCenter(1, 1));
    const int selected = View.SelectedSourceRow();
    QSignalSpy ticks(&View, &TzqListView::OnChangeCheck);
    View.SetAllChecked(true);
    ASSERT_EQ(ticks.count(), 1); // only b.example was unticked
    EXPECT_EQ(ticks.front().at(1).value<TRowId>(), Model.IdAt(2));
    EXPECT_EQ(ticks.front().at(2).toInt(), 1);
    EXPECT_TRUE(ticks.front().at(3).toBool());
    View.SetAllChecked(false);
    EXPECT_EQ(ticks.count(), 4);
    for (int row = 0; row < Model.RowCount(); ++row)
        EXPECT_FALSE(Model.Checked(row));
    EXPECT_EQ(View.SelectedSourceRow(), selected);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A single tick by the person is reported with its position.
    Model.SetChecked(0, true);
    ASSERT_EQ(ticks.count(), 5);
    EXPECT_EQ(ticks.back().at(2).toInt(), 2);
}

} // namespace
