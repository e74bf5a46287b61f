#include "project/XMLSaveLoad.h"

#include "base/AsciiText.h"
#include "base/AtomicFileWriter.h"
#include "base/NumberText.h"
#include "base/QuarrowError.h"
#include "base/WholeFile.h"
#include "project/XmlReader.h"
#include "project/XmlWriter.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view RootName = "QRW";

// Decimal text of an entry index, kept on the stack.
class TIndexName
{
public:
    explicit TIndexName(std::size_t index)
    {
        Length = static_cast<std::size_t>(std::to_chars(Buffer, Buffer + sizeof Buffer, index).ptr - Buffer);
    }
    operator std::string_view() const { return {Buffer, Length}; }

private:
    char Buffer[24];
    std::size_t Length;
};

// Reads the entries of a list element in index order. The writer writes entry i as the i-th
// child, so while the children run 0, 1, 2, ... the next one is the entry asked for and no name
// index is built; on the first surprise every later entry is looked up by name, which is exact.
class TEntryCursor
{
public:
    using TNodeId = TXmlDocument::TNodeId;

    TEntryCursor(const TXmlDocument& doc, TNodeId parent)
        : Doc(doc), Parent(parent), Next(parent == TXmlDocument::NoNode ? TXmlDocument::NoNode : doc.FirstChild(parent))
    {
    }

    TNodeId Entry(std::size_t index)
    {
        const TIndexName name(index);
        // In order, the children before Next are entries 0 to index - 1: none can be an earlier
        // element of this name, so Next is the first one, as a lookup by name would find.
        if (InOrder && Next != TXmlDocument::NoNode && Doc.Name(Next) == std::string_view(name)) {
            const TNodeId found = Next;
            Next = Doc.NextSibling(Next);
            return found;
        }
        InOrder = false;
        return Doc.FindChild(Parent, name);
    }

    // The count element after the entries, found by one walk instead of a name index.
    TNodeId Child(std::string_view name) const
    {
        if (Parent == TXmlDocument::NoNode)
            return TXmlDocument::NoNode;
        for (TNodeId child = Doc.FirstChild(Parent); child != TXmlDocument::NoNode; child = Doc.NextSibling(child))
            if (EqualsIgnoringCase(Doc.Name(child), name))
                return child;
        return TXmlDocument::NoNode;
    }

private:
    const TXmlDocument& Doc;
    TNodeId Parent;
    TNodeId Next;
    bool InOrder = true;
};

// Room for the largest projects people keep (hundreds of MB) with a wide margin.
constexpr std::size_t MaxProjectBytes = std::size_t{4} << 30;

// Whether the file at `path` starts as an XML document does, with '<' after an optional UTF-8
// byte-order mark and white space. Read a block at a time, so that a large file of anything else
// (a disk image, a sparse file of zeros) is refused after its first bytes instead of being loaded
// whole first. True for what is not a readable regular file: the full read gives the reason.
bool StartsLikeXml(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return true;
    const auto verdict = [fd](bool startsLikeXml) {
        ::close(fd);
        return startsLikeXml;
    };
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return verdict(true);
    char block[4096];
    for (std::size_t offset = 0;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return verdict(got < 0); // nothing but white space, or a failure the full read names
        std::string_view text(block, static_cast<std::size_t>(got));
        if (offset == 0 && text.starts_with("\xEF\xBB\xBF"))
            text.remove_prefix(3);
        offset += static_cast<std::size_t>(got);
        if (const std::size_t start = text.find_first_not_of(" \t\r\n"); start != std::string_view::npos)
            return verdict(text[start] == '<');
    }
}

} // namespace

TXMLSaveLoad::TXMLSaveLoad() : Doc(RootName) {}

bool TXMLSaveLoad::StampOf(const std::string& path, TFileStamp& stamp)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0)
        return false;
    stamp.Device = info.st_dev;
    stamp.Inode = info.st_ino;
    stamp.Size = static_cast<std::uint64_t>(info.st_size);
    stamp.ModifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return true;
}

void TXMLSaveLoad::Load(const std::string& path)
{
    TFileStamp stamp;
    const bool stamped = StampOf(path, stamp);
    if (stamped && !StartsLikeXml(path))
        throw TQuarrowError("The file \"" + path +
                            "\" is not a well-formed XML document: it does not start with a tag.");
    TWholeFile file = ReadWholeFile(path, MaxProjectBytes);
    if (file.Status == TWholeFile::TStatus::Failed)
        throw TQuarrowError("Cannot read the file \"" + path + "\". " + file.Error);
    const bool exists = file.Loaded();
    TXmlDocument loaded(RootName);
    if (exists) {
        try {
            loaded = TXmlReader::Parse(std::move(file.Data), file.Size);
        } catch (const TQuarrowError& error) {
            throw TQuarrowError("The file \"" + path + "\" is not a well-formed XML document: " + error.what());
        }
    }
    Doc = std::move(loaded);
    LoadedStamp = stamped ? stamp : TFileStamp{};
    TreeIsFileContent = exists && stamped;
}

void TXMLSaveLoad::FileName(const std::string& path)
{
    if (path == Path)
        return;
    Load(path);
    Path = path;
    if (Doc.Name(TXmlDocument::Root) != RootName) {
        Doc.Rename(TXmlDocument::Root, RootName);
        TreeIsFileContent = false;
    }
}

void TXMLSaveLoad::NewFile(const std::string& path)
{
    Doc = TXmlDocument(RootName);
    Path = path;
    LoadedStamp = {};
    TreeIsFileContent = false;
}

void TXMLSaveLoad::Reload()
{
    TFileStamp stamp;
    if (TreeIsFileContent && StampOf(Path, stamp) && stamp == LoadedStamp)
        return;
    Load(Path);
}

bool TXMLSaveLoad::Flush()
{
    Error.clear();
    TAtomicFileWriter file(Path);
    if (!file.Failed())
        TXmlWriter::Write(Doc, [&](std::string_view piece) { file.Write(piece); });
    if (!file.Commit()) {
        Error = file.Error();
        return false;
    }
    // The file now holds exactly the tree.
    TreeIsFileContent = StampOf(Path, LoadedStamp);
    return true;
}

TXMLSaveLoad::TNodeId TXMLSaveLoad::Resolve(std::initializer_list<std::string_view> path) const
{
    // The root's name must match exactly; names below it in any letter case.
    if (Doc.Name(TXmlDocument::Root) != RootName)
        return TXmlDocument::NoNode;
    TNodeId node = TXmlDocument::Root;
    for (std::string_view name : path)
        node = Doc.FindChild(node, name);
    return node;
}

TXMLSaveLoad::TNodeId TXMLSaveLoad::Ensure(std::initializer_list<std::string_view> path)
{
    TreeIsFileContent = false;
    // FileName names the root QRW only when it selects another file; a tree reloaded from a file
    // with another root must not be written back under it, or the file would stay unreadable.
    if (Doc.Name(TXmlDocument::Root) != RootName)
        Doc.Rename(TXmlDocument::Root, RootName);
    TNodeId node = TXmlDocument::Root;
    for (std::string_view name : path)
        node = Doc.EnsureChild(node, name);
    return node;
}

int TXMLSaveLoad::ParseInteger(std::string_view text)
{
    int value = 0;
    return ParseDecimal(text, value) ? value : -1;
}

bool TXMLSaveLoad::ParseBoolean(std::string_view text)
{
    for (std::string_view yes : {"TRUE", "YES", "Y"})
        if (EqualsIgnoringCase(text, yes))
            return true;
    for (std::string_view no : {"FALSE", "NO", "N"})
        if (EqualsIgnoringCase(text, no))
            return false;
    // Any number that is not zero, however large, means true.
    std::string_view digits = text;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
        digits.remove_prefix(1);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    return digits.find_first_not_of('0') != std::string_view::npos;
}

int TXMLSaveLoad::ReadInteger(TNodeId node) const
{
    return node == TXmlDocument::NoNode ? 0 : ParseInteger(ReadText(node));
}

bool TXMLSaveLoad::ReadBoolean(TNodeId node) const
{
    return node == TXmlDocument::NoNode ? true : ParseBoolean(ReadText(node));
}

std::size_t TXMLSaveLoad::Limit(int count, std::size_t budget)
{
    return count <= 0 ? 0 : std::min(static_cast<std::size_t>(count), budget);
}

TXmlHeader TXMLSaveLoad::ReadHeader() const
{
    TXmlHeader header;
    header.Name = ReadText(Resolve({"HEADER", "NAME"}));
    header.Version = ReadInteger(Resolve({"HEADER", "VERSION"}));
    return header;
}

void TXMLSaveLoad::WriteHeader(const std::string& name, int version)
{
    Doc.SetValue(Ensure({"HEADER", "NAME"}), name);
    Doc.SetValue(Ensure({"HEADER", "VERSION"}), std::to_string(version));
}

bool TXMLSaveLoad::Accepts(const TXmlHeader& header, int expectedVersion)
{
    return header.Name.find("Quarrow") != std::string::npos && header.Version == expectedVersion;
}

bool TXMLSaveLoad::ReadOption(std::string_view name) const
{
    return ReadBoolean(Resolve({"PROJECT", "Configuration", name}));
}

void TXMLSaveLoad::WriteOption(std::string_view name, bool value)
{
    Doc.SetValue(Ensure({"PROJECT", "Configuration", name}), value ? "TRUE" : "FALSE");
}

std::vector<TWordEntry> TXMLSaveLoad::ReadWordList(std::string_view listName) const
{
    std::vector<TWordEntry> list;
    const TNodeId parent = Resolve({"PROJECT", listName});
    TEntryCursor entries(Doc, parent);
    const std::size_t count = Limit(ReadInteger(entries.Child("Count")), Doc.NodeCount());
    list.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const TNodeId entry = entries.Entry(i);
        list.push_back({ReadText(Doc.FindChild(entry, "Value")), ReadBoolean(Doc.FindChild(entry, "Checked"))});
    }
    return list;
}

void TXMLSaveLoad::WriteWordList(const std::vector<TWordEntry>& list, std::string_view listName)
{
    const TNodeId parent = Ensure({"PROJECT", listName});
    for (std::size_t i = 0; i < list.size(); ++i) {
        const TNodeId entry = Doc.EnsureChild(parent, TIndexName(i));
        Doc.SetValue(Doc.EnsureChild(entry, "Value"), list[i].Text);
        Doc.SetValue(Doc.EnsureChild(entry, "Checked"), list[i].Checked ? "TRUE" : "FALSE");
    }
    Doc.SetValue(Doc.EnsureChild(parent, "Count"), std::to_string(list.size()));
}

std::vector<std::string> TXMLSaveLoad::ReadStringList(std::string_view listName) const
{
    std::vector<std::string> list;
    const TNodeId parent = Resolve({"PROJECT", listName});
    TEntryCursor entries(Doc, parent);
    const std::size_t count = Limit(ReadInteger(entries.Child("Count")), Doc.NodeCount());
    list.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        list.push_back(ReadText(entries.Entry(i)));
    return list;
}

void TXMLSaveLoad::WriteStringList(const std::vector<std::string>& list, std::string_view listName)
{
    const TNodeId parent = Ensure({"PROJECT", listName});
    for (std::size_t i = 0; i < list.size(); ++i)
        Doc.SetValue(Doc.EnsureChild(parent, TIndexName(i)), list[i]);
    Doc.SetValue(Doc.EnsureChild(parent, "Count"), std::to_string(list.size()));
}

std::vector<TDomainRow> TXMLSaveLoad::ReadListView(std::string_view listName) const
{
    std::vector<TDomainRow> rows;
    const TNodeId items = Resolve({"PROJECT", listName, "ITEMS"});
    // Rows and slots draw on one budget as they are read, so that neither many rows nor many
    // slots per row can exceed what the document holds.
    std::size_t budget = Doc.NodeCount();
    TEntryCursor entries(Doc, items);
    const std::size_t count = Limit(ReadInteger(entries.Child("COUNT")), budget);
    rows.reserve(count);
    for (std::size_t i = 0; i < count && budget > 0; ++i) {
        --budget;
        const TNodeId item = entries.Entry(i);
        TDomainRow& row = rows.emplace_back();
        row.Caption = ReadText(Doc.FindChild(item, "CAPTION"));
        row.Checked = ReadBoolean(Doc.FindChild(item, "CHECKED"));
        const TNodeId subItems = Doc.FindChild(item, "SUBITEMS");
        const std::size_t slots = Limit(ReadInteger(Doc.FindChild(subItems, "COUNT")), budget);
        budget -= slots;
        row.Slots.reserve(slots);
        for (std::size_t j = 0; j < slots; ++j)
            row.Slots.push_back(ReadText(Doc.FindChild(subItems, TIndexName(j))));
    }
    return rows;
}

void TXMLSaveLoad::WriteListView(const std::vector<TDomainRow>& rows, std::string_view listName)
{
    const TNodeId items = Ensure({"PROJECT", listName, "ITEMS"});
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TDomainRow& row = rows[i];
        const TNodeId item = Doc.EnsureChild(items, TIndexName(i));
        Doc.SetValue(Doc.EnsureChild(item, "CAPTION"), row.Caption);
        Doc.SetValue(Doc.EnsureChild(item, "CHECKED"), row.Checked ? "TRUE" : "FALSE");
        const TNodeId subItems = Doc.EnsureChild(item, "SUBITEMS");
        for (std::size_t j = 0; j < row.Slots.size(); ++j)
            Doc.SetValue(Doc.EnsureChild(subItems, TIndexName(j)), row.Slots[j]);
        Doc.SetValue(Doc.EnsureChild(subItems, "COUNT"), std::to_string(row.Slots.size()));
    }
    Doc.SetValue(Doc.EnsureChild(items, "COUNT"), std::to_string(rows.size()));
}
