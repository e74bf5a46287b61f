#include "base/AsciiText.h"

namespace {

template <typename TIsBlank> std::string_view TrimWith(std::string_view text, TIsBlank isBlank)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

} // namespace

std::string LowerAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = LowerAscii(c);
    return result;
}

std::string UpperAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = UpperAscii(c);
    return result;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

std::string_view TrimSpaces(std::string_view text)
{
    return TrimWith(text, IsSpaceOrTab);
}

std::string_view TrimView(std::string_view text)
{
    return TrimWith(text, IsBlankOrControl);
}

std::string Trim(std::string_view text)
{
    return std::string(TrimView(text));
}

std::string ReplaceAll(std::string_view source, std::string_view pattern, std::string_view replacement)
{
    if (pattern.empty())
        return std::string(source);
    std::string result;
    result.reserve(source.size());
    std::size_t pos = 0;
    for (std::size_t found = source.find(pattern); found != std::string_view::npos; found = source.find(pattern, pos)) {
        result.append(source.substr(pos, found - pos));
        result.append(replacement);
        pos = found + pattern.size();
    }
    result.append(source.substr(pos));
    return result;
}
