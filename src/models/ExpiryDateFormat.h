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

// The day number of a date as FormatDayNumber writes it in the same locale; 0 for any other text.
// A project keeps the Expires cell as shown, so this is how a loaded row gets its date back.
int DayNumberOfShownDate(const std::string& text);

// An Expires cell as the machine-read exports write it, the same form as quarrow-cli's check: the
// date as ISO yyyy-mm-dd, or the cell as it stands when it holds no date in the user's format (an
// expiry that could not be read, kept between "!" marks, or a date written under another locale).
std::string ExportedExpiry(const std::string& cell);

// A date format (QLocale's pattern letters) with every year of fewer than four digits widened to
// four, quoted text left alone. Common locales' short formats have "yy", under which 2026 and 1926
// read the same - in an Expires column that spans a century.
QString WithFourDigitYear(const QString& format);
