#include "engine/ResultApplier.h"

#include "models/ExpiryDateFormat.h"

namespace {

const char* AvailabilityText(TAvailability availability)
{
    switch (availability) {
    case TAvailability::Free:
        return "YES";
    case TAvailability::Taken:
        return "NO";
    case TAvailability::Error:
        break;
    }
    return "RESULT ERROR";
}

} // namespace

void TResultApplier::StoreLogEntry(TDomainTableModel& model, int row, std::string text)
{
    // The row keeps its own answers-log entry; a row that names none gets a new one.
    const int entry = model.AnswerIndexOf(row);
    if (entry < 0)
        model.SetSlot(row, SlotAnswerIndex, std::to_string(model.AppendAnswer(std::move(text))));
    else
        model.SetAnswer(entry, std::move(text));
}

bool TResultApplier::ApplyResult(TDomainTableModel& model, const TSyncSendResult& result)
{
    const int row = model.RowOf(result.RowIndex);
    if (row < 0)
        return false;

    model.SetSlot(row, SlotStartTick, "");
    if (result.LogEntry)
        StoreLogEntry(model, row, *result.LogEntry);
    model.SetSlot(row, SlotAvailability, AvailabilityText(result.Availability));
    if (result.HasRegistrar) {
        model.SetSlot(row, SlotRegistrar, result.Registrar);
        model.SetSlot(row, SlotWhoisServer, result.RegistrarServer);
    }
    if (result.HasExpiry) {
        // The date is written in the user's locale here, where the window reads it.
        model.SetExpiry(row,
                        result.ExpiryUnreadable ? "! " + result.ExpiryText + " !" : FormatDayNumber(result.ExpiryDay),
                        result.ExpiryDay, result.ExpiryUnreadable);
    }
    return true;
}
