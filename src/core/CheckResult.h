#pragma once

#include "core/RowResult.h"

#include <optional>
#include <string>

// The expiry date a check found for a taken name: a day number, or a text no date mask reads.
struct TExpiryResult
{
    int Day = 0; // day number of the date; 0 when no date was found
    // The expiry text could not be read as a date; the cell shows Text as it came, between marks.
    bool Unreadable = false;
    std::string Text{};

    bool operator==(const TExpiryResult&) const = default;
};

// What one check makes of a name, as the row takes it: the worker reads its answers into this, the
// hand-over carries it to the main thread, and the table model writes it into the row's cells
// (SetResult). A field left empty leaves its cell as it was, so that a later "free" keeps the
// registrar an earlier check found. Every member has an initialiser, so that a result may be written
// as its first few fields ({TRowResult::Error, "why"}).
struct TCheckResult
{
    TRowResult Verdict = TRowResult::Error;
    // The row's new answers entry; none leaves the entry as it was (a check that brought no text).
    std::optional<std::string> LogEntry{};
    // Set for a taken name whose registrar fields could be read.
    std::optional<std::string> Registrar{};
    std::optional<std::string> RegistrarServer{};
    // Set for a taken name (a day of 0 empties the cell).
    std::optional<TExpiryResult> Expiry{};
    // What in the answer decided the verdict (the text found, or why none could be), for the
    // answers panel and for tests of the reading; empty where the reader records none. Never
    // shown in a cell and not kept in the project file.
    std::string Evidence{};

    bool operator==(const TCheckResult&) const = default;
};
