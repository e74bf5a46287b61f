#include "settings/IniFile.h"

#include "base/AsciiText.h"
#include "base/AtomicFileWriter.h"
#include "base/NumberText.h"
#include "base/QuarrowError.h"
#include "base/WholeFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <tuple>
#include <unordered_map>
#include <utility>

// File layout as read here: lines end at LF, CR LF or a lone CR. A line whose first non-blank
// character is '[' opens a section named by the text up to ']' (or up to the end of the line when
// the ']' is missing, so that the keys below it never count towards the section above). A line whose
// first non-blank character is ';' is a comment. Any other line with an '=' is a key; lines without
// one are ignored. The first occurrence of a section, and of a key inside it, is the one that counts,
// for reads and writes alike. A write changes only the bytes of the line it touches (or the lines it
// adds), so comments, odd lines and line ends elsewhere in the file survive byte for byte.

namespace {

struct TLine
{
    std::size_t Begin = 0; // first byte of the line
    std::size_t End = 0;   // one past the last byte before the line break
    std::size_t Next = 0;  // first byte of the following line
};

struct TKeyLine
{
    TLine Line;
    std::size_t Equals = 0; // position of the '=' that ends the key name
};

struct TSection
{
    bool Found = false;
    std::size_t BodyBegin = 0; // first line after the header
    std::size_t BodyEnd = 0;   // start of the next header, or the end of the text
    std::size_t InsertAt = 0;  // just after the last non-blank line of the section (header included)
};

// The line starting at pos; false at the end of the text.
bool LineAt(std::string_view text, std::size_t pos, TLine& line)
{
    if (pos >= text.size())
        return false;
    std::size_t i = pos;
    while (i < text.size() && text[i] != '\n' && text[i] != '\r')
        ++i;
    line.Begin = pos;
    line.End = i;
    if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        line.Next = i + 2;
    else
        line.Next = i < text.size() ? i + 1 : i;
    return true;
}

std::string_view LineText(std::string_view text, const TLine& line)
{
    return text.substr(line.Begin, line.End - line.Begin);
}

// Name of the section a header line opens; false when the line is not a header.
bool HeaderName(std::string_view lineText, std::string_view& name)
{
    const std::string_view trimmed = TrimSpaces(lineText);
    if (trimmed.empty() || trimmed.front() != '[')
        return false;
    std::string_view rest = trimmed.substr(1);
    const std::size_t close = rest.find(']');
    if (close != std::string_view::npos)
        rest = rest.substr(0, close);
    name = TrimSpaces(rest);
    return true;
}

// Key name of a key line; false for comments and lines without '='.
bool KeyName(std::string_view lineText, std::string_view& name, std::size_t& equals)
{
    const std::size_t first = lineText.find_first_not_of(" \t");
    if (first == std::string_view::npos || lineText[first] == ';')
        return false;
    equals = lineText.find('=');
    if (equals == std::string_view::npos)
        return false;
    name = TrimSpaces(lineText.substr(0, equals));
    return true;
}

std::size_t ContentStart(std::string_view text)
{
    // A byte-order mark left by an editor must not hide the first section.
    return text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
}

// Position of the next '[' at or after `pos` that opens a header line (only spaces and tabs
// before it on its line), with `lineBegin` set to its line's first byte; npos when there is none.
// It jumps from '[' to '[' rather than walking every line, so that a large server table costs one
// memchr pass: result application looks up a host section on every result.
std::size_t NextHeaderBracket(std::string_view text, std::size_t contentStart, std::size_t pos, std::size_t& lineBegin)
{
    while (pos < text.size()) {
        const void* hit = std::memchr(text.data() + pos, '[', text.size() - pos);
        if (!hit)
            return std::string_view::npos;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        lineBegin = at;
        while (lineBegin > contentStart && IsSpaceOrTab(text[lineBegin - 1]))
            --lineBegin;
        if (lineBegin == contentStart || text[lineBegin - 1] == '\n' || text[lineBegin - 1] == '\r')
            return at;
        pos = at + 1;
    }
    return std::string_view::npos;
}

// Whether the header text after a '[' can name `section`: a quick test on its first bytes, so that
// only likely headers are read as whole lines.
bool MayName(std::string_view afterBracket, std::string_view section)
{
    const std::string_view rest =
        afterBracket.substr(std::min(afterBracket.find_first_not_of(" \t"), afterBracket.size()));
    return rest.size() >= section.size() && EqualsIgnoringCase(rest.substr(0, section.size()), section);
}

TSection FindSection(std::string_view text, std::string_view section)
{
    TSection result;
    const std::size_t contentStart = ContentStart(text);
    TLine line;
    std::string_view name;
    std::size_t begin = 0;
    for (std::size_t at = NextHeaderBracket(text, contentStart, contentStart, begin); at != std::string_view::npos;
         at = NextHeaderBracket(text, contentStart, at + 1, begin)) {
        if (!MayName(text.substr(at + 1), section))
            continue;
        LineAt(text, begin, line);
        if (HeaderName(LineText(text, line), name) && EqualsIgnoringCase(name, section)) {
            result.Found = true;
            result.BodyBegin = line.Next;
            result.InsertAt = line.Next;
            break;
        }
    }
    if (!result.Found) {
        result.BodyEnd = text.size();
        return result;
    }
    result.BodyEnd =
        NextHeaderBracket(text, contentStart, result.BodyBegin, begin) != std::string_view::npos ? begin : text.size();
    for (std::size_t pos = result.BodyBegin; pos < result.BodyEnd && LineAt(text, pos, line); pos = line.Next)
        if (!TrimSpaces(LineText(text, line)).empty())
            result.InsertAt = line.Next;
    return result;
}

// Calls `visit(line, name, equals)` for every key line of a found section, in file order, until
// it returns false.
template <typename TVisit> void ForEachKey(std::string_view text, const TSection& section, TVisit visit)
{
    TLine line;
    std::size_t pos = section.BodyBegin;
    while (pos < section.BodyEnd && LineAt(text, pos, line)) {
        pos = line.Next;
        std::string_view name;
        std::size_t equals = 0;
        if (KeyName(LineText(text, line), name, equals) && !visit(line, name, equals))
            return;
    }
}

bool FindKey(std::string_view text, const TSection& section, std::string_view key, TKeyLine& found)
{
    bool matched = false;
    ForEachKey(text, section, [&](const TLine& line, std::string_view name, std::size_t equals) {
        if (!EqualsIgnoringCase(name, key))
            return true;
        found.Line = line;
        found.Equals = line.Begin + equals;
        matched = true;
        return false;
    });
    return matched;
}

// Larger than any configuration file a person keeps, even one with a large server table.
constexpr std::size_t MaxFileBytes = 64u << 20;

TWholeFile LoadFile(const std::string& path)
{
    return ReadWholeFile(path, MaxFileBytes);
}

// A file's content as read once, with the first section of each name found in advance: every
// checked name reads its host's strings, and a large server table must not be read and searched
// again for each of them. Never changed once made, so threads share it without a lock.
class TParsedFile
{
public:
    // Without `indexed`, each lookup searches the text: cheaper for a file read for one use.
    TParsedFile(TWholeFile file, bool indexed) : File(std::move(file)), Indexed(indexed)
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
            Headers.push_back({HashOf(name), static_cast<std::size_t>(name.data() - text.data()), name.size(),
                               line.Next, text.size()});
        }
        // By hash, and in file order among equal hashes: the first section of a name comes first.
        std::stable_sort(Headers.begin(), Headers.end(),
                         [](const THeader& a, const THeader& b) { return a.Hash < b.Hash; });
    }

    std::string_view View() const { return File.View(); }

    // As FindSection finds it, without the place for new keys (reads need none).
    TSection Find(std::string_view section) const
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
    static std::uint64_t HashOf(std::string_view name)
    {
        std::uint64_t hash = 14695981039346656037ull;
        for (const char c : name) {
            hash ^= static_cast<unsigned char>(LowerAscii(c));
            hash *= 1099511628211ull;
        }
        return hash;
    }

    TWholeFile File;
    bool Indexed;
    std::vector<THeader> Headers;
};

// What a read works on: the parsed file, or why there is none.
struct TLoadedFile
{
    TWholeFile::TStatus Status = TWholeFile::TStatus::Missing;
    std::shared_ptr<const TParsedFile> File;

    bool Loaded() const { return Status == TWholeFile::TStatus::Loaded; }
};

// Which file a path named when it was read, and its size and modification time then.
struct TFileStamp
{
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    std::int64_t ModifiedNs = 0;
    bool operator==(const TFileStamp&) const = default;
};

TFileStamp StampOf(const struct stat& info)
{
    return {info.st_dev, info.st_ino, info.st_size,
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

std::int64_t NowNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The parsed files of the last few paths read, shared by every TIniFile of the process and by
// every thread. A file is read again only when its size, modification time or inode (a save
// renames a new file into place) differ from the ones it had when it was read. A change that
// leaves all three alone can happen only within one tick of the file system's clock, and some
// file systems keep time only to the even second: a file changed that recently before it was
// read is not kept, and is read again at each use until it has been quiet for longer than that.
class TParsedFileCache
{
public:
    static TParsedFileCache& Instance()
    {
        // Never destroyed: a worker given up at exit may still read its configuration.
        static TParsedFileCache* const cache = new TParsedFileCache;
        return *cache;
    }

    TLoadedFile Load(const std::string& path)
    {
        struct stat info
        {
        };
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            Forget(path);
            // Missing, or why it cannot be read, exactly as a read of the whole file tells.
            TLoadedFile result;
            TWholeFile file = LoadFile(path);
            result.Status = file.Status;
            if (file.Loaded())
                result.File = std::make_shared<const TParsedFile>(std::move(file), false);
            return result;
        }
        const TFileStamp stamp = StampOf(info);
        {
            const std::lock_guard lock(Mutex);
            const auto known = Entries.find(path);
            if (known != Entries.end() && known->second.Stamp == stamp) {
                known->second.LastUse = ++Uses;
                return {TWholeFile::TStatus::Loaded, known->second.File};
            }
        }

        // Read and parsed outside the lock: another thread's reads of other files go on meanwhile.
        const std::int64_t readAt = NowNs();
        TWholeFile file = LoadFile(path);
        if (!file.Loaded()) {
            Forget(path);
            return {file.Status, nullptr};
        }
        // Kept only when it is surely the content of the stamp taken before the read; only a kept
        // file is worth finding its sections in advance.
        const bool unchanged = ::stat(path.c_str(), &info) == 0 && StampOf(info) == stamp;
        const bool trusted = unchanged && stamp.ModifiedNs < readAt - UntrustedAgeNs;
        auto parsed = std::make_shared<const TParsedFile>(std::move(file), trusted);
        const std::lock_guard lock(Mutex);
        if (!trusted) {
            Entries.erase(path);
        } else {
            Entries[path] = {stamp, parsed, ++Uses};
            DropLeastUsed();
        }
        return {TWholeFile::TStatus::Loaded, std::move(parsed)};
    }

    void Forget(const std::string& path)
    {
        const std::lock_guard lock(Mutex);
        Entries.erase(path);
    }

private:
    struct TEntry
    {
        TFileStamp Stamp;
        std::shared_ptr<const TParsedFile> File;
        std::uint64_t LastUse = 0;
    };

    // The configuration file, and room for the few others a test or a tool may read.
    static constexpr std::size_t MaxEntries = 8;
    static constexpr std::int64_t UntrustedAgeNs = 2'000'000'000;

    void DropLeastUsed()
    {
        while (Entries.size() > MaxEntries)
            Entries.erase(std::min_element(Entries.begin(), Entries.end(), [](const auto& a, const auto& b) {
                return a.second.LastUse < b.second.LastUse;
            }));
    }

    std::mutex Mutex;
    std::unordered_map<std::string, TEntry> Entries;
    std::uint64_t Uses = 0;
};

TLoadedFile LoadParsed(const std::string& path)
{
    return TParsedFileCache::Instance().Load(path);
}

[[noreturn]] void WriteFailed(const std::string& path)
{
    throw TQuarrowError("Unable to write to " + path);
}

// Replaces the file by a new one holding `content`, so a reader sees either the old file or the
// new one, never a mix.
void SaveAtomically(const std::string& path, std::string_view content)
{
    // The file holds the proxy password: the owner's only, whatever the umask or an editor said.
    TAtomicFileWriter file(path, {.Mode = 0600, .ExactMode = true, .CreateFolders = false});
    file.Write(content);
    const bool written = file.Commit();
    // The next read sees this write, also one in the same tick of the file system's clock.
    TParsedFileCache::Instance().Forget(path);
    if (!written)
        WriteFailed(path);
}

std::string_view LineBreakOf(std::string_view text)
{
    const std::size_t pos = text.find_first_of("\r\n");
    if (pos == std::string_view::npos || text[pos] == '\n')
        return "\n";
    return pos + 1 < text.size() && text[pos + 1] == '\n' ? "\r\n" : "\r";
}

// A line break or NUL inside a written name or value would split its line and could plant keys
// of its own, so they become blanks.
std::string OneLine(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return result;
}

// A key line's value as reads return it.
std::string ValueOf(std::string_view text, const TKeyLine& keyLine)
{
    std::string_view value = text.substr(keyLine.Equals + 1, keyLine.Line.End - keyLine.Equals - 1);
    value = value.substr(0, value.find('\0'));
    value = TrimSpaces(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, TIniFile::MaxValueLength));
}

// A change of a batch write, placed in the old text: a key's value replaced, or lines inserted.
struct TEdit
{
    enum TKind
    {
        Replace,   // the value of a key already in the file
        AddKeys,   // new keys at the end of a section already in the file
        AddSection // a new section at the end of the file
    };
    std::size_t Begin = 0;
    std::size_t End = 0;
    TKind Kind = Replace;
    std::size_t Order = 0; // first appearance in the batch, for inserts at the same place
    std::string Text;
};

// The values of one section of a batch, grouped so that the section and its keys are looked up once
// however many values the batch holds for it.
struct TSectionBatch
{
    std::string Name; // as first spelled in the batch
    std::size_t Order = 0;
    std::vector<std::pair<std::string, std::string>> Values; // cleaned key name, cleaned value
};

// A key name with '=' would be cut at it on reading, one starting with ';' or '[' would read as a
// comment or a section header, a section name with ']' would be cut there, and a line break in
// either would split its line: written, each would be a value nobody can read back by the name
// given (and might shadow another).
bool CanBeReadBack(std::string_view section, std::string_view key)
{
    return section.find_first_of("]\r\n") == std::string_view::npos &&
           key.find_first_of("=\r\n") == std::string_view::npos &&
           (key.empty() || (key.front() != ';' && key.front() != '['));
}

} // namespace

TIniFile::TIniFile(std::string path) : Path(std::move(path)) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const
{
    const TLoadedFile file = LoadParsed(Path);
    if (!file.Loaded())
        return def;
    const std::string_view text = file.File->View();
    const TSection found = file.File->Find(TrimSpaces(section));
    TKeyLine keyLine;
    if (!found.Found || !FindKey(text, found, TrimSpaces(key), keyLine))
        return def;
    return ValueOf(text, keyLine);
}

bool TIniFile::ReadStrings(const std::string& section, const std::vector<std::string_view>& keys,
                           std::vector<std::string>& values) const
{
    values.assign(keys.size(), std::string());
    const TLoadedFile file = LoadParsed(Path);
    if (!file.Loaded())
        return file.Status == TWholeFile::TStatus::Missing;
    const std::string_view text = file.File->View();
    const TSection found = file.File->Find(TrimSpaces(section));
    if (!found.Found)
        return true;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        TKeyLine keyLine;
        if (FindKey(text, found, TrimSpaces(keys[i]), keyLine))
            values[i] = ValueOf(text, keyLine);
    }
    return true;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const
{
    const std::string text = ReadString(section, key, "");
    int value = 0;
    if (text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return ParseHex(std::string_view(text).substr(2), value) ? value : def;
    return ParseDecimal(text, value) ? value : def;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const
{
    // Written as 1 or 0; a file edited by hand says "true" or "yes" as often, the words the
    // project files read too, and a setting read as its default would be dropped without a word.
    const std::string text = ReadString(section, key, "");
    for (const std::string_view yes : {"true", "yes", "y", "on"})
        if (EqualsIgnoringCase(text, yes))
            return true;
    for (const std::string_view no : {"false", "no", "n", "off"})
        if (EqualsIgnoringCase(text, no))
            return false;
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const
{
    std::vector<std::string> names;
    const TLoadedFile file = LoadParsed(Path);
    if (!file.Loaded())
        return names;
    const std::string_view text = file.File->View();
    const TSection found = file.File->Find(TrimSpaces(section));
    if (!found.Found)
        return names;
    std::size_t used = 0;
    ForEachKey(text, found, [&](const TLine&, std::string_view name, std::size_t) {
        if (name.empty())
            return true;
        // Names that do not fit whole are left out rather than cut.
        used += name.size() + 1;
        if (used > MaxSectionListBytes)
            return false;
        names.emplace_back(name);
        return true;
    });
    return names;
}

std::vector<std::pair<std::string, std::string>> TIniFile::ReadSectionValues(const std::string& section) const
{
    std::vector<std::pair<std::string, std::string>> values;
    const TLoadedFile file = LoadParsed(Path);
    if (!file.Loaded())
        return values;
    const std::string_view text = file.File->View();
    const TSection found = file.File->Find(TrimSpaces(section));
    if (!found.Found)
        return values;
    // A name listed twice reads the value of its first line, as ReadString does.
    std::unordered_map<std::string, std::string> firstValues;
    std::size_t used = 0;
    ForEachKey(text, found, [&](const TLine& line, std::string_view name, std::size_t equals) {
        if (name.empty())
            return true;
        used += name.size() + 1;
        if (used > MaxSectionListBytes)
            return false;
        const auto [known, added] = firstValues.try_emplace(LowerAscii(name));
        if (added)
            known->second = ValueOf(text, TKeyLine{line, line.Begin + equals});
        values.emplace_back(std::string(name), known->second);
        return true;
    });
    return values;
}

bool TIniFile::SectionExists(const std::string& section) const
{
    const TLoadedFile file = LoadParsed(Path);
    return file.Loaded() && file.File->Find(TrimSpaces(section)).Found;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) const
{
    const TWholeFile file = LoadFile(Path);
    if (file.Status == TWholeFile::TStatus::Failed)
        WriteFailed(Path); // rewriting a file we cannot read would throw its contents away
    const std::string sectionName(TrimSpaces(section));
    const std::string keyName(TrimSpaces(key));
    if (!CanBeReadBack(sectionName, keyName))
        WriteFailed(Path);
    const std::string cleanValue = OneLine(value);
    const std::string_view text = file.View();
    const std::string_view lineBreak = LineBreakOf(text);
    const TSection found = FindSection(text, sectionName);
    TKeyLine keyLine;
    std::string result;
    if (found.Found && FindKey(text, found, keyName, keyLine)) {
        result.reserve(text.size() + cleanValue.size());
        result.append(text.substr(0, keyLine.Equals + 1));
        result.append(cleanValue);
        result.append(text.substr(keyLine.Line.End));
    } else {
        const std::size_t at = found.Found ? found.InsertAt : text.size();
        result.append(text.substr(0, at));
        if (at > 0 && text[at - 1] != '\n' && text[at - 1] != '\r')
            result.append(lineBreak);
        if (!found.Found)
            result.append("[").append(sectionName).append("]").append(lineBreak);
        result.append(keyName).append("=").append(cleanValue).append(lineBreak);
        result.append(text.substr(at));
    }
    SaveAtomically(Path, result);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) const
{
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) const
{
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) const
{
    const TWholeFile file = LoadFile(Path);
    if (file.Status == TWholeFile::TStatus::Missing)
        return;
    if (file.Status == TWholeFile::TStatus::Failed)
        WriteFailed(Path);
    const std::string_view text = file.View();
    const TSection found = FindSection(text, TrimSpaces(section));
    TKeyLine keyLine;
    if (!found.Found || !FindKey(text, found, TrimSpaces(key), keyLine))
        return;
    std::string result(text.substr(0, keyLine.Line.Begin));
    result.append(text.substr(keyLine.Line.Next));
    SaveAtomically(Path, result);
}

void TIniFile::WriteValues(const std::vector<TIniValue>& values) const
{
    if (values.empty())
        return;
    const TWholeFile file = LoadFile(Path);
    if (file.Status == TWholeFile::TStatus::Failed)
        WriteFailed(Path);
    const std::string_view text = file.View();
    const std::string_view lineBreak = LineBreakOf(text);

    std::vector<TSectionBatch> sections;
    std::unordered_map<std::string, std::size_t> sectionIndex;
    for (const TIniValue& value : values) {
        std::string name = OneLine(TrimSpaces(value.Section));
        std::string key = OneLine(TrimSpaces(value.Key));
        // One value nobody could read back refuses the whole batch, before anything is written.
        if (!CanBeReadBack(name, key))
            WriteFailed(Path);
        const auto [known, added] = sectionIndex.try_emplace(LowerAscii(name), sections.size());
        if (added)
            sections.push_back({std::move(name), sections.size(), {}});
        sections[known->second].Values.emplace_back(std::move(key), OneLine(value.Value));
    }

    std::vector<TEdit> edits;
    for (TSectionBatch& batch : sections) {
        const TSection found = FindSection(text, batch.Name);
        // Keys already in the section, by their first line; a later value for the same key wins.
        std::unordered_map<std::string, std::size_t> existing; // lower-case name -> index into edits
        if (found.Found) {
            ForEachKey(text, found, [&](const TLine& line, std::string_view name, std::size_t equals) {
                const std::string lower = LowerAscii(name);
                if (existing.find(lower) == existing.end()) {
                    existing.emplace(lower, edits.size());
                    // Not yet a change: only a batch value turns it into one (Order marks that).
                    edits.push_back({line.Begin + equals + 1, line.End, TEdit::Replace, SIZE_MAX, {}});
                }
                return true;
            });
        }
        std::vector<std::pair<std::string, std::string>> added;
        std::unordered_map<std::string, std::size_t> addedIndex;
        for (auto& [key, value] : batch.Values) {
            const std::string lower = LowerAscii(key);
            if (const auto line = existing.find(lower); line != existing.end()) {
                edits[line->second].Text = std::move(value);
                edits[line->second].Order = batch.Order;
            } else if (const auto [slot, isNew] = addedIndex.try_emplace(lower, added.size()); isNew) {
                added.emplace_back(std::move(key), std::move(value));
            } else {
                added[slot->second].second = std::move(value);
            }
        }
        if (added.empty())
            continue;
        TEdit insert;
        insert.Begin = insert.End = found.Found ? found.InsertAt : text.size();
        insert.Kind = found.Found ? TEdit::AddKeys : TEdit::AddSection;
        insert.Order = batch.Order;
        if (!found.Found)
            insert.Text.append("[").append(batch.Name).append("]").append(lineBreak);
        for (const auto& [key, value] : added)
            insert.Text.append(key).append("=").append(value).append(lineBreak);
        edits.push_back(std::move(insert));
    }
    std::erase_if(edits, [](const TEdit& edit) { return edit.Order == SIZE_MAX; });
    std::sort(edits.begin(), edits.end(), [](const TEdit& a, const TEdit& b) {
        return std::tie(a.Begin, a.Kind, a.Order) < std::tie(b.Begin, b.Kind, b.Order);
    });

    std::string result;
    std::size_t reserve = text.size();
    for (const TEdit& edit : edits)
        reserve += edit.Text.size() + lineBreak.size();
    result.reserve(reserve);
    std::size_t copied = 0;
    for (const TEdit& edit : edits) {
        result.append(text.substr(copied, edit.Begin - copied));
        if (edit.Kind != TEdit::Replace && !result.empty() && result.back() != '\n' && result.back() != '\r')
            result.append(lineBreak);
        result.append(edit.Text);
        copied = edit.End;
    }
    result.append(text.substr(copied));
    SaveAtomically(Path, result);
}

std::string TIniFile::Read(const TStringKey& key) const
{
    return ReadString(std::string(key.Section), std::string(key.Key), std::string(key.Default));
}

int TIniFile::Read(const TIntegerKey& key) const
{
    return ReadInteger(std::string(key.Section), std::string(key.Key), key.Default);
}

bool TIniFile::Read(const TBoolKey& key) const
{
    return ReadBool(std::string(key.Section), std::string(key.Key), key.Default);
}

void TIniFile::Write(const TStringKey& key, const std::string& value) const
{
    WriteString(std::string(key.Section), std::string(key.Key), value);
}

void TIniFile::Write(const TIntegerKey& key, int value) const
{
    WriteInteger(std::string(key.Section), std::string(key.Key), value);
}

void TIniFile::Write(const TBoolKey& key, bool value) const
{
    WriteBool(std::string(key.Section), std::string(key.Key), value);
}
