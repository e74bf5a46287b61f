#include "whois/ResponseText.h"

#include "config/IniFile.h"

#include <array>

namespace {

// Calls `visit` with every line of `text` under the SplitLines rules, without copying the lines;
// the readers below scan a whole answer per call and have no use for a line list.
template <typename TVisit> void ForEachLine(std::string_view text, TVisit visit)
{
    text = text.substr(0, text.find('\0'));
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            visit(text.substr(pos));
            return;
        }
        if (!visit(text.substr(pos, end - pos)))
            return;
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
    }
}

// First position (1-based) of the last name in list order that occurs in the line.
template <std::size_t N>
bool FindLastListedName(std::string_view upperLine, const std::array<std::string_view, N>& names, int& position)
{
    bool found = false;
    for (std::string_view name : names) {
        const std::size_t at = upperLine.find(name);
        if (at != std::string_view::npos) {
            position = static_cast<int>(at) + 1;
            found = true;
        }
    }
    return found;
}

constexpr std::array<std::string_view, 7> ShortDayNames = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
constexpr std::array<std::string_view, 7> LongDayNames = {"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                                                          "THURSDAY", "FRIDAY", "SATURDAY"};
constexpr std::array<std::string_view, 12> ShortMonthNames = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                              "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

} // namespace

void SplitLines(std::string_view text, std::vector<std::string>& lines)
{
    lines.clear();
    ForEachLine(text, [&lines](std::string_view line) {
        lines.emplace_back(line);
        return true;
    });
}

std::string StrAfter(std::string_view label, std::string_view text)
{
    if (label.empty() || label.size() > text.size())
        return {};
    for (std::size_t start = 0; start + label.size() <= text.size(); ++start) {
        std::size_t i = 0;
        while (i < label.size() && UpperAscii(text[start + i]) == UpperAscii(label[i]))
            ++i;
        if (i == label.size())
            return std::string(text.substr(start + label.size()));
    }
    return {};
}

std::string ValueAfterLastLabel(std::string_view label, std::string_view answer)
{
    if (Trim(label).empty())
        return {};
    std::string_view lastMatch;
    bool matched = false;
    ForEachLine(answer, [&](std::string_view line) {
        if (line.find(label) != std::string_view::npos) {
            lastMatch = line;
            matched = true;
        }
        return true;
    });
    // Only the last matching line decides, so the value is cut from that one alone.
    return matched ? Trim(StrAfter(label, lastMatch)) : std::string();
}

bool ExtractLabelledValue(const std::string& key, const std::string& answer, const std::string& host,
                          std::string& value, const std::string& iniPath)
{
    value.clear();
    std::vector<std::string> labels;
    if (!TIniFile(iniPath).ReadStrings(host, {key}, labels))
        return false;
    value = ValueAfterLastLabel(labels[0], answer);
    return true;
}

void FindExpiryDate(const std::string& answer, std::string& text)
{
    text.clear();
    ForEachLine(answer, [&text](std::string_view line) {
        const std::string upper = UpperAscii(line);
        if (upper.find("EXPIR") == std::string::npos)
            return true;
        // A line that holds none of the marks gives nothing, however long it is.
        constexpr int NotFound = 0;
        int start = NotFound;
        int position = 0;
        const auto consider = [&start](int candidate) {
            if (start == NotFound || candidate < start)
                start = candidate;
        };
        if (FindShortDayName(upper, position))
            consider(position);
        if (FindLongDayName(upper, position))
            consider(position);
        if (FindFirstDigit(upper, position))
            consider(position);
        if (FindShortMonthName(upper, position))
            consider(position);
        if (start != NotFound)
            text.assign(line.substr(static_cast<std::size_t>(start - 1)));
        return text.empty();
    });
}

bool FindShortDayName(std::string_view upperLine, int& position)
{
    return FindLastListedName(upperLine, ShortDayNames, position);
}

bool FindLongDayName(std::string_view upperLine, int& position)
{
    return FindLastListedName(upperLine, LongDayNames, position);
}

bool FindShortMonthName(std::string_view upperLine, int& position)
{
    return FindLastListedName(upperLine, ShortMonthNames, position);
}

bool FindFirstDigit(std::string_view upperLine, int& position)
{
    const std::size_t at = upperLine.find_first_of("0123456789");
    if (at == std::string_view::npos)
        return false;
    position = static_cast<int>(at) + 1;
    return true;
}
