#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The tree behind project and word-list files: elements with a name and either child elements or
// a text value, under one root element. Names are kept as bytes; names that are decimal numbers
// (list entries) are ordinary names here. Lookups by name ignore ASCII letter case.
//
// A parsed document keeps the file's bytes in one buffer and its names and values are views into
// that buffer, so a large project costs little more than the file itself. A value that still holds
// entity references or markup is decoded when it is asked for. Values and names set later are
// copied into an arena owned by the document. Nodes are numbered; node 0 is the root.
class TXmlDocument
{
public:
    using TNodeId = std::uint32_t;
    static constexpr TNodeId NoNode = UINT32_MAX;
    static constexpr TNodeId Root = 0;

    explicit TXmlDocument(std::string_view rootName = "QRW");
    TXmlDocument(TXmlDocument&&) noexcept;
    TXmlDocument& operator=(TXmlDocument&&) noexcept;
    ~TXmlDocument();

    std::string_view Name(TNodeId node) const { return {Nodes[node].NameData, Nodes[node].NameSize}; }
    void Rename(TNodeId node, std::string_view name);

    // The decoded text of an element without children (empty for NoNode).
    std::string Value(TNodeId node) const;
    // The value as stored; only meaningful when !ValueIsEncoded(node).
    std::string_view RawValue(TNodeId node) const { return {Nodes[node].ValueData, Nodes[node].ValueSize}; }
    bool ValueIsEncoded(TNodeId node) const { return Nodes[node].Encoded; }
    void SetValue(TNodeId node, std::string_view value);

    TNodeId FirstChild(TNodeId node) const { return Nodes[node].FirstChild; }
    TNodeId NextSibling(TNodeId node) const { return Nodes[node].NextSibling; }
    bool HasChildren(TNodeId node) const { return Nodes[node].FirstChild != NoNode; }
    std::size_t NodeCount() const { return Nodes.size(); }
    // Bytes of the blocks that hold text set after parsing.
    std::size_t StoredBytes() const { return ArenaBytes; }

    // The first child of `parent` whose name equals `name` without regard to ASCII letter case;
    // NoNode when there is none or when `parent` is NoNode.
    TNodeId FindChild(TNodeId parent, std::string_view name) const;
    // Appends a new element with an empty value as the last child of `parent`.
    TNodeId AppendChild(TNodeId parent, std::string_view name);
    // FindChild, or AppendChild when there is no such child.
    TNodeId EnsureChild(TNodeId parent, std::string_view name);

    // Storage of one element; public only for the reader, which builds nodes in place.
    struct TNode
    {
        const char* NameData = nullptr;
        const char* ValueData = nullptr;
        std::uint32_t NameSize = 0;
        std::uint32_t ValueSize = 0;
        TNodeId FirstChild = NoNode;
        TNodeId LastChild = NoNode;
        TNodeId NextSibling = NoNode;
        // The value is raw document text with entity references or markup still in it.
        bool Encoded = false;
    };

private:
    friend class TXmlReader;

    struct TCaseInsensitiveHash
    {
        std::size_t operator()(std::string_view text) const noexcept;
    };
    struct TCaseInsensitiveEqual
    {
        bool operator()(std::string_view a, std::string_view b) const noexcept;
    };
    using TChildIndex = std::unordered_map<std::string_view, TNodeId, TCaseInsensitiveHash, TCaseInsensitiveEqual>;

    std::string_view Store(std::string_view text);
    TChildIndex& IndexOf(TNodeId parent) const;

    std::vector<TNode> Nodes;
    // Bytes of the parsed file; names and raw values point into it.
    std::unique_ptr<char[]> Source;
    std::size_t SourceSize = 0;
    // Text set after parsing, in blocks that never move.
    std::vector<std::unique_ptr<char[]>> ArenaBlocks;
    std::size_t ArenaFree = 0;
    std::size_t ArenaBytes = 0;
    char* ArenaNext = nullptr;
    // Name indexes of elements with many children (list elements), built on first lookup so that
    // reading or writing entry i of a long list does not scan the entries before it.
    mutable std::unordered_map<TNodeId, TChildIndex> ChildIndexes;
};

// Decodes element content as the reader takes it: the five entities in any letter case, decimal
// and hexadecimal character references, other ampersands kept; comments and processing
// instructions dropped, character data sections taken literally.
std::string DecodeXmlText(std::string_view raw);
