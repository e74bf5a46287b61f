#include "project/RecordFields.h"

#include "base/Utf8.h"

#include <cstdio>

namespace {

// Spreadsheet programs run a cell that starts with one of these as a formula (a tab or carriage
// return first is skipped by some of them, and the formula after it run), so a registrar text
// such as "=HYPERLINK(...)" from a hostile WHOIS host would run on the user's machine. A leading
// apostrophe is the spreadsheets' own mark for "text, not a formula".
std::string WithoutFormula(std::string_view text)
{
    if (text.empty() || std::string_view("=+-@\t\r").find(text.front()) == std::string_view::npos)
        return std::string(text);
    return "'" + std::string(text);
}

} // namespace

std::string CsvField(std::string_view text)
{
    std::string utf8 = WithoutFormula(Utf8OrLatin1(text));
    if (utf8.find_first_of(",\"\r\n") == std::string::npos)
        return utf8;
    std::string field = "\"";
    for (char c : utf8) {
        if (c == '"')
            field += '"';
        field += c;
    }
    return field + '"';
}

std::string JsonString(std::string_view text)
{
    const std::string utf8 = Utf8OrLatin1(text);
    std::string out = "\"";
    out.reserve(utf8.size() + 2);
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::string TsvField(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 1);
    for (char c : WithoutFormula(text)) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out;
}
