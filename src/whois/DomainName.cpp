#include "whois/DomainName.h"

#include "base/AsciiText.h"

namespace {

constexpr std::size_t MaxNameLength = 253;
constexpr std::size_t MaxLabelLength = 63;

} // namespace

std::string DomainNameProblem(std::string_view name)
{
    if (name.size() > MaxNameLength)
        return "The name is longer than " + std::to_string(MaxNameLength) + " characters.";
    for (char c : name)
        if (IsBlankOrControl(c) || c == '\x7f')
            return "The name contains a blank or a control character.";
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = name.find('.', start);
        const std::string_view label = name.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (label.empty())
            return "The name has an empty label.";
        if (label.front() == '-' || label.back() == '-')
            return "A label of the name starts or ends with \"-\".";
        if (label.size() > MaxLabelLength)
            return "A label of the name is longer than " + std::to_string(MaxLabelLength) + " characters.";
        if (dot == std::string_view::npos)
            return {};
        start = dot + 1;
    }
}
