#pragma once

#include "core/CheckResult.h"
#include "core/RowId.h"

#include <string>

// One worker's result on its way to the main thread: the row's result (TCheckResult), read and
// parsed on the worker's thread, so that the main thread only writes it into the row, and where it
// goes. `RowIndex` is the identity of the row the check was started for, so the result finds its
// row however the table was sorted meanwhile.
struct TSyncSendResult : TCheckResult
{
    TRowId RowIndex = NoRowId;
    // The check ended because its proxy failed (only when the job may fail over), for the reason
    // in ProxyFailure: the dispatcher asks the name again through another proxy of the pool.
    bool ProxyFailed = false;
    std::string ProxyFailure;
    // The host refused or throttled the query (only when the job says a refusal ends the check):
    // no verdict, and no attempt used up; the dispatcher asks again after the host's back-off.
    // LogEntry holds what the host sent, for the row's entry if it keeps refusing.
    bool Refused = false;
    // With Refused: how long the host asked to be left alone (an RDAP Retry-After), in ms; -1: it
    // did not say.
    int RetryAfterMs = -1;
};
