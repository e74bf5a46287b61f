#pragma once

#include <string_view>

// The verdict of a row: what its Availability cell says. Inside the program only this is compared;
// the words "YES", "NO" and "RESULT ERROR" are made of it where text leaves (display, project file,
// exports, command-line records) and read back into it where text comes in (the project file).
enum class TRowResult : unsigned char
{
    Unchecked,  // not checked yet: the cell is empty
    Available,  // "YES": the name is free
    Registered, // "NO": the name is taken
    Error,      // "RESULT ERROR": the check brought no verdict
    // A project written by hand may hold any other text; it is kept as it was loaded and the row
    // shows only among all rows.
    Other
};
inline constexpr int RowResultCount = 5;

// The verdict a cell text stands for: the words exactly, letter case and blanks included.
inline TRowResult RowResultOf(std::string_view availability)
{
    if (availability.empty())
        return TRowResult::Unchecked;
    if (availability == "YES")
        return TRowResult::Available;
    if (availability == "NO")
        return TRowResult::Registered;
    if (availability == "RESULT ERROR")
        return TRowResult::Error;
    return TRowResult::Other;
}

// The cell text of a verdict; empty for Unchecked, and for Other, whose text only its row keeps.
inline std::string_view RowResultText(TRowResult result)
{
    switch (result) {
    case TRowResult::Available:
        return "YES";
    case TRowResult::Registered:
        return "NO";
    case TRowResult::Error:
        return "RESULT ERROR";
    case TRowResult::Unchecked:
    case TRowResult::Other:
        break;
    }
    return {};
}
