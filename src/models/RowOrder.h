#pragma once

#include "models/DomainFilter.h"
#include "models/SortCells.h"
#include "models/SortTextCompare.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

// The order of the domain table's rows, apart from any view: how two rows compare in a column
// and a direction, rows sorted, arriving rows merged into a sorted order, and which rows a filter
// shows. Rows are the model's row numbers.
//
// What is compared comes from TSortCells as typed values where the model has them: the
// Availability column by the row's verdict (the collation of its word; not yet checked after every
// word), the Expires column by the expiry day where the row has one (its text otherwise, never read
// as a date). Every other cell compares by its text: two numbers by value, two dates or times by
// moment, else by the user's collation; an empty cell after every other. A day and a text meet by
// the collation of the texts shown, as two texts would.
//
// The prepared values of a column are kept between sorts: rows arriving at the end are read once,
// and a changed cell (CellsChanged) is read again at the next sort.
class TRowOrder
{
public:
    explicit TRowOrder(const TSortCells& cells);

    int Column() const { return SortColumn; }
    TSortDirection Direction() const { return SortDirection; }
    TSortParam Param() const { return MakeSortParam(SortColumn, SortDirection); }
    void SetColumn(int column) { SortColumn = column; }
    void SetDirection(TSortDirection direction) { SortDirection = direction; }

    // Two rows compared by the param's column and direction, their cells read afresh: -1, 0 or 1.
    int Compare(int row1, int row2, TSortParam param) const;
    // Stable sort of rows by the current column and direction.
    void Sort(std::vector<int>& rows) const;
    // The place of `row` in `sorted`, which is in the current order: after the rows equal to it, as
    // a stable sort would put a later row.
    std::size_t PlaceOf(const std::vector<int>& sorted, int row) const;
    // The first `before` rows of `sorted` (in the current order) merged with `arrived` (sorted).
    std::vector<int> Merged(const std::vector<int>& sorted, std::size_t before, const std::vector<int>& arrived) const;

    // The cells of these rows and columns changed.
    void CellsChanged(int firstRow, int lastRow, int firstColumn, int lastColumn);
    // `count` rows were inserted before row `first`, moving the rows from there on.
    void RowsInserted(int first, int count);
    // A new table: nothing prepared is kept.
    void Clear();

    TDomainFilter Filter() const { return RowFilter; }
    void SetFilter(TDomainFilter filter) { RowFilter = filter; }
    bool Filtered() const { return RowFilter != TDomainFilter::All; }
    bool Shows(int row) const { return FilterShows(RowFilter, Cells.Result(row)); }
    // The places in `sorted` of the rows the filter shows, ascending; empty while unfiltered.
    std::vector<int> ShownPlaces(const std::vector<int>& sorted) const;

private:
    // Prepared values of one column, by model row.
    struct TPrepared
    {
        std::vector<TSortItem> Items;
        std::string Tails;
        std::size_t DeadTailBytes = 0;
        int Column = -1;
        // Rows before Scanned are read and counted below; rows before KeyScanned hold the keys that
        // KeyNeeds calls for. Rows arriving at the end leave both as they are, so a table filled in
        // batches is not read again for every batch; a changed cell or a row inserted within the
        // table starts both over.
        std::size_t Scanned = 0;
        std::size_t Texts = 0, Numbers = 0, Moments = 0, Both = 0;
        std::size_t KeyScanned = 0;
        unsigned KeyNeeds = 0;
        // The verdict words keyed into Tails, once each.
        std::array<TSortItem, RowResultCount> Words{};
        void Reset();
        void Rescan();
    };
    // One cell read into `item`, keyed when it is a plain text or a verdict word; `words` caches
    // the words' keys (none: keyed each time).
    void ReadItem(int row, int column, TSortItem& item, std::string& tails,
                  std::array<TSortItem, RowResultCount>* words) const;
    // Brings the prepared values of `column` up to date: what each cell reads as, and the keys of
    // the rows that can meet another by collation.
    const TPrepared& Prepare(int column) const;
    void CompactTails(TPrepared& prepared) const;
    int ComparePrepared(const TPrepared& prepared, int row1, int row2) const;

    const TSortCells& Cells;
    int SortColumn = 0;
    TSortDirection SortDirection = sdAscending;
    TDomainFilter RowFilter = TDomainFilter::All;
    // Captions never change, so theirs stay prepared while the table is sorted by another column.
    mutable TPrepared Captions;
    mutable TPrepared Others;
};
