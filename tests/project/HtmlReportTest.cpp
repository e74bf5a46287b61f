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
    ASSERT_EQ(lines.size(), 13u + 3 + 17 + 17 + 1 + 6);
    EXPECT_EQ(lines[0], "<head>");
    EXPECT_EQ(lines[12], "</head>");
    EXPECT_EQ(lines[13], "<body bgcolor=\"#FFFFFF\" text=\"#000000\">");
    EXPECT_EQ(lines[14], "<h1>Quarrow 2009 Report: 05.03.2009 14:07:09.</h1>");
    EXPECT_EQ(lines[16], "<tr bgcolor=\"#CCCCCC\">");
    EXPECT_EQ(lines[27], "<div align=\"left\"><font color=\"#000000\"><b>Whois server</b></font></div>");
    EXPECT_EQ(RowBlock(lines, 0),
              (std::vector<std::string>{"<TR>", "<TD>", "<b><a href=http://www.shop.com>http://www.shop.com</a></b>",
                                        "</TD>", "<TD>", "&nbsp;", "</TD>", "<TD>", "&nbsp;", "</TD>", "<TD>", "&nbsp;",
                                        "</TD>", "<TD>", "&nbsp;", "</TD>", "</TR>"}));
    EXPECT_EQ(lines[lines.size() - 7], "</table>");
    EXPECT_THAT(lines[lines.size() - 6], testing::StartsWith("<p align=\"center\">"));
    EXPECT_THAT(lines[lines.size() - 5], testing::EndsWith("<br>"));
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
              (std::vector<std::string>{"</p>", "<p>&nbsp;</p>", "</body>", "</html>"}));
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
