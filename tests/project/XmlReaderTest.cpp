#include "project/XmlReader.h"
#include "base/QuarrowError.h"
#include "project/XmlWriter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using TNodeId = TXmlDocument::TNodeId;

TNodeId Path(const TXmlDocument& doc, std::initializer_list<std::string_view> names)
{
    TNodeId node = TXmlDocument::Root;
    for (std::string_view name : names)
        node = doc.FindChild(node, name);
    return node;
}

std::string ErrorOf(std::string_view text)
{
    try {
        TXmlReader::Parse(text);
    } catch (const TQuarrowError& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(XmlReader, NumericNamesAndNamesInAnyCase)
{
    const TXmlDocument doc = TXmlReader::Parse("<QRW><project><prefix><0><VALUE>web</VALUE></0><12>x</12>"
                                               "<Count>2</Count></prefix></project></QRW>");
    EXPECT_EQ(doc.Name(TXmlDocument::Root), "QRW");
    EXPECT_EQ(doc.Value(Path(doc, {"PROJECT", "Prefix", "0", "Value"})), "web");
    EXPECT_EQ(doc.Value(Path(doc, {"PROJECT", "Prefix", "12"})), "x");
    EXPECT_EQ(doc.Value(Path(doc, {"PROJECT", "PREFIX", "COUNT"})), "2");
    EXPECT_EQ(Path(doc, {"PROJECT", "Prefix", "1"}), TXmlDocument::NoNode);
    EXPECT_EQ(Path(doc, {"PROJECT", "Prefix", "00"}), TXmlDocument::NoNode);
}

TEST(XmlReader, ContentIsTakenExactlyBetweenTheTags)
{
    const TXmlDocument doc = TXmlReader::Parse("<?xml version=\"1.0\"?>\r\n<QRW>\r\n  <A>  two\r\n lines \t</A>\r\n"
                                               "  <B>\n</B>\n  <C></C><D/>\n</QRW>\r\n");
    EXPECT_EQ(doc.Value(Path(doc, {"A"})), "  two\r\n lines \t");
    EXPECT_EQ(doc.Value(Path(doc, {"B"})), "\n");
    EXPECT_EQ(doc.Value(Path(doc, {"C"})), "");
    EXPECT_EQ(doc.Value(Path(doc, {"D"})), "");
    // White space between elements is not a value of the element holding them.
    EXPECT_EQ(doc.Value(TXmlDocument::Root), "");
}

TEST(XmlReader, DecodesEntitiesAndCharacterReferences)
{
    const TXmlDocument doc =
        TXmlReader::Parse("<QRW><A>&lt;&GT;&Amp;&apos;&QUOT;</A><B>caf&#xE9; &#233; &#65;&#x42;</B>"
                          "<C>AT&T &unknown; & &#; &#x; &#xZZ; &#99999999999;</C><D>&#x263A;</D><E>&#x&amp;</E></QRW>");
    EXPECT_EQ(doc.Value(Path(doc, {"A"})), "<>&'\"");
    EXPECT_EQ(doc.Value(Path(doc, {"B"})), "caf\xE9 \xE9 AB");
    EXPECT_EQ(doc.Value(Path(doc, {"C"})), "AT&T &unknown; & &#; &#x; &#xZZ; &#99999999999;");
    // Codes beyond one byte are stored as UTF-8.
    EXPECT_EQ(doc.Value(Path(doc, {"D"})), "\xE2\x98\xBA");
    EXPECT_EQ(doc.Value(Path(doc, {"E"})), "&#x&");
}

TEST(XmlReader, AcceptsCommentsCDataAttributesAndDocumentType)
{
    const TXmlDocument doc = TXmlReader::Parse(
        "\xEF\xBB\xBF<?xml version=\"1.0\"?><!-- c-> --><!DOCTYPE QRW [<!ELEMENT QRW ANY>]>\n"
        "<QRW a=\"1>/\" b='x'><A>x<!-- gone -->y</A><B><![CDATA[<&amp;>]]></B><C q=\"v\"/><?pi?></QRW><!-- end -->\n");
    EXPECT_EQ(doc.Value(Path(doc, {"A"})), "xy");
    EXPECT_EQ(doc.Value(Path(doc, {"B"})), "<&amp;>");
    EXPECT_NE(Path(doc, {"C"}), TXmlDocument::NoNode);
    // Either quote may hold the characters that would otherwise end the markup.
    for (const char* text : {"<!DOCTYPE QRW SYSTEM 'a>b'><QRW/>", "<!DOCTYPE QRW SYSTEM \"a>b\"><QRW/>",
                             "<QRW><A b='x/y'>v</A></QRW>", "<QRW><A b=\"x/y\">v</A></QRW>"})
        EXPECT_EQ(ErrorOf(text), "(accepted)") << text;
}

TEST(XmlReader, MalformedDocumentsNameTheProblemAndItsLine)
{
    EXPECT_THAT(ErrorOf("<QRW>\r\n  <A>x</A>\r\n  <B>\r\n</QRW>"),
                testing::AllOf(testing::HasSubstr("line 4"), testing::HasSubstr("</QRW>"), testing::HasSubstr("<B>"),
                               testing::HasSubstr("line 3")));
    EXPECT_THAT(ErrorOf("<QRW>\n<A>\n  <B>x</B>\n"),
                testing::AllOf(testing::HasSubstr("line 2"), testing::HasSubstr("<A> is not closed")));
    EXPECT_THAT(ErrorOf("<QRW>\n\n< >x</ ></QRW>"),
                testing::AllOf(testing::HasSubstr("line 3"), testing::HasSubstr("without a name")));
    EXPECT_THAT(ErrorOf("<QRW><>x</></QRW>"), testing::HasSubstr("without a name"));
    EXPECT_THAT(ErrorOf("<QRW><A>x</a></QRW>"), testing::HasSubstr("does not match"));
    EXPECT_THAT(ErrorOf(""), testing::HasSubstr("no root element"));
    EXPECT_THAT(ErrorOf("\xEF\xBB\xBF"), testing::HasSubstr("no root element"));
    EXPECT_THAT(ErrorOf("hello <QRW/>"), testing::HasSubstr("text before the root"));
    EXPECT_THAT(ErrorOf("<QRW/>tail"), testing::HasSubstr("text after the root"));
    EXPECT_THAT(ErrorOf("<QRW/><QRW/>"), testing::HasSubstr("second root"));
    EXPECT_THAT(ErrorOf("<QRW><A"), testing::HasSubstr("not closed"));
    EXPECT_THAT(ErrorOf("<QRW><A b=\"></A></QRW>"), testing::HasSubstr("not closed"));
    EXPECT_THAT(ErrorOf("<QRW><!-- x </QRW>"), testing::HasSubstr("comment is not closed"));
    EXPECT_THAT(ErrorOf("<QRW><A/B></QRW>"), testing::HasSubstr("malformed"));
    EXPECT_THAT(ErrorOf("<QRW></QRW"), testing::HasSubstr("not closed"));
}

TEST(XmlReader, DeepNestingIsRefusedInsteadOfExhaustingTheStack)
{
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    EXPECT_THAT(ErrorOf(deep), testing::HasSubstr("nested too deeply"));
    const auto nested = [](std::size_t depth) {
        std::string text;
        for (std::size_t i = 0; i < depth; ++i)
            text += "<a>";
        for (std::size_t i = 0; i < depth; ++i)
            text += "</a>";
        return text;
    };
    EXPECT_EQ(ErrorOf(nested(TXmlReader::MaxDepth)), "(accepted)");
    EXPECT_THAT(ErrorOf(nested(TXmlReader::MaxDepth + 1)), testing::HasSubstr("nested too deeply"));
}

TEST(XmlWriter, RoundTripOfAParsedDocumentIsStable)
{
    const std::string text = "<QRW><A>a &amp; b</A><x a='1'><0/><1>  \r\n</1></x><B>&#xE9;<!--c--></B></QRW>";
    const std::string once = TXmlWriter::ToString(TXmlReader::Parse(text));
    EXPECT_EQ(once, "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<QRW>\r\n  <A>a &amp; b</A>\r\n"
                    "  <x>\r\n    <0/>\r\n    <1>  \r\n</1>\r\n  </x>\r\n  <B>&#xE9;</B>\r\n</QRW>\r\n");
    EXPECT_EQ(TXmlWriter::ToString(TXmlReader::Parse(once)), once);
}

TEST(XmlWriter, EncodesTheFiveCharactersAndHighBytesOnly)
{
    std::string out;
    TXmlWriter::AppendEncoded(out, "<a href=\"x\">'&'</a>\x01\t\x7F\x80\xFF");
    EXPECT_EQ(out, "&lt;a href=&quot;x&quot;&gt;&apos;&amp;&apos;&lt;/a&gt;\x01\t\x7F&#x80;&#xFF;");
}

} // namespace
