#include "settings/TldGroups.h"

#include "base/AsciiText.h"
#include "base/WholeFile.h"

#include <array>

namespace {

struct TGroupName
{
    std::string_view Name;
    TTldGroups::TGroup Group;
};

constexpr std::array<TGroupName, 6> GroupNames = {{
    {"common", TTldGroups::TGroup::Common},
    {"country-code", TTldGroups::TGroup::CountryCode},
    {"generic", TTldGroups::TGroup::Generic},
    {"sponsored", TTldGroups::TGroup::Sponsored},
    {"idn", TTldGroups::TGroup::Idn},
    {"all", TTldGroups::TGroup::All},
}};

constexpr std::array<std::string_view, 5> KnownTypes = {"generic", "country-code", "sponsored", "generic-restricted",
                                                        "infrastructure"};

// The shipped file holds about 1,400 lines of 20 bytes; anything far beyond is no groups file.
constexpr std::size_t MaxFileBytes = 4 * 1024 * 1024;

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && IsSpaceOrTab(line[at]))
            ++at;
        const std::size_t start = at;
        while (at < line.size() && !IsSpaceOrTab(line[at]))
            ++at;
        if (at > start)
            fields.push_back(line.substr(start, at - start));
    }
    return fields;
}

bool IsTldLabel(std::string_view label)
{
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
        return false;
    for (const char c : label)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'))
            return false;
    return true;
}

} // namespace

TTldGroups TTldGroups::Read(const std::string& path, std::string& problem)
{
    problem.clear();
    const TWholeFile file = ReadWholeFile(path, MaxFileBytes);
    if (!file.Loaded()) {
        problem = "The top-level domain groups are empty: " +
                  (file.Status == TWholeFile::TStatus::Missing ? std::string("the file is missing") : file.Error) +
                  " (" + path + ").";
        return {};
    }
    TTldGroups groups = Parse(file.View(), problem);
    if (!problem.empty())
        problem = "The top-level domain groups are empty: " + problem + " (" + path + ").";
    return groups;
}

TTldGroups TTldGroups::Load(const TShippedData& shipped, std::string& problem)
{
    const std::string path = shipped.FilePath(FileName);
    if (!path.empty())
        return Read(path, problem);
    problem = "The top-level domain groups are empty: " + std::string(FileName) + " is missing.";
    return {};
}

TTldGroups TTldGroups::Parse(std::string_view text, std::string& problem)
{
    problem.clear();
    TTldGroups groups;
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::vector<std::string_view> fields = Fields(line);
        if (fields.empty() || fields.front().starts_with(';'))
            continue;
        // A half-written or foreign file must not tick the wrong names: one bad line spoils it all.
        auto damaged = [&](const std::string& why) {
            problem = "line " + std::to_string(lineNumber) + " " + why;
            return TTldGroups{};
        };
        if (fields.size() < 2 || !IsTldLabel(fields[0]))
            return damaged("is not a top-level domain and its type");
        TEntry entry{std::string(fields[0]), std::string(fields[1])};
        bool knownType = false;
        for (const std::string_view type : KnownTypes)
            knownType = knownType || type == fields[1];
        if (!knownType)
            return damaged("names the unknown type \"" + entry.Type + "\"");
        for (std::size_t mark = 2; mark < fields.size(); ++mark) {
            if (fields[mark] == "idn")
                entry.Idn = true;
            else if (fields[mark] == "common")
                entry.Common = true;
            else
                return damaged("holds the unknown mark \"" + std::string(fields[mark]) + "\"");
        }
        if (!groups.Index.emplace(entry.Tld, groups.Entries.size()).second)
            return damaged("repeats the top-level domain " + entry.Tld);
        groups.Entries.push_back(std::move(entry));
    }
    if (groups.Entries.empty())
        problem = "the file names no top-level domain";
    return groups;
}

std::optional<TTldGroups::TGroup> TTldGroups::GroupNamed(std::string_view name)
{
    for (const TGroupName& known : GroupNames)
        if (EqualsIgnoringCase(known.Name, name))
            return known.Group;
    return std::nullopt;
}

std::string TTldGroups::GroupList()
{
    std::string list;
    for (const TGroupName& known : GroupNames)
        list += (list.empty() ? "@" : ", @") + std::string(known.Name);
    return list;
}

bool TTldGroups::EntryIn(const TEntry& entry, TGroup group)
{
    switch (group) {
    case TGroup::Common:
        return entry.Common;
    case TGroup::CountryCode:
        return entry.Type == "country-code";
    case TGroup::Generic:
        return entry.Type == "generic";
    case TGroup::Sponsored:
        return entry.Type == "sponsored";
    case TGroup::Idn:
        return entry.Idn;
    case TGroup::All:
        return true;
    }
    return false;
}

bool TTldGroups::InGroup(std::string_view tld, TGroup group) const
{
    const auto found = Index.find(LowerAscii(tld));
    return found != Index.end() && EntryIn(Entries[found->second], group);
}

std::vector<std::string> TTldGroups::Members(TGroup group) const
{
    std::vector<std::string> members;
    for (const TEntry& entry : Entries)
        if (EntryIn(entry, group))
            members.push_back(entry.Tld);
    return members;
}
