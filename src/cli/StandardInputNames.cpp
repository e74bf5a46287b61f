#include "cli/StandardInputNames.h"

#include "base/AsciiText.h"

std::vector<std::string> NamesFromStandardInput(std::string_view text)
{
    std::vector<std::string> names;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        if (const std::string_view name = TrimView(text.substr(pos, end - pos)); !name.empty())
            names.emplace_back(name);
        pos = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return names;
}
