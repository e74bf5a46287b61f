#pragma once

#include "core/CheckResult.h"
#include "core/RowId.h"
#include "core/RowResult.h"

#include <cstdint>
#include <string_view>
#include <vector>

// What the check engine needs of the rows it checks, and all it may do to them: read the rows to
// check, mark a row started, deliver a result. The domain table model implements it; the engine
// sees only this, so it carries no table header and a test can hand it rows of its own.
// Row positions are the table's own order; ids find a row however the view was sorted meanwhile.
class TCheckRows
{
public:
    virtual ~TCheckRows() = default;

    // The rows to check.
    virtual int RowCount() const = 0;
    virtual TRowId IdAt(int row) const = 0;
    // Position of the row with this id, or -1 when the row is gone.
    virtual int RowOf(TRowId id) const = 0;
    // The row's name; valid until rows are added or the table is replaced.
    virtual std::string_view CaptionView(int row) const = 0;
    virtual bool Checked(int row) const = 0;
    // Ticks or unticks these rows; returns how many ticks changed.
    virtual int SetRowsChecked(const std::vector<int>& rows, bool checked) = 0;
    virtual TRowResult ResultOf(int row) const = 0;
    virtual int ResultCount(TRowResult result) const = 0;

    // A row started: its check runs since `tick` (the engine's clock, in ms), until a result or
    // ClearStarted ends it.
    virtual void MarkStarted(int row, std::uint64_t tick) = 0;
    virtual void ClearStarted(int row) = 0;
    // The first started row at or after `from` whose start plus `budget` lies before `now` (-1 when
    // none): the watchdog's scan.
    virtual int FirstOverdueRow(std::uint64_t now, std::uint64_t budget, int from = 0) const = 0;

    // A result delivered: the check is over and its result written into the row's cells.
    virtual void SetResult(int row, const TCheckResult& result) = 0;
};
