#include "base/MarkupText.h"

#include <array>

namespace {

using TSpecialTable = std::array<bool, 256>;

constexpr TSpecialTable MakeSpecialTable(TMarkupEntities entities)
{
    TSpecialTable table{};
    for (unsigned char c : {'"', '&', '<', '>'})
        table[c] = true;
    if (entities == TMarkupEntities::Xml) {
        table[static_cast<unsigned char>('\'')] = true;
        for (int c = 128; c < 256; ++c)
            table[c] = true;
    }
    return table;
}
constexpr TSpecialTable HtmlSpecial = MakeSpecialTable(TMarkupEntities::Html);
constexpr TSpecialTable XmlSpecial = MakeSpecialTable(TMarkupEntities::Xml);

} // namespace

void AppendEscapedMarkup(std::string& out, std::string_view text, TMarkupEntities entities)
{
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    const TSpecialTable& special = entities == TMarkupEntities::Xml ? XmlSpecial : HtmlSpecial;
    // Most text holds no special byte: it is copied in runs between them.
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!special[c])
            continue;
        out.append(text.data() + runStart, i - runStart);
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
    out.append(text.data() + runStart, text.size() - runStart);
}
