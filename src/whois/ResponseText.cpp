#include "whois/ResponseText.h"

#include "base/Utf8.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"

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

namespace {

bool HasHighBytes(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The label part of a "Label: value" line: at most three words of letters (hyphens, underscores
// and slashes inside), then a colon followed by a blank or the line's end. Returns the position
// after the colon, or npos.
std::size_t AfterLeadingLabel(std::string_view trimmed)
{
    constexpr std::size_t MaxLabelBytes = 40;
    constexpr int MaxWords = 3;
    const std::size_t colon = trimmed.find(':');
    if (colon == 0 || colon == std::string_view::npos || colon > MaxLabelBytes)
        return std::string_view::npos;
    if (colon + 1 < trimmed.size() && !IsSpaceOrTab(trimmed[colon + 1]))
        return std::string_view::npos;
    int words = 0;
    bool inWord = false;
    for (const char c : trimmed.substr(0, colon)) {
        if (c == ' ') {
            inWord = false;
            continue;
        }
        if (!IsAsciiLetter(c) && !(inWord && (c == '-' || c == '_' || c == '/')))
            return std::string_view::npos;
        if (!inWord && ++words > MaxWords)
            return std::string_view::npos;
        inWord = true;
    }
    return colon + 1;
}

// A line under an empty label is its value only when it looks like one: registrar names and
// dates start with a letter or digit, comments and footers ("%", ">>>", "--") do not, and a
// "Label: value" line is the next field, not this one's value.
bool ReadsAsValue(std::string_view trimmed)
{
    if (trimmed.empty())
        return false;
    const char first = trimmed.front();
    if (!IsAsciiLetter(first) && !IsAsciiDigit(first) && static_cast<unsigned char>(first) < 0x80)
        return false;
    return AfterLeadingLabel(trimmed) == std::string_view::npos;
}

std::vector<std::string_view> LineViews(std::string_view answer)
{
    std::vector<std::string_view> lines;
    ForEachLine(answer, [&lines](std::string_view line) {
        lines.push_back(line);
        return true;
    });
    return lines;
}

std::string ShownValue(std::string_view value)
{
    return Utf8OrLatin1(Trim(value));
}

std::string ValueInBlock(std::string_view block, std::string_view sub, std::string_view answer)
{
    const std::vector<std::string_view> lines = LineViews(answer);
    std::string value;
    for (std::size_t header = 0; header < lines.size(); ++header) {
        if (TrimView(lines[header]) != block)
            continue;
        // Registries indent a block's fields (.it, .eu) or not (.ee); a blank line ends it.
        for (std::size_t i = header + 1; i < lines.size() && !TrimView(lines[i]).empty(); ++i) {
            if (lines[i].find(sub) != std::string_view::npos) {
                if (std::string found = Trim(StrAfter(sub, lines[i])); !found.empty())
                    value = std::move(found);
                break;
            }
        }
    }
    return value;
}

} // namespace

bool SplitBlockLabel(std::string_view label, std::string_view& block, std::string_view& sub)
{
    const std::size_t bar = label.find(ConfigKeys::SubLabelSeparator);
    if (bar == std::string_view::npos)
        return false;
    const std::string_view blockPart = TrimView(label.substr(0, bar));
    const std::string_view subPart = TrimView(label.substr(bar + 1));
    if (blockPart.empty() || subPart.empty())
        return false;
    block = blockPart;
    sub = subPart;
    return true;
}

std::string TextInAnswerEncoding(std::string_view text, std::string_view answer)
{
    if (!HasHighBytes(text))
        return std::string(text);
    return TextInEncoding(text, IsValidUtf8(answer));
}

std::string TextInEncoding(std::string_view text, bool answerIsUtf8)
{
    if (!HasHighBytes(text))
        return std::string(text);
    if (answerIsUtf8)
        return Utf8OrLatin1(text);
    std::string latin1;
    if (Latin1FromUtf8(text, latin1))
        return latin1;
    return std::string(text);
}

std::vector<std::string_view> SplitTexts(std::string_view value)
{
    std::vector<std::string_view> texts;
    // One text is taken whole: a quoted value may end with a blank that belongs to it.
    if (value.find(ConfigKeys::TextSeparator) == std::string_view::npos) {
        if (!TrimView(value).empty())
            texts.push_back(value);
        return texts;
    }
    while (!value.empty()) {
        const std::size_t bar = value.find(ConfigKeys::TextSeparator);
        if (const std::string_view text = TrimView(value.substr(0, bar)); !text.empty())
            texts.push_back(text);
        value = bar == std::string_view::npos ? std::string_view() : value.substr(bar + 1);
    }
    return texts;
}

std::string ValueOfFirstLabel(std::string_view labels, std::string_view answer)
{
    for (const std::string_view label : SplitTexts(labels))
        if (std::string value = ValueAfterLastLabel(label, answer); !value.empty())
            return value;
    return {};
}

std::string ValueAfterLastLabel(std::string_view rawLabel, std::string_view answer)
{
    if (Trim(rawLabel).empty())
        return {};
    // The lines end at the first NUL, so the label's encoding is judged on those lines alone:
    // bytes past it that are not UTF-8 would otherwise turn a UTF-8 answer into a Latin-1 one and
    // make a label miss the line that holds it.
    answer = answer.substr(0, answer.find('\0'));
    const std::string label = TextInAnswerEncoding(rawLabel, answer);
    std::string_view block;
    std::string_view sub;
    if (SplitBlockLabel(label, block, sub))
        return ShownValue(ValueInBlock(block, sub, answer));

    std::string_view lastMatch;
    std::string_view nextValue;
    bool matched = false;
    bool wantNext = false;
    ForEachLine(answer, [&](std::string_view line) {
        if (line.find(label) != std::string_view::npos) {
            lastMatch = line;
            matched = true;
            nextValue = {};
            // Only the last matching line decides, so the value is cut from that one alone; when
            // its rest is empty, the line after it may hold the value.
            wantNext = TrimView(StrAfter(label, line)).empty();
        } else if (wantNext && !TrimView(line).empty()) {
            wantNext = false;
            if (ReadsAsValue(TrimView(line)))
                nextValue = line;
        }
        return true;
    });
    if (!matched)
        return {};
    std::string value = Trim(StrAfter(label, lastMatch));
    return value.empty() ? ShownValue(nextValue) : ShownValue(value);
}

bool ExtractLabelledValue(const std::string& key, const std::string& answer, const std::string& host,
                          std::string& value, const std::string& iniPath)
{
    value.clear();
    std::vector<std::string> labels;
    if (!TIniFile(iniPath).ReadStrings(host, {key}, labels))
        return false;
    value = ValueOfFirstLabel(labels[0], answer);
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
