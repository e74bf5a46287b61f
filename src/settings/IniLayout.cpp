#include "settings/IniLayout.h"

#include "base/AsciiText.h"

#include <algorithm>
#include <cstring>

namespace IniLayout {

namespace {

// Whether the header text after a '[' can name `section`: a quick test on its first bytes, so that
// only likely headers are read as whole lines.
bool MayName(std::string_view afterBracket, std::string_view section)
{
    const std::string_view rest =
        afterBracket.substr(std::min(afterBracket.find_first_not_of(" \t"), afterBracket.size()));
    return rest.size() >= section.size() && EqualsIgnoringCase(rest.substr(0, section.size()), section);
}

} // namespace

bool LineAt(std::string_view text, std::size_t pos, TLine& line)
{
    if (pos >= text.size())
        return false;
    std::size_t i = pos;
    while (i < text.size() && text[i] != '\n' && text[i] != '\r')
        ++i;
    line.Begin = pos;
    line.End = i;
    if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        line.Next = i + 2;
    else
        line.Next = i < text.size() ? i + 1 : i;
    return true;
}

std::string_view LineText(std::string_view text, const TLine& line)
{
    return text.substr(line.Begin, line.End - line.Begin);
}

bool HeaderName(std::string_view lineText, std::string_view& name)
{
    const std::string_view trimmed = TrimSpaces(lineText);
    if (trimmed.empty() || trimmed.front() != '[')
        return false;
    std::string_view rest = trimmed.substr(1);
    const std::size_t close = rest.find(']');
    if (close != std::string_view::npos)
        rest = rest.substr(0, close);
    name = TrimSpaces(rest);
    return true;
}

bool KeyName(std::string_view lineText, std::string_view& name, std::size_t& equals)
{
    const std::size_t first = lineText.find_first_not_of(" \t");
    if (first == std::string_view::npos || lineText[first] == ';')
        return false;
    equals = lineText.find('=');
    if (equals == std::string_view::npos)
        return false;
    name = TrimSpaces(lineText.substr(0, equals));
    return true;
}

std::size_t ContentStart(std::string_view text)
{
    // A byte-order mark left by an editor must not hide the first section.
    return text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
}

// It jumps from '[' to '[' rather than walking every line, so that a large server table costs one
// memchr pass: result application looks up a host section on every result.
std::size_t NextHeaderBracket(std::string_view text, std::size_t contentStart, std::size_t pos, std::size_t& lineBegin)
{
    while (pos < text.size()) {
        const void* hit = std::memchr(text.data() + pos, '[', text.size() - pos);
        if (!hit)
            return std::string_view::npos;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        lineBegin = at;
        while (lineBegin > contentStart && IsSpaceOrTab(text[lineBegin - 1]))
            --lineBegin;
        if (lineBegin == contentStart || text[lineBegin - 1] == '\n' || text[lineBegin - 1] == '\r')
            return at;
        pos = at + 1;
    }
    return std::string_view::npos;
}

TSection FindSection(std::string_view text, std::string_view section)
{
    TSection result;
    const std::size_t contentStart = ContentStart(text);
    TLine line;
    std::string_view name;
    std::size_t begin = 0;
    for (std::size_t at = NextHeaderBracket(text, contentStart, contentStart, begin); at != std::string_view::npos;
         at = NextHeaderBracket(text, contentStart, at + 1, begin)) {
        if (!MayName(text.substr(at + 1), section))
            continue;
        LineAt(text, begin, line);
        if (HeaderName(LineText(text, line), name) && EqualsIgnoringCase(name, section)) {
            result.Found = true;
            result.BodyBegin = line.Next;
            result.InsertAt = line.Next;
            break;
        }
    }
    if (!result.Found) {
        result.BodyEnd = text.size();
        return result;
    }
    result.BodyEnd =
        NextHeaderBracket(text, contentStart, result.BodyBegin, begin) != std::string_view::npos ? begin : text.size();
    for (std::size_t pos = result.BodyBegin; pos < result.BodyEnd && LineAt(text, pos, line); pos = line.Next)
        if (!TrimSpaces(LineText(text, line)).empty())
            result.InsertAt = line.Next;
    return result;
}

bool FindKey(std::string_view text, const TSection& section, std::string_view key, TKeyLine& found)
{
    bool matched = false;
    ForEachKey(text, section, [&](const TLine& line, std::string_view name, std::size_t equals) {
        if (!EqualsIgnoringCase(name, key))
            return true;
        found.Line = line;
        found.Equals = line.Begin + equals;
        matched = true;
        return false;
    });
    return matched;
}

// Larger than any configuration file a person keeps, even one with a large server table.
constexpr std::size_t MaxFileBytes = 64u << 20;

TWholeFile LoadText(const std::string& path)
{
    return ReadWholeFile(path, MaxFileBytes);
}

} // namespace IniLayout
