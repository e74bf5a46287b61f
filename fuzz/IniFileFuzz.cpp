// Feeds arbitrary bytes to the configuration file as its content, then writes a section, key and
// value taken from the input. Reads must stay within their limits whatever the file holds; a write
// either is refused and leaves the file alone, or reads back (with the reading rules applied to the
// value) and leaves every other key's value as it was. The file is given a time long past, so
// that the reads before the write use the kept copy with its table of sections and those after it
// search the file as written: both ways must find the same sections.
#include "FuzzSupport.h"

#include "base/AsciiText.h"
#include "base/QuarrowError.h"
#include "base/WholeFile.h"
#include "settings/IniFile.h"

#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace {

// A value can never hold a line break, so no read returns this as a found value.
const std::string Missing = "\n";

std::string FileBytes(const std::string& path)
{
    const TWholeFile file = ReadWholeFile(path, 1u << 24);
    return std::string(file.View());
}

// What a read returns for a value written as `value`.
std::string AsRead(std::string_view written)
{
    const std::string value = BlankedLineBreaks(written);
    std::string_view view = TrimSpaces(value);
    if (view.size() >= 2 && (view.front() == '"' || view.front() == '\'') && view.back() == view.front())
        view = view.substr(1, view.size() - 2);
    return std::string(view.substr(0, TIniFile::MaxValueLength));
}

// Every key of the given sections with the value a read gives, keyed by lower-case section and key.
using TSnapshot = std::map<std::pair<std::string, std::string>, std::string>;

TSnapshot Snapshot(const TIniFile& ini, const std::vector<std::string>& sections)
{
    TSnapshot values;
    for (const std::string& section : sections) {
        std::size_t listed = 0;
        for (const std::string& key : ini.ReadSection(section)) {
            FUZZ_REQUIRE(!key.empty() && key.find_first_of("\r\n=") == std::string::npos);
            FUZZ_REQUIRE(TrimSpaces(key).size() == key.size());
            listed += key.size() + 1;
            const std::string value = ini.ReadString(section, key, Missing);
            FUZZ_REQUIRE(value != Missing); // a listed key is found by its name
            FUZZ_REQUIRE(value.size() <= TIniFile::MaxValueLength);
            FUZZ_REQUIRE(value.find_first_of("\r\n") == std::string::npos);
            values.emplace(std::make_pair(LowerAscii(TrimSpaces(section)), LowerAscii(key)), value);
        }
        FUZZ_REQUIRE(listed <= TIniFile::MaxSectionListBytes);
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string_view> fields =
        SplitFields(std::string_view(reinterpret_cast<const char*>(data), size), 5);
    const std::string content(fields[0]);
    const std::string section(fields.size() > 1 ? fields[1] : "Pref");
    const std::string key(fields.size() > 2 ? fields[2] : "Pause");
    const std::string value(fields.size() > 3 ? fields[3] : "500");
    int number = 0;
    for (const char c : fields.size() > 4 ? fields[4] : std::string_view("-7"))
        number = static_cast<int>(static_cast<unsigned>(number) * 31u + static_cast<unsigned char>(c));

    const std::string path = ScratchFolder() + "/mvwhois.ini";
    WriteScratchFile(path, content);
    // A time of its own for each input: the same size and time as the last one would read as the
    // same file.
    static std::time_t quietTime = std::time(nullptr) - 3600;
    const timespec times[2] = {{0, UTIME_OMIT}, {--quietTime, 0}};
    FUZZ_REQUIRE(::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0);
    const TIniFile ini(path);

    const std::vector<std::string> sections = {section, "TLD", "Pref"};
    const TSnapshot before = Snapshot(ini, sections);
    (void)ini.ReadInteger(section, key, 0);

    try {
        ini.WriteString(section, key, value);
    } catch (const TQuarrowError&) {
        FUZZ_REQUIRE(FileBytes(path) == content); // a refused write changes nothing
        return 0;
    }
    FUZZ_REQUIRE(ini.ReadString(section, key, Missing) == AsRead(value));
    const std::string keyId = LowerAscii(TrimSpaces(key));
    const std::string sectionId = LowerAscii(TrimSpaces(section));
    TSnapshot after = Snapshot(ini, sections);
    for (const auto& [id, old] : before) {
        if (id.first == sectionId && id.second == keyId)
            continue;
        const auto now = after.find(id);
        FUZZ_REQUIRE(now != after.end() && now->second == old);
    }

    ini.WriteInteger(section, key, number);
    FUZZ_REQUIRE(ini.ReadInteger(section, key, number == 0 ? 1 : 0) == number);
    ini.WriteBool(section, key, (number & 1) != 0);
    FUZZ_REQUIRE(ini.ReadBool(section, key, (number & 1) == 0) == ((number & 1) != 0));

    // Deleting the key takes exactly its first line out of the section's listing (checked where
    // the listing cannot have reached its size limit).
    const std::vector<std::string> keys = ini.ReadSection(section);
    ini.DeleteKey(section, key);
    if (TrimSpaces(key).empty() || FileBytes(path).size() >= TIniFile::MaxSectionListBytes)
        return 0;
    std::vector<std::string> expected;
    bool removed = false;
    for (const std::string& name : keys) {
        if (!removed && EqualsIgnoringCase(name, TrimSpaces(key)))
            removed = true;
        else
            expected.push_back(name);
    }
    FUZZ_REQUIRE(removed);
    FUZZ_REQUIRE(ini.ReadSection(section) == expected);
    return 0;
}
