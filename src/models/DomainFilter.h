#pragma once

#include "core/DomainRow.h"

#include <string_view>

// Which rows of the domain table are shown: all of them, or only those with one kind of result.
// The filter hides rows; the project, a pass of "Check domains" and a save still hold every row.
enum class TDomainFilter
{
    All,
    Available,
    Registered,
    Errors,
    Unchecked
};
inline constexpr int DomainFilterCount = 5;

bool FilterShows(TDomainFilter filter, TRowResult result);
// The filter's word in the configuration file ("all", "available", "registered", "errors",
// "unchecked"), and back; an unknown word is All.
std::string_view FilterKeyText(TDomainFilter filter);
TDomainFilter FilterFromKeyText(std::string_view text);
// The filter's caption on the View menu and in the box above the table.
const char* FilterCaption(TDomainFilter filter);
