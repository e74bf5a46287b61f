#pragma once

#include "core/ExpiryDate.h"

#include <QString>

#include <string>

// The expiry date read from `text` in the user's short date format (UTF-8), or empty when the
// text is blank, no mask reads a date from it, or the date lies on or before 30 December 1899.
std::string FormatExpiryDate(const std::string& text, const TDateMasks& masks);

// A day number in the user's short date format with a four-digit year; empty for day numbers of 0
// or less.
std::string FormatDayNumber(int dayNumber);
// The day number a shown date stands for, read back the way the table's sort reads dates (the
// user's short date format): the inverse of FormatDayNumber, for dates that come back as text
// from a project file. 0 when the text is no date in that format.
int DayNumberOfShownDate(const std::string& shown);

// A date format (QLocale's pattern letters) with every year of fewer than four digits widened to
// four, quoted text left alone. Common locales' short formats have "yy", under which 2026 and 1926
// read the same - in an Expires column that spans a century.
QString WithFourDigitYear(const QString& format);
