#pragma once

#include "settings/ConfigKeys.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One value of a batch write.
struct TIniValue
{
    std::string Section;
    std::string Key;
    std::string Value;
};

// Access to one INI-style configuration file. Reads share one parsed copy of the file per path,
// across instances and threads, and read the file again only when its size, modification time
// or inode has changed (or it changed too recently to tell); every write replaces the whole file
// atomically (temporary file in the same folder, then rename), so a reader in another thread never
// sees half a file, and the next read sees the write. Section and key names compare without
// regard to ASCII case. Text is handled as bytes.
class TIniFile
{
public:
    explicit TIniFile(std::string path);

    const std::string& FileName() const { return Path; }

    // Trimmed value, one pair of matching quotes removed, at most 2047 characters; the default
    // when the file, section or key is missing.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // The values of several keys of one section, read with one parse of the file; a missing
    // section or key gives an empty value. False when the file exists but cannot be read (a folder,
    // a FIFO, no permission): unlike the reads above, that is not taken for "no such key".
    bool ReadStrings(const std::string& section, const std::vector<std::string_view>& keys,
                     std::vector<std::string>& values) const;
    // Decimal, or hexadecimal after "0x"/"0X" (at least three characters); the default otherwise.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    // true, yes, y, on and false, no, n, off in any case; else read as an integer with default 1 or
    // 0, any non-zero number being true.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    // Key names of a section in file order (empty when the section or file is missing).
    std::vector<std::string> ReadSection(const std::string& section) const;
    bool SectionExists(const std::string& section) const;
    // The keys ReadSection lists, each with the value ReadString gives it, from one read of the file.
    std::vector<std::pair<std::string, std::string>> ReadSectionValues(const std::string& section) const;

    // Writes throw TQuarrowError("Unable to write to <path>") when the file cannot be replaced, and
    // for names that could not be read back: a key with '=' or starting with ';' or '[', a section
    // with ']', either with a line break. A symbolic link at the path is written through.
    void WriteString(const std::string& section, const std::string& key, const std::string& value) const;
    void WriteInteger(const std::string& section, const std::string& key, int value) const;
    void WriteBool(const std::string& section, const std::string& key, bool value) const;
    void DeleteKey(const std::string& section, const std::string& key) const;
    // The same result as calling WriteString for each value in turn, but the file is read and
    // replaced once: either every value lands or, when the write fails, none does.
    void WriteValues(const std::vector<TIniValue>& values) const;

    // The same reads and writes for an entry of the configuration file's key table.
    std::string Read(const TStringKey& key) const;
    int Read(const TIntegerKey& key) const;
    bool Read(const TBoolKey& key) const;
    void Write(const TStringKey& key, const std::string& value) const;
    void Write(const TIntegerKey& key, int value) const;
    void Write(const TBoolKey& key, bool value) const;

    // Longest value a read returns; longer values are cut.
    static constexpr std::size_t MaxValueLength = 2047;
    // Room for the names of ReadSection, each counted with one terminating byte.
    static constexpr std::size_t MaxSectionListBytes = 16384;

private:
    std::string Path;
};
