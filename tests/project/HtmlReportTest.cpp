#include "project/HtmlReport.h"
#include "base/QuarrowError.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "the last line does not end with CR LF";
    return lines;
}

// The 17 lines of row `index` (header row and the 17 lines before it skipped).
std::vector<std::string> RowBlock(const std::vector<std::string>& lines, std::size_t index)
{
    const std::size_t first = 13 + 1 + 1 + 1 + 17 + index * 17;
    return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(first),
                                    lines.begin() + static_cast<std::ptrdiff_t>(first + 17));
}

TEST(HtmlReport, LayoutOfANeverCheckedRow)
{
    const std::vector<std::string> lines =
        Lines(HtmlReport({{"shop.com", true, {"", "", "", "", "0", ""}}}, "05.03.2009 14:07:09"));
    std::vector<std::string> expected = {
        "<head>",
        "<title>Quarrow 2009 Report</title>",
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
        "<style type=\"text/css\">",
        "<!--",
        "td {  font-family: Verdana, Arial, Helvetica, sans-serif; font-size: 11px}",
        "tr {  font-family: Verdana, Arial, Helvetica, sans-serif; font-size: 11px}",
        "p {  font-family: Verdana, Arial, Helvetica, sans-serif; font-size: 10px}",
        "body {  font-family: Verdana, Arial, Helvetica, sans-serif; font-size: 9px}",
        "h1 {  font-family: Verdana, Arial, Helvetica, sans-serif; font-size: 12px; font-weight: bold}",
        "-->",
        "</style>",
        "</head>",
        "<body bgcolor=\"#FFFFFF\" text=\"#000000\">",
        "<h1>Quarrow 2009 Report: 05.03.2009 14:07:09.</h1>",
        "<table cellSpacing=0 cellPadding=2 width=\"100%\" border=1>",
        "<tr bgcolor=\"#CCCCCC\">",
    };
    for (const char* caption : {"Domain", "Availability", "Registrar", "Whois server", "Expires"})
        for (const std::string& line :
             {std::string("<td>"),
              "<div align=\"left\"><font color=\"#000000\"><b>" + std::string(caption) + "</b></font></div>",
              std::string("</td>")})
            expected.push_back(line);
    expected.push_back("</tr>");
    for (const char* line : {"<TR>", "<TD>", "<b><a href=http://www.shop.com>http://www.shop.com</a></b>", "</TD>",
                             "<TD>", "&nbsp;", "</TD>", "<TD>", "&nbsp;", "</TD>", "<TD>", "&nbsp;", "</TD>", "<TD>",
                             "&nbsp;", "</TD>", "</TR>", "</table>"})
        expected.push_back(line);
    expected.push_back(std::string("<p align=\"center\">Created with Quarrow 2009. Copyright &copy; 2009 <a href=\"") +
                       MakerWebSite + "\">Morvane</a>.");
    for (const char* line : {"All rights reserved.<br>", "</p>", "<p>&nbsp;</p>", "</body>", "</html>"})
        expected.push_back(line);
    EXPECT_EQ(lines, expected);
}

TEST(HtmlReport, DeclaresUtf8AndKeepsEveryByteReadableAsIt)
{
    const std::string latin1Answer = "M\xFCller GmbH"; // a host that answers in a legacy code page
    const std::string report =
        HtmlReport({{"m\xC3\xBCller.de", false, {"NO", "M\xC3\xBCller GmbH", latin1Answer, "", "1", ""}}}, "now");
    EXPECT_NE(report.find("charset=utf-8"), std::string::npos);
    EXPECT_EQ(report.find("8859"), std::string::npos);
    const std::vector<std::string> row = RowBlock(Lines(report), 0);
    EXPECT_EQ(row[2], "<b><a href=http://www.m\xC3\xBCller.de>http://www.m\xC3\xBCller.de</a></b>");
    EXPECT_EQ(row[8], "M\xC3\xBCller GmbH");
    EXPECT_EQ(row[11], "M\xC3\xBCller GmbH"); // the Latin-1 byte as its UTF-8 form
}

TEST(HtmlReport, EscapesEveryTextFromARow)
{
    const std::vector<TDomainRow> rows = {
        {"x.com", false, {"NO", "A & B <script>alert(\"r\")</script>", " \t\r\n", " padded ", "1", ""}},
        {"a b\"><img src=x>.com", true, {"YES"}},
    };
    const std::vector<std::string> lines = Lines(HtmlReport(rows, "now"));
    const std::vector<std::string> first = RowBlock(lines, 0);
    EXPECT_EQ(first[5], "NO");
    EXPECT_EQ(first[8], "A &amp; B &lt;script&gt;alert(&quot;r&quot;)&lt;/script&gt;");
    EXPECT_EQ(first[11], "&nbsp;");   // blanks and control characters only
    EXPECT_EQ(first[14], " padded "); // blanks around text are kept

    const std::vector<std::string> second = RowBlock(lines, 1);
    // A caption that would break out of an unquoted attribute gets a quoted, escaped target.
    EXPECT_EQ(second[2], "<b><a href=\"http://www.a b&quot;&gt;&lt;img src=x&gt;.com\">"
                         "http://www.a b&quot;&gt;&lt;img src=x&gt;.com</a></b>");
    EXPECT_EQ(second[5], "YES");
    EXPECT_EQ(second[8], "&nbsp;"); // slots the row does not have
    EXPECT_EQ(second[14], "&nbsp;");
    const std::string whole = HtmlReport(rows, "now");
    EXPECT_EQ(whole.find("<script"), std::string::npos);
    EXPECT_EQ(whole.find("<img"), std::string::npos);
}

TEST(HtmlReport, SaveReplacesTheFileOrReportsWhy)
{
    TTempDir dir;
    dir.Write("r.html", "old content that is longer than nothing");
    SaveHtmlReport(dir.File("r.html"), {}, "today");
    EXPECT_EQ(dir.Read("r.html"), HtmlReport({}, "today"));
    dir.Write("file", "x");
    EXPECT_THAT([&] { SaveHtmlReport(dir.File("file/r.html"), {}, "today"); },
                testing::ThrowsMessage<TQuarrowError>(testing::HasSubstr("Cannot create file \"")));
}

TEST(HtmlReport, RegistrationAddressEncodesTheDomain)
{
    EXPECT_EQ(RegistrationAddress("www.quarrow.com", "shop-1.com"),
              "http://www.quarrow.com/register-domain.php?d=shop-1.com");
    EXPECT_EQ(RegistrationAddress("h", "a&b=c #\xE9"), "http://h/register-domain.php?d=a%26b%3Dc%20%23%E9");
}

} // namespace
