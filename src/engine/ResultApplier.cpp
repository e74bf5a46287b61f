#include "engine/ResultApplier.h"

#include "models/DomainTableModel.h"

bool TResultApplier::ApplyResult(TCheckRows& rows, const TSyncSendResult& result)
{
    const int row = rows.RowOf(result.RowIndex);
    if (row < 0)
        return false;
    rows.SetResult(row, result);
    return true;
}

void TResultApplier::StoreLogEntry(TDomainTableModel& model, int row, std::string text)
{
    model.StoreAnswer(row, std::move(text));
}
