// Feeds arbitrary bytes to quarrow-cli's reading of names from standard input and to the name
// check that keeps a name from being queried. Every name is a trimmed, non-empty piece of one line
// of the input, in input order; names written back one a line, with any of the three line ends,
// read back as the same list. A plain name (ASCII, no "xn--" label) passes the check exactly when
// DNS could hold it and it is one word: at most 253 bytes, labels of 1 to 63 bytes that neither
// start nor end with "-" nor hold "--" as their third and fourth byte (kept for encodings such as
// "xn--"), no blank or control byte; it is asked as it stands. Any other name passes only when the
// form it is asked in, its A-labels, is such a name in lower-case letters, digits and "-", and
// that form reads back as itself, also from the name's U-labels.
#include "FuzzSupport.h"

#include "base/AsciiText.h"
#include "cli/StandardInputNames.h"
#include "models/IdnaName.h"

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

bool QueryableName(std::string_view name)
{
    if (name.size() > 253)
        return false;
    for (const char c : name)
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f')
            return false;
    std::size_t labelStart = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != '.')
            continue;
        const std::string_view label = name.substr(labelStart, i - labelStart);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-' ||
            (label.size() >= 4 && label[2] == '-' && label[3] == '-' && LowerAscii(label.substr(0, 2)) != "xn"))
            return false;
        labelStart = i + 1;
    }
    return true;
}

bool LowerLdh(std::string_view name)
{
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'; });
}

void CheckName(std::string_view name)
{
    const TIdnaName checked = TIdnaName::Of(name);
    const std::string& problem = checked.Problem;
    // The reason is shown as one line of the check's record.
    FUZZ_REQUIRE(problem.size() < 120 && problem.find_first_of("\r\n") == std::string::npos);
    FUZZ_REQUIRE(problem.empty() != checked.Ace.empty());
    if (!TIdnaName::NeedsIdna(name)) {
        FUZZ_REQUIRE(problem.empty() == QueryableName(name));
        FUZZ_REQUIRE(problem.empty() ? checked.Ace == name : true);
        return;
    }
    if (!problem.empty())
        return;
    FUZZ_REQUIRE(QueryableName(checked.Ace) && LowerLdh(checked.Ace));
    const TIdnaName again = TIdnaName::Of(checked.Ace);
    FUZZ_REQUIRE(again.Problem.empty() && again.Ace == checked.Ace);
    const TIdnaName fromUnicode = TIdnaName::Of(checked.Unicode);
    FUZZ_REQUIRE(fromUnicode.Problem.empty() && fromUnicode.Ace == checked.Ace);
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
        CheckName(name);
    }
    CheckName(input);
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
