#include "core/ExpiryDate.h"

#include "base/AsciiText.h"
#include "base/WholeFile.h"

#include <array>
#include <climits>
#include <cstdio>
#include <string_view>

namespace {

// Day number of 1970-01-01, the epoch of the civil-date arithmetic below.
constexpr long long UnixEpochDayNumber = 25569;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Days since 1970-01-01 of a proleptic Gregorian date (valid for any year, negative too).
long long DaysFromCivil(long long year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

TCalendarDate CivilFromDays(long long days)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shiftedMonth = (5 * dayOfYear + 2) / 153;
    TCalendarDate date;
    date.Day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    date.Month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    date.Year = static_cast<int>(yearOfEra + era * 400 + (date.Month <= 2 ? 1 : 0));
    return date;
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr std::array<int, 12> lengths = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : lengths[static_cast<size_t>(month - 1)];
}

// Decimal value of a non-empty run of digits; false when it holds anything else or does not fit
// an int (leading zeros are fine: "0002010" is 2010).
bool DecimalValue(std::string_view digits, int& value)
{
    if (digits.empty())
        return false;
    long long result = 0;
    for (const char c : digits) {
        if (!IsDigit(c))
            return false;
        result = result * 10 + (c - '0');
        if (result > INT_MAX)
            return false;
    }
    value = static_cast<int>(result);
    return true;
}

int MonthFromText(std::string_view text)
{
    int month = 0;
    if (DecimalValue(text, month))
        return month;
    static constexpr std::array<std::string_view, 12> names = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                               "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    const std::string upper = UpperAscii(text);
    for (size_t i = 0; i < names.size(); ++i)
        if (upper == names[i])
            return static_cast<int>(i) + 1;
    return 0;
}

// What one mask character does with one text character.
enum class TMaskMatch
{
    Fail,
    Skip,
    Year,
    Month,
    Day
};

TMaskMatch MatchMaskChar(char maskChar, char textChar)
{
    switch (maskChar) {
    case 'y':
        return IsDigit(textChar) ? TMaskMatch::Year : TMaskMatch::Fail;
    case 'm':
        return IsDigit(textChar) ? TMaskMatch::Month : TMaskMatch::Fail;
    case 'd':
        return IsDigit(textChar) ? TMaskMatch::Day : TMaskMatch::Fail;
    case 'z':
        return IsLetter(textChar) ? TMaskMatch::Month : TMaskMatch::Fail;
    case '-':
    case '.':
    case '/':
    case '\\':
        return textChar == maskChar ? TMaskMatch::Skip : TMaskMatch::Fail;
    case 'c':
        return TMaskMatch::Skip;
    default:
        return TMaskMatch::Fail;
    }
}

// A mask without a year, a month or a day character can never collect all three parts, so it
// never fits; skipping it up front also keeps every attempt of the scan below one mask long.
bool CanFit(std::string_view mask)
{
    const bool year = mask.find('y') != std::string_view::npos;
    const bool month = mask.find_first_of("mz") != std::string_view::npos;
    const bool day = mask.find('d') != std::string_view::npos;
    return year && month && day;
}

struct TDateParts
{
    std::string Year;
    std::string Month;
    std::string Day;

    bool Complete() const { return !Year.empty() && !Month.empty() && !Day.empty(); }
    void Clear()
    {
        Year.clear();
        Month.clear();
        Day.clear();
    }
};

// Tries the mask at every start position of the text; true with the collected parts when it fits.
bool FitMask(std::string_view text, std::string_view mask, TDateParts& parts)
{
    parts.Clear();
    size_t start = 0;
    size_t k = 0;
    size_t j = 0;
    while (k < text.size()) {
        const TMaskMatch match = MatchMaskChar(mask[j], text[k]);
        if (match == TMaskMatch::Fail) {
            ++start;
            k = start;
            j = 0;
            parts.Clear();
            continue;
        }
        if (match == TMaskMatch::Year)
            parts.Year += text[k];
        else if (match == TMaskMatch::Month)
            parts.Month += text[k];
        else if (match == TMaskMatch::Day)
            parts.Day += text[k];
        ++j;
        if (j == mask.size()) {
            if (parts.Complete())
                return true;
            j = 0;
        }
        ++k;
    }
    // The text may end inside the mask.
    return parts.Complete();
}

int DayNumberFromParts(const TDateParts& parts)
{
    int day = 0;
    int year = 0;
    if (!DecimalValue(parts.Day, day) || !DecimalValue(parts.Year, year))
        return 0;
    const int month = MonthFromText(parts.Month);
    if (year < 100)
        year += 2000;
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return 0;
    return DayNumberFromDate(year, month, day);
}

TDateMasks BuiltInMasks()
{
    return {"yyyy-mm-dd", "yyyy-m-dd", "yyyy-mm-d", "yyyy-m-d"};
}

} // namespace

TDateMasks LoadDateMasks(const std::string& path)
{
    // A mask file is a few dozen lines; anything near this size is not one.
    const TWholeFile file = ReadWholeFile(path, 1u << 20);
    if (!file.Loaded())
        return BuiltInMasks();
    const std::string_view contents = file.View();
    TDateMasks masks;
    size_t pos = 0;
    while (pos < contents.size()) {
        size_t end = contents.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = contents.size();
        const std::string_view line = TrimView(contents.substr(pos, end - pos));
        if (!line.empty() && line.front() != ';')
            masks.emplace_back(line);
        pos = end;
        if (pos < contents.size() && contents[pos] == '\r')
            ++pos;
        if (pos < contents.size() && contents[pos] == '\n')
            ++pos;
    }
    return masks;
}

int ParseExpiryDate(const std::string& text, const TDateMasks& masks)
{
    TDateParts parts;
    for (const std::string& mask : masks) {
        if (!CanFit(mask))
            continue;
        // The first fitting mask decides, also when its parts do not form a date.
        if (FitMask(text, mask, parts))
            return DayNumberFromParts(parts);
    }
    return 0;
}

int DayNumberFromDate(int year, int month, int day)
{
    return static_cast<int>(DaysFromCivil(year, month, day) + UnixEpochDayNumber);
}

TCalendarDate DateFromDayNumber(int dayNumber)
{
    return CivilFromDays(static_cast<long long>(dayNumber) - UnixEpochDayNumber);
}

std::string IsoDateFromDayNumber(int dayNumber)
{
    if (dayNumber <= 0)
        return {};
    const TCalendarDate date = DateFromDayNumber(dayNumber);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
    return buffer;
}
