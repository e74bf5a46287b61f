#pragma once

#include "base/WholeFile.h"
#include "settings/IniLayout.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// A file's content as read once, with the first section of each name found in advance: every
// checked name reads its host's strings, and a large server table must not be read and searched
// again for each of them. Never changed once made, so threads share it without a lock.
class TParsedIniFile
{
public:
    // Without `indexed`, each lookup searches the text: cheaper for a file read for one use.
    TParsedIniFile(TWholeFile file, bool indexed);

    std::string_view View() const { return File.View(); }

    // As IniLayout::FindSection finds it, without the place for new keys (reads need none).
    IniLayout::TSection Find(std::string_view section) const;

private:
    // Kept as places in the text rather than as names of their own: a server table has hundreds
    // of thousands of sections, and one allocation each would cost more than reading the file.
    struct THeader
    {
        std::uint64_t Hash;
        std::size_t NameBegin, NameSize;
        std::size_t BodyBegin, BodyEnd;
    };

    // FNV-1a of the name in lower case.
    static std::uint64_t HashOf(std::string_view name);

    TWholeFile File;
    bool Indexed;
    std::vector<THeader> Headers;
};
