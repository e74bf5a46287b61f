#pragma once

#include "core/RowResult.h"
#include "models/SortTextCompare.h"

#include <string>
#include <string_view>

// The domain table's cells as its row order (TRowOrder) reads them: the typed values the model
// keeps (each row's verdict, its expiry day) and, for a cell that holds only text, that text
// prepared for the user's collation. The sort proxy reads them off the model; tests hand in their
// own. Columns are the table's: 0 the caption, column c the row's slot c - 1.
class TSortCells
{
public:
    virtual ~TSortCells() = default;

    virtual int RowCount() const = 0;
    virtual TRowResult Result(int row) const = 0;
    // The day number of the row's expiry date; 0 when it has none.
    virtual int ExpiryDay(int row) const = 0;
    // The cell's text classified as TSortTextReader::Classify does (dates and times only with
    // `moments`) and, when it reads as plain text, keyed at once: such a text meets others by key.
    virtual void ReadText(int row, int column, bool moments, TSortItem& item, std::string& tails) const = 0;
    // The collation key of the cell's text.
    virtual void AddTextKey(int row, int column, TSortItem& item, std::string& tails) const = 0;
    // The collation key of a text, the one AddTextKey gives a cell that shows it.
    virtual void AddWordKey(std::string_view word, TSortItem& item, std::string& tails) const = 0;
};
