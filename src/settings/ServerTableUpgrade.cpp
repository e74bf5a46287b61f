#include "settings/ServerTableUpgrade.h"

#include "base/AsciiText.h"
#include "base/QuarrowError.h"
#include "base/WholeFile.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"

#include <cstdint>
#include <cstdio>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// The shipped table is a few hundred kilobytes; the user's may have grown, but not this far.
constexpr std::size_t MaxTableBytes = 64 * 1024 * 1024;

// Stands for "no such key": no value read from a file can hold this byte sequence's first byte.
const std::string Missing("\x01missing", 8);

// Section names in file order, as the INI reader finds them: a line that starts with '[' (after
// blanks) names the section up to its ']'.
std::vector<std::string> SectionNames(std::string_view text)
{
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = TrimView(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.size() < 2 || line.front() != '[')
            continue;
        const std::size_t close = line.find(']');
        if (close == std::string_view::npos)
            continue;
        std::string name(TrimView(line.substr(1, close - 1)));
        if (!name.empty() && seen.insert(UpperAscii(name)).second)
            names.push_back(std::move(name));
    }
    return names;
}

} // namespace

std::string TServerTableGain::Message() const
{
    if (!Error.empty())
        return "The server table could not take the new entries of the shipped one: " + Error;
    if (!Gained())
        return {};
    const auto count = [](int n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); };
    std::string text = "The server table gained " + count(TopLevelDomains, "top-level domain");
    if (Hosts > 0)
        text += " and response strings for " + count(Hosts, "host");
    return text + " from the shipped table; your own entries were kept.";
}

TServerTableUpgrade::TServerTableUpgrade(std::string userFile, std::string shippedFile)
    : UserFile(std::move(userFile)), ShippedFile(std::move(shippedFile))
{
}

std::string TServerTableUpgrade::Stamp(const std::string& path)
{
    const TWholeFile file = ReadWholeFile(path, MaxTableBytes);
    if (!file.Loaded())
        return {};
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : file.View()) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

TServerTableGain TServerTableUpgrade::Run() const
{
    TServerTableGain gain;
    const TWholeFile shipped = ReadWholeFile(ShippedFile, MaxTableBytes);
    const std::string stamp = Stamp(ShippedFile);
    if (!shipped.Loaded() || stamp.empty())
        return gain;
    const TIniFile user(UserFile);
    if (user.Read(ConfigKeys::ServerTableStamp) == stamp)
        return gain;

    const TIniFile table(ShippedFile);
    std::vector<TIniValue> additions;
    for (const std::string& section : SectionNames(shipped.View())) {
        std::set<std::string> held;
        for (const std::string& key : user.ReadSection(section))
            held.insert(UpperAscii(key));
        int added = 0;
        for (auto& [key, value] : table.ReadSectionValues(section)) {
            // The key list of a section is bounded; a key beyond it is asked for by name.
            if (!held.insert(UpperAscii(key)).second || user.ReadString(section, key, Missing) != Missing)
                continue;
            additions.push_back({section, key, std::move(value)});
            ++added;
        }
        if (added == 0)
            continue;
        if (EqualsIgnoringCase(section, "TLD"))
            gain.TopLevelDomains += added;
        else
            ++gain.Hosts;
    }
    additions.push_back(
        {std::string(ConfigKeys::ServerTableStamp.Section), std::string(ConfigKeys::ServerTableStamp.Key), stamp});
    try {
        user.WriteValues(additions);
    } catch (const TQuarrowError& error) {
        return TServerTableGain{.Error = error.what()};
    }
    return gain;
}
