#pragma once

#include <string>

// One entry of a word list (prefixes, keywords, suffixes, top-level domains): its text and tick.
struct TWordEntry
{
    std::string Text;
    bool Checked = false;

    bool operator==(const TWordEntry&) const = default;
};
