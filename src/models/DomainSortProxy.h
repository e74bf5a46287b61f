#pragma once

#include "models/DomainFilter.h"
#include "models/DomainTableModel.h"
#include "models/RowOrder.h"
#include "models/SortCells.h"
#include "models/SortTextCompare.h"
#include "models/SortTextReader.h"

#include <QAbstractProxyModel>

#include <string>
#include <vector>

// The domain table in the order the person sees it: the rows of TDomainTableModel sorted by one
// column in one direction, every sort through SortItemCompare with the current SortParam. How rows
// compare and which a filter shows is TRowOrder's; this proxy tells it what the model holds (the
// verdict and expiry day from their roles, the texts read for the user's collation) and keeps the
// views' indexes in step.
//
// When rows are sorted: on SetSortColumn or SetSortDirection with a new value unless the sort type
// is stNone; on SetSortType to stText or stBoth; and while the type is stText or stBoth, new rows
// take their sorted place as they arrive (a replaced table is sorted once). A changed cell never
// moves its row: a result applied during a pass leaves the table as it is.
//
// A filter (SetFilter) hides the rows whose result it does not ask for: the proxy's rows are the
// shown ones, in sorted order, and a row comes or goes as its result changes. The order of every
// row, shown or not, is kept all the same: it is the one source of row order for the rest of the
// program (ViewOrder, RowsInViewOrder): the dispatcher's pass order and a saved project's rows
// both come from it, so a filter never drops a row from a project or a pass.
class TDomainSortProxy : public QAbstractProxyModel, private TSortCells
{
    Q_OBJECT

public:
    explicit TDomainSortProxy(TDomainTableModel& model, QObject* parent = nullptr);
    ~TDomainSortProxy() override;

    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex& idx) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // A view's own sort request: column and direction at once, one sort.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    TDomainTableModel& Model() const { return Source; }

    int SortColumn() const { return Order.Column(); }
    TSortDirection SortDirection() const { return Order.Direction(); }
    TSortType SortType() const { return Type; }
    TSortParam SortParam() const { return Order.Param(); }
    // Clamped to the columns.
    void SetSortColumn(int column);
    void SetSortDirection(TSortDirection direction);
    void SetSortType(TSortType type);
    // A click on a column header: the sort column turns round, another column becomes the sort
    // column in the same direction.
    void ColClick(int column);
    // Sorts by the current column and direction.
    void Sort();

    // Two model rows compared by the param's column and direction: -1, 0 or 1.
    int SortItemCompare(int sourceRow1, int sourceRow2, TSortParam param) const
    {
        return Order.Compare(sourceRow1, sourceRow2, param);
    }
    bool LessThan(int sourceRow1, int sourceRow2) const
    {
        return SortItemCompare(sourceRow1, sourceRow2, SortParam()) < 0;
    }

    TDomainFilter Filter() const { return Order.Filter(); }
    // Shows only the rows the filter asks for, at once for a whole table (one layout change, the
    // selection kept on the rows that stay).
    void SetFilter(TDomainFilter filter);
    // Rows shown and rows in the table: "shown N of M".
    int ShownCount() const { return rowCount(); }
    int TotalCount() const { return static_cast<int>(Sorted.size()); }
    std::string ShownText() const;

    // Model row shown at a view row, and back; -1 outside (also for a row the filter hides).
    int SourceRow(int viewRow) const;
    int ViewRow(int sourceRow) const;
    // Every row in sorted order, the hidden ones included.
    std::vector<TRowId> ViewOrder() const;
    std::vector<TDomainRow> RowsInViewOrder() const;
    // The answers-log entry named by the model row's slot 4, one line per line of the entry; empty
    // when slot 4 names no entry.
    QString AnswersText(int sourceRow) const;

    // Ticks or unticks every shown row with one change notice; returns the model rows whose tick
    // changed, in view order.
    std::vector<int> TickAllRows(bool checked);

signals:
    // Sort column, direction or type changed: the header's sort sign follows.
    void SortChanged();

private:
    // TSortCells: the model's cells as the order reads them.
    int RowCount() const override { return Source.RowCount(); }
    TRowResult Result(int row) const override;
    int ExpiryDay(int row) const override;
    void ReadText(int row, int column, bool moments, TSortItem& item, std::string& tails) const override;
    void AddTextKey(int row, int column, TSortItem& item, std::string& tails) const override;
    void AddWordKey(std::string_view word, TSortItem& item, std::string& tails) const override;

    QString TextAt(int sourceRow, int column) const;
    // The same text as TextAt; a plain ASCII caption is widened into `buffer` instead of going
    // through a QVariant and a string of its own, as a million new rows each need theirs read.
    QStringView CellText(int sourceRow, int column, QString& buffer) const;
    // A new order of every row (or the same one) and a new filter in one layout change.
    void Relayout(const std::vector<int>& newOrder, TDomainFilter filter);
    void Reorder(const std::vector<int>& newOrder);
    bool Filtered() const { return Order.Filtered(); }
    // Rows newly in the sorted order at `position`, shown as the filter says; the places of the
    // sorted order from `rebuildFrom` on are counted again.
    void InsertSorted(int position, const std::vector<int>& rows, int rebuildFrom);
    // A row whose result changed, shown or hidden again as the filter says.
    void UpdateShown(int sourceRow);
    void RebuildPositions(int fromPosition);
    bool SortsOnArrival() const { return Type == stText || Type == stBoth; }

    void SourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
    void SourceRowsInserted(const QModelIndex& parent, int first, int last);
    void SourceAboutToReset();
    void SourceReset();

    TDomainTableModel& Source;
    TSortTextReader Reader;
    mutable QString TextBuffer;
    TRowOrder Order{*this};
    TSortType Type = stNone;

    // Every model row in sorted order, and each model row's place in it.
    std::vector<int> Sorted;
    std::vector<int> SortedPosition;
    // While filtered: the places in Sorted of the shown rows, ascending.
    std::vector<int> Shown;
};
