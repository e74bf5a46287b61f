#include "engine/ResultApplier.h"

bool TResultApplier::ApplyResult(TCheckRows& rows, const TSyncSendResult& result)
{
    const int row = rows.RowOf(result.RowIndex);
    if (row < 0)
        return false;
    rows.SetResult(row, result);
    return true;
}
