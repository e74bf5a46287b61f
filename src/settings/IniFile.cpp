#include "settings/IniFile.h"

#include "base/AsciiText.h"
#include "base/AtomicFileWriter.h"
#include "base/NumberText.h"
#include "base/QuarrowError.h"
#include "base/WholeFile.h"
#include "settings/IniFileCache.h"
#include "settings/IniLayout.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>

using namespace IniLayout;

namespace {

TLoadedIniFile LoadParsed(const std::string& path)
{
    return TIniFileCache::Instance().Load(path);
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
    TIniFileCache::Instance().Forget(path);
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
    const TLoadedIniFile file = LoadParsed(Path);
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
    const TLoadedIniFile file = LoadParsed(Path);
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
    const TLoadedIniFile file = LoadParsed(Path);
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
    const TLoadedIniFile file = LoadParsed(Path);
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
    const TLoadedIniFile file = LoadParsed(Path);
    return file.Loaded() && file.File->Find(TrimSpaces(section)).Found;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) const
{
    const TWholeFile file = LoadText(Path);
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
    const TWholeFile file = LoadText(Path);
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
    const TWholeFile file = LoadText(Path);
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
