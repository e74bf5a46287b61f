#include "settings/ParsedIniFile.h"

#include "base/AsciiText.h"

#include <algorithm>
#include <utility>

using namespace IniLayout;

TParsedIniFile::TParsedIniFile(TWholeFile file, bool indexed) : File(std::move(file)), Indexed(indexed)
{
    if (!Indexed)
        return;
    const std::string_view text = File.View();
    const std::size_t contentStart = ContentStart(text);
    std::size_t begin = 0;
    TLine line;
    std::string_view name;
    for (std::size_t at = NextHeaderBracket(text, contentStart, contentStart, begin); at != std::string_view::npos;
         at = NextHeaderBracket(text, contentStart, at + 1, begin)) {
        if (!Headers.empty())
            Headers.back().BodyEnd = begin;
        LineAt(text, begin, line);
        HeaderName(LineText(text, line), name);
        Headers.push_back(
            {HashOf(name), static_cast<std::size_t>(name.data() - text.data()), name.size(), line.Next, text.size()});
    }
    // By hash, and in file order among equal hashes: the first section of a name comes first.
    std::stable_sort(Headers.begin(), Headers.end(),
                     [](const THeader& a, const THeader& b) { return a.Hash < b.Hash; });
}

TSection TParsedIniFile::Find(std::string_view section) const
{
    if (!Indexed)
        return FindSection(File.View(), section);
    const std::uint64_t hash = HashOf(section);
    TSection result;
    result.BodyEnd = File.Size;
    for (auto it = std::lower_bound(Headers.begin(), Headers.end(), hash,
                                    [](const THeader&header, std::uint64_t value) { return header.Hash < value; });
         it != Headers.end() && it->Hash == hash; ++it) {
        if (EqualsIgnoringCase(File.View().substr(it->NameBegin, it->NameSize), section)) {
            result.Found = true;
            result.BodyBegin = it->BodyBegin;
            result.BodyEnd = it->BodyEnd;
            break;
        }
    }
    return result;
}

std::uint64_t TParsedIniFile::HashOf(std::string_view name)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(LowerAscii(c));
        hash *= 1099511628211ull;
    }
    return hash;
}
