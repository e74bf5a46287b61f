#pragma once

#include "settings/ShippedData.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The groups of top-level domains that the TLD page's context menu and `quarrow-cli generate
// --tld @GROUP` tick, read from the shipped file tld-groups.txt (written by
// scripts/update-registries from IANA's root-zone data). A line is an A-label, its IANA type and
// the marks "idn" and "common"; ";" starts a comment line.
class TTldGroups
{
public:
    enum class TGroup
    {
        Common,      // the hand-set keys at the top of the shipped table
        CountryCode, // IANA type country-code
        Generic,     // IANA type generic
        Sponsored,   // IANA type sponsored
        Idn,         // internationalised
        All          // every top-level domain of the file
    };

    struct TEntry
    {
        std::string Tld; // A-label
        std::string Type;
        bool Idn = false;
        bool Common = false;
    };

    static constexpr std::string_view FileName = "tld-groups.txt";

    // A missing or damaged file gives no groups; `problem` then holds one line for the user.
    static TTldGroups Read(const std::string& path, std::string& problem);
    // The shipped file (beside the program in a build, in share/quarrow/ installed).
    static TTldGroups Load(const TShippedData& shipped, std::string& problem);
    // The same from a file's text; a damaged line gives no groups and the problem.
    static TTldGroups Parse(std::string_view text, std::string& problem);

    // "country-code" (without the "@") to its group; nothing for a name that is none.
    static std::optional<TGroup> GroupNamed(std::string_view name);
    // "@common, @country-code, ..." for messages and help.
    static std::string GroupList();

    bool Empty() const { return Entries.empty(); }
    const std::vector<TEntry>& All() const { return Entries; }
    // Whether the top-level domain (an A-label, any case) is in the group.
    bool InGroup(std::string_view tld, TGroup group) const;
    // The group's top-level domains (A-labels) in file order.
    std::vector<std::string> Members(TGroup group) const;

private:
    static bool EntryIn(const TEntry& entry, TGroup group);

    std::vector<TEntry> Entries;
    std::unordered_map<std::string, std::size_t> Index; // lower-case A-label to its entry
};
