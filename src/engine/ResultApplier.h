#pragma once

#include "core/CheckRows.h"
#include "engine/SyncSendResult.h"

#include <string>

// Writes one worker's result into its row on the main thread, found by the row's identity.
// Everything was read and parsed by the worker (TResultReader); nothing here reads a file.
class TResultApplier
{
public:
    // Returns false when the row the check was started for is gone (the result is dropped).
    static bool ApplyResult(TCheckRows& rows, const TSyncSendResult& result);
};
