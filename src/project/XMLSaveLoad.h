#pragma once

#include "core/DomainRow.h"
#include "core/WordEntry.h"
#include "project/XmlDocument.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The header every project and word-list file starts with.
struct TXmlHeader
{
    std::string Name;
    int Version = 0;
};

// Reads and writes project and word-list files through one document tree addressed by paths of
// names under the root QRW (HEADER\NAME, PROJECT\Prefix\0\Value, ...). The file is touched only
// by FileName, Reload and Flush; every Read and Write works on the tree. One instance serves the
// whole program, so that a save writes into the document the target file already holds and keeps
// what this save does not write.
//
// Reads follow the file's counts, but never produce more entries (rows and slots together) than
// the document has elements: a count of two thousand million in a small file reads as many default
// entries as the file could have held, no more.
class TXMLSaveLoad
{
public:
    static constexpr const char* FileNameText = "Quarrow 1.0 beta 1";
    static constexpr int ProjectVersion = 1;
    static constexpr int WordListVersion = 2;

    TXMLSaveLoad();

    // Selects the file. When the path differs from the one selected before, the tree is replaced
    // by the file's content (an empty tree when it does not exist) and its root named QRW. Throws
    // TQuarrowError, keeping the previous file and tree, when the file is not well formed or
    // cannot be read.
    void FileName(const std::string& path);
    // Selects the file with an empty tree, reading nothing: the next Flush replaces whatever the
    // file held with only what was written since.
    void NewFile(const std::string& path);
    const std::string& SelectedFile() const { return Path; }
    // Replaces the tree by the selected file's content; same errors as FileName.
    void Reload();
    // Writes the tree to the selected file, replacing it atomically and creating missing folders.
    // False, with the old file untouched and LastError() saying why, when it cannot be written.
    bool Flush();
    const std::string& LastError() const { return Error; }

    TXmlHeader ReadHeader() const;
    void WriteHeader(const std::string& name, int version);
    // True when a header names this program and has the version the reader expects.
    static bool Accepts(const TXmlHeader& header, int expectedVersion);

    bool ReadOption(std::string_view name) const;
    void WriteOption(std::string_view name, bool value);
    std::vector<TWordEntry> ReadWordList(std::string_view listName) const;
    void WriteWordList(const std::vector<TWordEntry>& list, std::string_view listName);
    std::vector<std::string> ReadStringList(std::string_view listName) const;
    void WriteStringList(const std::vector<std::string>& list, std::string_view listName);
    std::vector<TDomainRow> ReadListView(std::string_view listName) const;
    void WriteListView(const std::vector<TDomainRow>& rows, std::string_view listName);

    // The tree itself, for tests and tools; SetDocument replaces it without touching any file.
    const TXmlDocument& Document() const { return Doc; }
    void SetDocument(TXmlDocument doc)
    {
        Doc = std::move(doc);
        TreeIsFileContent = false;
    }

    // The value forms of the file format.
    static int ParseInteger(std::string_view text);
    static bool ParseBoolean(std::string_view text);

private:
    using TNodeId = TXmlDocument::TNodeId;

    TNodeId Resolve(std::initializer_list<std::string_view> path) const;
    TNodeId Ensure(std::initializer_list<std::string_view> path);
    std::string ReadText(TNodeId node) const { return Doc.Value(node); }
    int ReadInteger(TNodeId node) const;
    bool ReadBoolean(TNodeId node) const;
    // The number of entries a read takes for `count` when at most `budget` are left.
    static std::size_t Limit(int count, std::size_t budget);
    void Load(const std::string& path);

    struct TFileStamp
    {
        std::uint64_t Device = 0, Inode = 0, Size = 0;
        std::int64_t ModifiedNs = 0;
        bool operator==(const TFileStamp&) const = default;
    };
    static bool StampOf(const std::string& path, TFileStamp& stamp);

    TXmlDocument Doc;
    std::string Path;
    std::string Error;
    // The file as it was when the tree was loaded from it, and whether the tree has been written
    // to since: Reload right after FileName then need not parse a large file twice.
    TFileStamp LoadedStamp;
    bool TreeIsFileContent = false;
};
