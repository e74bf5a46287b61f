#pragma once

#include "whois/ExpiryDate.h"

#include <string>

// The expiry date read from `text` in the user's short date format (UTF-8), or empty when the
// text is blank, no mask reads a date from it, or the date lies on or before 30 December 1899.
std::string FormatExpiryDate(const std::string& text, const TDateMasks& masks);

// A day number in the user's short date format; empty for day numbers of 0 or less.
std::string FormatDayNumber(int dayNumber);
