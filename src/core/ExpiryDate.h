#pragma once

#include <string>
#include <vector>

// Expiry dates are day numbers: days since 30 December 1899 (day 0, which also means no date).
// A mask list is tried in order against an expiry text; see datemask.ini for the mask language.
using TDateMasks = std::vector<std::string>;

// The masks of the file at `path` (lines trimmed, empty lines and ";" comments dropped), or the
// four built-in year-month-day masks when the file cannot be read.
TDateMasks LoadDateMasks(const std::string& path);

// The date read from `text` by the first fitting mask, or 0.
int ParseExpiryDate(const std::string& text, const TDateMasks& masks);

struct TCalendarDate
{
    int Year = 0;
    int Month = 0;
    int Day = 0;
};

// Conversions between calendar dates and day numbers (proleptic Gregorian calendar).
int DayNumberFromDate(int year, int month, int day);
TCalendarDate DateFromDayNumber(int dayNumber);
// "yyyy-mm-dd", or empty for a day number of 0 or less.
std::string IsoDateFromDayNumber(int dayNumber);
