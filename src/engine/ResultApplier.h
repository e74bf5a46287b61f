#pragma once

#include "core/ExpiryDate.h"
#include "engine/SyncSendResult.h"
#include "models/DomainTableModel.h"

#include <string>

// Writes one worker's result into its row on the main thread: "YES", "NO" or "RESULT ERROR", the
// registrar, the registrar's WHOIS server, the expiry date and the row's own answers-log entry.
// Everything was read and parsed by the worker (TResultReader); nothing here reads a file.
class TResultApplier
{
public:
    // Returns false when the row the check was started for is gone (the result is dropped).
    static bool ApplyResult(TDomainTableModel& model, const TSyncSendResult& result);

    // Writes `text` into the row's own answers-log entry (a new one when slot 4 names none).
    static void StoreLogEntry(TDomainTableModel& model, int row, std::string text);
};
