#include "project/HtmlReport.h"

#include "base/AsciiText.h"
#include "base/AtomicFileWriter.h"
#include "base/MarkupText.h"
#include "base/QuarrowError.h"
#include "base/Utf8.h"

#include <algorithm>
#include <initializer_list>

namespace {

void Line(std::string& out, std::string_view text)
{
    out += text;
    out += "\r\n";
}

// An unquoted attribute value ends at a blank and must not hold quotes, '=', '<', '>' or '`'; a
// link target with any of those would spill into the markup, so it is quoted instead.
bool NeedsQuotes(std::string_view value)
{
    return std::any_of(value.begin(), value.end(), [](char c) {
        return static_cast<unsigned char>(c) <= ' ' || std::string_view("\"'=<>`").find(c) != std::string_view::npos;
    });
}

} // namespace

std::string EscapeHtml(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    AppendEscapedMarkup(out, text, TMarkupEntities::Html);
    return out;
}

namespace {

// The report says it is UTF-8, as the program's text is; a host that answered in a legacy code
// page gets its bytes' Latin-1 reading, so that the declaration stays true for every byte.
std::string HtmlText(std::string_view text)
{
    return EscapeHtml(Utf8OrLatin1(text));
}

} // namespace

std::string HtmlReport(const std::vector<TDomainRow>& rows, std::string_view dateTime)
{
    std::string out;
    for (std::string_view line :
         {"<head>", "<title>Quarrow 2009 Report</title>",
          "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">", "<style type=\"text/css\">",
          "<!--", "td {  font-family: Verdana, Arial, Helvetica, sans-serif; font-size: 11px}",
          "tr {  font-family: Verdana, Arial, Helvetica, sans-serif; font-size: 11px}",
          "p {  font-family: Verdana, Arial, Helvetica, sans-serif; font-size: 10px}",
          "body {  font-family: Verdana, Arial, Helvetica, sans-serif; font-size: 9px}",
          "h1 {  font-family: Verdana, Arial, Helvetica, sans-serif; font-size: 12px; font-weight: bold}", "-->",
          "</style>", "</head>", "<body bgcolor=\"#FFFFFF\" text=\"#000000\">"})
        Line(out, line);
    Line(out, "<h1>Quarrow 2009 Report: " + HtmlText(dateTime) + ".</h1>");
    Line(out, "<table cellSpacing=0 cellPadding=2 width=\"100%\" border=1>");
    Line(out, "<tr bgcolor=\"#CCCCCC\">");
    for (std::string_view caption : {"Domain", "Availability", "Registrar", "Whois server", "Expires"}) {
        Line(out, "<td>");
        Line(out, "<div align=\"left\"><font color=\"#000000\"><b>" + std::string(caption) + "</b></font></div>");
        Line(out, "</td>");
    }
    Line(out, "</tr>");

    for (const TDomainRow& row : rows) {
        const std::string url = "http://www." + HtmlText(row.Caption);
        const std::string target = NeedsQuotes(url) ? "\"" + url + "\"" : url;
        Line(out, "<TR>");
        Line(out, "<TD>");
        Line(out, "<b><a href=" + target + ">" + url + "</a></b>");
        Line(out, "</TD>");
        for (std::size_t slot = SlotAvailability; slot <= SlotExpires; ++slot) {
            // Rows read from a file may have fewer slots than the table shows.
            const std::string_view text = slot < row.Slots.size() ? std::string_view(row.Slots[slot]) : "";
            Line(out, "<TD>");
            Line(out, TrimView(text).empty() ? std::string("&nbsp;") : HtmlText(text));
            Line(out, "</TD>");
        }
        Line(out, "</TR>");
    }

    Line(out, "</table>");
    Line(out, std::string("<p align=\"center\">Created with Quarrow 2009. Copyright &copy; 2009 <a href=\"") +
                  MakerWebSite + "\">Morvane</a>.");
    Line(out, "All rights reserved.<br>");
    Line(out, "</p>");
    Line(out, "<p>&nbsp;</p>");
    Line(out, "</body>");
    Line(out, "</html>");
    return out;
}

void SaveHtmlReport(const std::string& path, const std::vector<TDomainRow>& rows, std::string_view dateTime)
{
    TAtomicFileWriter file(path);
    file.Write(HtmlReport(rows, dateTime));
    if (!file.Commit())
        throw TQuarrowError("Cannot create file \"" + path + "\". " + file.Error());
}

std::string RegistrationAddress(std::string_view host, std::string_view domain)
{
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    std::string address = "http://" + std::string(host) + "/register-domain.php?d=";
    for (char c : domain) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                                (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            address += c;
        } else {
            address += '%';
            address += hexDigits[byte >> 4];
            address += hexDigits[byte & 0xF];
        }
    }
    return address;
}
