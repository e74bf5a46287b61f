#include "project/XmlWriter.h"

#include <array>
#include <vector>

namespace {

constexpr std::size_t FlushSize = 1 << 20;

constexpr std::array<bool, 256> MakeSpecialTable()
{
    std::array<bool, 256> table{};
    for (int c = 128; c < 256; ++c)
        table[c] = true;
    for (unsigned char c : {'"', '&', '\'', '<', '>'})
        table[c] = true;
    return table;
}
constexpr std::array<bool, 256> Special = MakeSpecialTable();

void Indent(std::string& out, std::size_t depth)
{
    out.append(depth * 2, ' ');
}

} // namespace

void TXmlWriter::AppendEncoded(std::string& out, std::string_view value)
{
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (!Special[c])
            continue;
        out.append(value.data() + runStart, i - runStart);
        runStart = i + 1;
        switch (c) {
        case '"':
            out += "&quot;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '\'':
            out += "&apos;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += "&#x";
            out += hexDigits[c >> 4];
            out += hexDigits[c & 0xF];
            out += ';';
        }
    }
    out.append(value.data() + runStart, value.size() - runStart);
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
