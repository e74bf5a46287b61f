#pragma once

#include "models/DomainTableModel.h"

#include <optional>
#include <string>

// What a check makes of a name, as the row's Availability slot shows it: "YES", "NO" or
// "RESULT ERROR".
enum class TAvailability
{
    Error,
    Free,
    Taken
};

// One worker's result on its way to the main thread, read and parsed on the worker's thread: the
// main thread only writes it into the row. `RowIndex` is the identity of the row the check was
// started for, so the result finds its row however the table was sorted meanwhile.
struct TSyncSendResult
{
    TRowId RowIndex = NoRowId;
    TAvailability Availability = TAvailability::Error;
    // The row's new answers entry; none leaves the entry as it was (a check that brought no text).
    std::optional<std::string> LogEntry;
    // Why the answer gave this verdict, in one line for the answers panel: the not-found text or
    // the registration field found, or why there is none.
    std::string Evidence;
    // Set for a taken name whose registrar fields could be read; otherwise the Registrar and
    // WHOIS server slots keep what they held.
    bool HasRegistrar = false;
    std::string Registrar;
    std::string RegistrarServer;
    // Set for a taken name. ExpiryDay is 0 when no date was found; an expiry text that no date
    // mask reads is shown as it came, between marks.
    bool HasExpiry = false;
    int ExpiryDay = 0;
    bool ExpiryUnreadable = false;
    std::string ExpiryText;
    // The check ended because its proxy failed (only when the job may fail over), for the reason
    // in ProxyFailure: the dispatcher asks the name again through another proxy of the pool.
    bool ProxyFailed = false;
    std::string ProxyFailure;
    // The host refused or throttled the query (only when the job says a refusal ends the check):
    // no verdict, and no attempt used up; the dispatcher asks again after the host's back-off.
    // LogEntry holds what the host sent, for the row's entry if it keeps refusing.
    bool Refused = false;
};
