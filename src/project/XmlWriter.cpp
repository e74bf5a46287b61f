#include "project/XmlWriter.h"

#include "base/MarkupText.h"

#include <vector>

namespace {

constexpr std::size_t FlushSize = 1 << 20;

void Indent(std::string& out, std::size_t depth)
{
    out.append(depth * 2, ' ');
}

} // namespace

void TXmlWriter::AppendEncoded(std::string& out, std::string_view value)
{
    AppendEscapedMarkup(out, value, TMarkupEntities::Xml);
}

void TXmlWriter::Write(const TXmlDocument& doc, const TSink& sink)
{
    using TNodeId = TXmlDocument::TNodeId;
    std::string out;
    out.reserve(FlushSize + 4096);
    out += "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n";

    // Depth-first without recursion: files read from disk may nest deeply.
    struct TFrame
    {
        TNodeId Node;
        TNodeId NextChild;
    };
    std::vector<TFrame> stack;
    auto open = [&](TNodeId node) {
        const std::size_t depth = stack.size();
        Indent(out, depth);
        out += '<';
        out += doc.Name(node);
        if (doc.HasChildren(node)) {
            out += ">\r\n";
            stack.push_back({node, doc.FirstChild(node)});
            return;
        }
        std::string decoded;
        std::string_view value = doc.RawValue(node);
        if (doc.ValueIsEncoded(node)) {
            decoded = doc.Value(node);
            value = decoded;
        }
        if (value.empty()) {
            out += "/>\r\n";
        } else {
            out += '>';
            AppendEncoded(out, value);
            out += "</";
            out += doc.Name(node);
            out += ">\r\n";
        }
    };

    open(TXmlDocument::Root);
    while (!stack.empty()) {
        if (out.size() >= FlushSize) {
            sink(out);
            out.clear();
        }
        TFrame& frame = stack.back();
        if (frame.NextChild == TXmlDocument::NoNode) {
            const TNodeId node = frame.Node;
            stack.pop_back();
            Indent(out, stack.size());
            out += "</";
            out += doc.Name(node);
            out += ">\r\n";
            continue;
        }
        const TNodeId child = frame.NextChild;
        frame.NextChild = doc.NextSibling(child);
        open(child);
    }
    sink(out);
}

std::string TXmlWriter::ToString(const TXmlDocument& doc)
{
    std::string text;
    Write(doc, [&](std::string_view piece) { text += piece; });
    return text;
}
