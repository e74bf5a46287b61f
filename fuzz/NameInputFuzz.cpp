// Feeds arbitrary bytes to quarrow-cli's reading of names from standard input. Every name is a
// trimmed, non-empty piece of one line of the input, in input order; names written back one a
// line, with any of the three line ends, read back as the same list.
#include "FuzzSupport.h"

#include "base/AsciiText.h"
#include "cli/StandardInputNames.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string Joined(const std::vector<std::string>& names, std::string_view lineEnd)
{
    std::string text;
    for (const std::string& name : names)
        text.append(name).append(lineEnd);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> names = NamesFromStandardInput(input);

    std::size_t from = 0;
    for (const std::string& name : names) {
        FUZZ_REQUIRE(!name.empty() && name.find_first_of("\r\n") == std::string::npos);
        FUZZ_REQUIRE(TrimView(name).size() == name.size());
        const std::size_t at = input.find(name, from);
        FUZZ_REQUIRE(at != std::string_view::npos);
        from = at + name.size();
    }
    const std::size_t lineEnds = static_cast<std::size_t>(std::count(input.begin(), input.end(), '\n')) +
                                 static_cast<std::size_t>(std::count(input.begin(), input.end(), '\r'));
    FUZZ_REQUIRE(names.size() <= lineEnds + 1);

    for (const std::string_view lineEnd : {"\n", "\r\n", "\r"})
        FUZZ_REQUIRE(NamesFromStandardInput(Joined(names, lineEnd)) == names);
    // The last line needs no line end.
    std::string unterminated = Joined(names, "\n");
    if (!unterminated.empty())
        unterminated.pop_back();
    FUZZ_REQUIRE(NamesFromStandardInput(unterminated) == names);
    return 0;
}
