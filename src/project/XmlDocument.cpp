#include "project/XmlDocument.h"

#include "base/AsciiText.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace {

// Children counts above which a lookup builds a hash index instead of scanning.
constexpr std::size_t IndexThreshold = 16;
constexpr std::size_t ArenaBlockSize = 64 * 1024;

bool StartsWith(std::string_view text, std::size_t pos, std::string_view prefix)
{
    return text.size() - pos >= prefix.size() && text.compare(pos, prefix.size(), prefix) == 0;
}

void AppendUtf8(std::string& out, std::uint32_t code)
{
    if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
    } else {
        if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        }
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (code & 0x3F));
}

// Decodes the reference starting at raw[pos] == '&'. Returns the length consumed, or 0 when it is
// not a reference we know (the ampersand then stays in the text).
std::size_t DecodeReference(std::string_view raw, std::size_t pos, std::string& out)
{
    // References are short; bound the look-ahead so that many lone ampersands in a long text do
    // not make decoding quadratic.
    const std::size_t semicolon = raw.substr(0, pos + 33).find(';', pos + 1);
    if (semicolon == std::string_view::npos)
        return 0;
    const std::string_view body = raw.substr(pos + 1, semicolon - pos - 1);
    static constexpr std::pair<std::string_view, char> entities[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"apos", '\''}, {"quot", '"'}};
    for (const auto& [entityName, character] : entities) {
        if (EqualsIgnoringCase(body, entityName)) {
            out += character;
            return body.size() + 2;
        }
    }
    if (body.size() < 2 || body[0] != '#')
        return 0;
    const bool hex = body[1] == 'x' || body[1] == 'X';
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty())
        return 0;
    std::uint32_t code = 0;
    for (char c : digits) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return 0;
        code = code * (hex ? 16 : 10) + digit;
        if (code > 0x10FFFF)
            return 0;
    }
    // Codes up to 255 are the byte of that code (files are single-byte text); larger codes can
    // only be meant as characters, which this system stores as UTF-8.
    if (code <= 0xFF)
        out += static_cast<char>(code);
    else
        AppendUtf8(out, code);
    return body.size() + 2;
}

} // namespace

std::size_t TXmlDocument::TCaseInsensitiveHash::operator()(std::string_view text) const noexcept
{
    std::size_t hash = 1469598103934665603ull;
    for (char c : text)
        hash = (hash ^ static_cast<unsigned char>(LowerAscii(c))) * 1099511628211ull;
    return hash;
}

bool TXmlDocument::TCaseInsensitiveEqual::operator()(std::string_view a, std::string_view b) const noexcept
{
    return EqualsIgnoringCase(a, b);
}

TXmlDocument::TXmlDocument(std::string_view rootName)
{
    Nodes.emplace_back();
    Rename(Root, rootName);
}

TXmlDocument::TXmlDocument(TXmlDocument&&) noexcept = default;
TXmlDocument& TXmlDocument::operator=(TXmlDocument&&) noexcept = default;
TXmlDocument::~TXmlDocument() = default;

std::string_view TXmlDocument::Store(std::string_view text)
{
    if (text.empty())
        return {};
    if (text.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("XML value too long");
    if (text.size() > ArenaFree) {
        const std::size_t blockSize = std::max(ArenaBlockSize, text.size());
        ArenaBlocks.push_back(std::make_unique_for_overwrite<char[]>(blockSize));
        ArenaNext = ArenaBlocks.back().get();
        ArenaFree = blockSize;
        ArenaBytes += blockSize;
    }
    char* stored = ArenaNext;
    std::memcpy(stored, text.data(), text.size());
    ArenaNext += text.size();
    ArenaFree -= text.size();
    return {stored, text.size()};
}

void TXmlDocument::Rename(TNodeId node, std::string_view name)
{
    const std::string_view stored = Store(name);
    Nodes[node].NameData = stored.data();
    Nodes[node].NameSize = static_cast<std::uint32_t>(stored.size());
    // Names are keys of the parent's index; renaming is rare (the root only), so drop them all.
    ChildIndexes.clear();
}

std::string TXmlDocument::Value(TNodeId node) const
{
    if (node == NoNode)
        return {};
    const TNode& n = Nodes[node];
    if (n.Encoded)
        return DecodeXmlText({n.ValueData, n.ValueSize});
    return std::string(n.ValueData, n.ValueSize);
}

void TXmlDocument::SetValue(TNodeId node, std::string_view value)
{
    // Text is never freed while the document lives, and the one store keeps its document from
    // save to save: a value that has not changed keeps its bytes, so that saving a project again
    // does not copy all its answers once more.
    if (!Nodes[node].Encoded && RawValue(node) == value)
        return;
    const std::string_view stored = Store(value);
    Nodes[node].ValueData = stored.data();
    Nodes[node].ValueSize = static_cast<std::uint32_t>(stored.size());
    Nodes[node].Encoded = false;
}

TXmlDocument::TChildIndex& TXmlDocument::IndexOf(TNodeId parent) const
{
    auto [it, created] = ChildIndexes.try_emplace(parent);
    if (created) {
        for (TNodeId child = Nodes[parent].FirstChild; child != NoNode; child = Nodes[child].NextSibling)
            it->second.try_emplace(Name(child), child); // the first of equal names wins, as in a scan
    }
    return it->second;
}

TXmlDocument::TNodeId TXmlDocument::FindChild(TNodeId parent, std::string_view name) const
{
    if (parent == NoNode)
        return NoNode;
    if (auto indexed = ChildIndexes.find(parent); indexed != ChildIndexes.end()) {
        auto found = indexed->second.find(name);
        return found == indexed->second.end() ? NoNode : found->second;
    }
    std::size_t scanned = 0;
    for (TNodeId child = Nodes[parent].FirstChild; child != NoNode; child = Nodes[child].NextSibling) {
        if (++scanned > IndexThreshold) {
            const TChildIndex& index = IndexOf(parent);
            auto found = index.find(name);
            return found == index.end() ? NoNode : found->second;
        }
        if (EqualsIgnoringCase(Name(child), name))
            return child;
    }
    return NoNode;
}

TXmlDocument::TNodeId TXmlDocument::AppendChild(TNodeId parent, std::string_view name)
{
    if (Nodes.size() >= NoNode)
        throw std::length_error("XML document too large");
    const auto child = static_cast<TNodeId>(Nodes.size());
    const std::string_view stored = Store(name);
    Nodes.emplace_back();
    Nodes[child].NameData = stored.data();
    Nodes[child].NameSize = static_cast<std::uint32_t>(stored.size());
    TNode& p = Nodes[parent];
    if (p.LastChild == NoNode)
        p.FirstChild = child;
    else
        Nodes[p.LastChild].NextSibling = child;
    p.LastChild = child;
    if (auto indexed = ChildIndexes.find(parent); indexed != ChildIndexes.end())
        indexed->second.try_emplace(Name(child), child);
    return child;
}

TXmlDocument::TNodeId TXmlDocument::EnsureChild(TNodeId parent, std::string_view name)
{
    const TNodeId found = FindChild(parent, name);
    return found != NoNode ? found : AppendChild(parent, name);
}

std::string DecodeXmlText(std::string_view raw)
{
    std::string out;
    out.reserve(raw.size());
    std::size_t pos = 0;
    while (pos < raw.size()) {
        const char c = raw[pos];
        if (c == '&') {
            const std::size_t used = DecodeReference(raw, pos, out);
            if (used == 0) {
                out += '&';
                ++pos;
            } else {
                pos += used;
            }
        } else if (c == '<') {
            // The reader admits only these three kinds of markup inside a value.
            std::string_view close;
            std::size_t start = pos;
            if (StartsWith(raw, pos, "<![CDATA[")) {
                start = pos + 9;
                close = "]]>";
            } else if (StartsWith(raw, pos, "<!--")) {
                close = "-->";
            } else {
                close = "?>";
            }
            std::size_t end = raw.find(close, start);
            if (end == std::string_view::npos)
                end = raw.size();
            if (close == "]]>")
                out.append(raw.substr(start, end - start));
            pos = std::min(raw.size(), end + close.size());
        } else {
            const std::size_t next = raw.find_first_of("&<", pos);
            const std::size_t end = next == std::string_view::npos ? raw.size() : next;
            out.append(raw.substr(pos, end - pos));
            pos = end;
        }
    }
    return out;
}
