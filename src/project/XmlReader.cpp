#include "project/XmlReader.h"

#include "base/QuarrowError.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

class TParser
{
public:
    TParser(const char* data, std::size_t size) : Data(data), Size(size) {}

    void Run(TXmlDocument& doc, std::vector<TXmlDocument::TNode>& nodes);

private:
    struct TTag
    {
        std::string_view Name;
        std::size_t End = 0; // just past '>'
        bool SelfClosing = false;
    };
    struct TOpen
    {
        TXmlDocument::TNodeId Node;
        std::size_t TagPos;
        std::size_t ContentStart;
        bool HasMarkup;
    };

    [[noreturn]] void Fail(std::size_t pos, const std::string& what) const
    {
        throw TQuarrowError("line " + std::to_string(Line(pos)) + ": " + what);
    }
    std::size_t Line(std::size_t pos) const { return 1 + static_cast<std::size_t>(std::count(Data, Data + pos, '\n')); }
    static std::string Shown(std::string_view name)
    {
        std::string shown(name.substr(0, 40));
        for (char& c : shown)
            if (IsBlank(c))
                c = ' ';
        return name.size() > 40 ? shown + "..." : shown;
    }
    bool At(std::size_t pos, std::string_view text) const
    {
        return Size - pos >= text.size() && std::memcmp(Data + pos, text.data(), text.size()) == 0;
    }
    std::size_t SkipBlanks(std::size_t pos) const
    {
        while (pos < Size && IsBlank(Data[pos]))
            ++pos;
        return pos;
    }
    std::size_t SkipPast(std::size_t pos, std::size_t from, std::string_view close, const char* what) const
    {
        const std::string_view rest(Data + from, Size - from);
        const std::size_t found = rest.find(close);
        if (found == std::string_view::npos)
            Fail(pos, what);
        return from + found + close.size();
    }
    // Comments, processing instructions and, where allowed, character data sections; returns the
    // position after the markup, or `pos` when there is none at `pos`.
    std::size_t SkipMarkup(std::size_t pos, bool allowCData) const;
    std::size_t SkipDocumentType(std::size_t pos) const;
    TTag ReadStartTag(std::size_t pos) const;
    std::size_t SkipOutsideRoot(std::size_t pos, bool beforeRoot) const;

    const char* Data;
    std::size_t Size;
};

std::size_t TParser::SkipMarkup(std::size_t pos, bool allowCData) const
{
    if (At(pos, "<?"))
        return SkipPast(pos, pos + 2, "?>", "a processing instruction is not closed");
    if (At(pos, "<!--"))
        return SkipPast(pos, pos + 4, "-->", "a comment is not closed");
    if (allowCData && At(pos, "<![CDATA["))
        return SkipPast(pos, pos + 9, "]]>", "a character data section is not closed");
    return pos;
}

std::size_t TParser::SkipDocumentType(std::size_t pos) const
{
    // <!DOCTYPE ...> with an optional internal subset in brackets; its content is not used.
    int brackets = 0;
    for (std::size_t p = pos + 2; p < Size; ++p) {
        const char c = Data[p];
        if (c == '"' || c == '\'') {
            const void* quote = std::memchr(Data + p + 1, c, Size - p - 1);
            if (!quote)
                break;
            p = static_cast<std::size_t>(static_cast<const char*>(quote) - Data);
        } else if (c == '[') {
            ++brackets;
        } else if (c == ']') {
            --brackets;
        } else if (c == '>' && brackets <= 0) {
            return p + 1;
        }
    }
    Fail(pos, "a document type declaration is not closed");
}

TParser::TTag TParser::ReadStartTag(std::size_t pos) const
{
    std::size_t p = pos + 1;
    while (p < Size && !IsBlank(Data[p]) && Data[p] != '/' && Data[p] != '>' && Data[p] != '<')
        ++p;
    if (p == pos + 1)
        Fail(pos, "a tag without a name");
    TTag tag;
    tag.Name = std::string_view(Data + pos + 1, p - pos - 1);
    // Attributes are skipped; quoted values may hold '>' and '/'.
    while (p < Size) {
        const char c = Data[p];
        if (c == '>') {
            tag.End = p + 1;
            return tag;
        }
        if (c == '/') {
            if (p + 1 < Size && Data[p + 1] == '>') {
                tag.End = p + 2;
                tag.SelfClosing = true;
                return tag;
            }
            Fail(pos, "the tag <" + Shown(tag.Name) + "> is malformed");
        }
        if (c == '<')
            break;
        if (c == '"' || c == '\'') {
            const void* quote = std::memchr(Data + p + 1, c, Size - p - 1);
            if (!quote)
                break;
            p = static_cast<std::size_t>(static_cast<const char*>(quote) - Data);
        }
        ++p;
    }
    Fail(pos, "the tag <" + Shown(tag.Name) + "> is not closed");
}

std::size_t TParser::SkipOutsideRoot(std::size_t pos, bool beforeRoot) const
{
    for (;;) {
        pos = SkipBlanks(pos);
        if (pos == Size)
            return pos;
        if (Data[pos] != '<')
            Fail(pos, beforeRoot ? "text before the root element" : "text after the root element");
        const std::size_t after = SkipMarkup(pos, false);
        if (after != pos) {
            pos = after;
        } else if (beforeRoot && At(pos, "<!")) {
            pos = SkipDocumentType(pos);
        } else {
            return pos;
        }
    }
}

void TParser::Run(TXmlDocument& doc, std::vector<TXmlDocument::TNode>& nodes)
{
    using TNodeId = TXmlDocument::TNodeId;
    std::size_t pos = At(0, "\xEF\xBB\xBF") ? 3 : 0;
    pos = SkipOutsideRoot(pos, true);
    if (pos == Size)
        Fail(pos, "the file holds no root element");
    if (At(pos, "</"))
        Fail(pos, "an end tag before the root element");
    if (At(pos, "<!"))
        Fail(pos, "markup that is not an element where the root element should start");

    const TTag rootTag = ReadStartTag(pos);
    nodes[TXmlDocument::Root].NameData = rootTag.Name.data();
    nodes[TXmlDocument::Root].NameSize = static_cast<std::uint32_t>(rootTag.Name.size());
    std::vector<TOpen> open;
    if (!rootTag.SelfClosing)
        open.push_back({TXmlDocument::Root, pos, rootTag.End, false});
    pos = rootTag.End;

    while (!open.empty()) {
        TOpen& top = open.back();
        const void* lt = std::memchr(Data + pos, '<', Size - pos);
        if (!lt)
            Fail(top.TagPos, "the element <" + Shown(doc.Name(top.Node)) + "> is not closed");
        pos = static_cast<std::size_t>(static_cast<const char*>(lt) - Data);

        if (At(pos, "</")) {
            std::size_t p = pos + 2;
            while (p < Size && !IsBlank(Data[p]) && Data[p] != '>' && Data[p] != '<')
                ++p;
            const std::string_view name(Data + pos + 2, p - pos - 2);
            p = SkipBlanks(p);
            if (p == Size || Data[p] != '>')
                Fail(pos, "the end tag </" + Shown(name) + "> is not closed");
            if (name != doc.Name(top.Node))
                Fail(pos, "the end tag </" + Shown(name) + "> does not match the start tag <" +
                              Shown(doc.Name(top.Node)) + "> of line " + std::to_string(Line(top.TagPos)));
            TXmlDocument::TNode& node = nodes[top.Node];
            if (node.FirstChild == TXmlDocument::NoNode) {
                const std::size_t length = pos - top.ContentStart;
                if (length > std::numeric_limits<std::uint32_t>::max())
                    Fail(top.TagPos, "the value of <" + Shown(name) + "> is too long");
                node.ValueData = Data + top.ContentStart;
                node.ValueSize = static_cast<std::uint32_t>(length);
                node.Encoded = top.HasMarkup || std::memchr(node.ValueData, '&', length) != nullptr;
            }
            open.pop_back();
            pos = p + 1;
            continue;
        }
        const std::size_t afterMarkup = SkipMarkup(pos, true);
        if (afterMarkup != pos) {
            top.HasMarkup = true;
            pos = afterMarkup;
            continue;
        }
        if (At(pos, "<!"))
            Fail(pos, "markup that is not allowed inside an element");

        if (open.size() >= TXmlReader::MaxDepth)
            Fail(pos, "elements are nested too deeply");
        const TTag tag = ReadStartTag(pos);
        if (nodes.size() >= TXmlDocument::NoNode)
            Fail(pos, "too many elements");
        const auto child = static_cast<TNodeId>(nodes.size());
        const TNodeId parent = top.Node;
        nodes.emplace_back();
        nodes[child].NameData = tag.Name.data();
        nodes[child].NameSize = static_cast<std::uint32_t>(tag.Name.size());
        TXmlDocument::TNode& p = nodes[parent];
        if (p.LastChild == TXmlDocument::NoNode)
            p.FirstChild = child;
        else
            nodes[p.LastChild].NextSibling = child;
        p.LastChild = child;
        if (!tag.SelfClosing)
            open.push_back({child, pos, tag.End, false}); // invalidates `top`
        pos = tag.End;
    }
    const std::size_t trailing = SkipOutsideRoot(pos, false);
    if (trailing != Size)
        Fail(trailing, "a second root element");
}

} // namespace

TXmlDocument TXmlReader::Parse(std::unique_ptr<char[]> bytes, std::size_t size)
{
    TXmlDocument doc("");
    TParser(bytes.get(), size).Run(doc, doc.Nodes);
    doc.Source = std::move(bytes);
    doc.SourceSize = size;
    return doc;
}

TXmlDocument TXmlReader::Parse(std::string_view bytes)
{
    auto buffer = std::make_unique_for_overwrite<char[]>(std::max<std::size_t>(bytes.size(), 1));
    std::memcpy(buffer.get(), bytes.data(), bytes.size());
    return Parse(std::move(buffer), bytes.size());
}
