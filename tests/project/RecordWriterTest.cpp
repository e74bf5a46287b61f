#include "project/RecordWriter.h"
#include "project/RecordFields.h"

#include "base/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Table(TRecordFormat format, const std::vector<std::vector<TRecordField>>& records)
{
    TRecordWriter writer(format, {"domain", "checked", "note"});
    std::string out = writer.Begin();
    for (const auto& record : records)
        out += writer.Record(record);
    return out + writer.End();
}

TEST(RecordWriter, EachFormatFramesItsRecords)
{
    const std::vector<std::vector<TRecordField>> records = {{"a.com", true, "x, \"y\""}, {"b.com", false, ""}};
    EXPECT_EQ(Table(TRecordFormat::Tsv, records), "a.com\t1\tx, \"y\"\nb.com\t0\t\n");
    EXPECT_EQ(Table(TRecordFormat::Csv, records), "domain,checked,note\r\na.com,1,\"x, \"\"y\"\"\"\r\nb.com,0,\r\n");
    EXPECT_EQ(Table(TRecordFormat::Json, records),
              "[\n  {\"domain\": \"a.com\", \"checked\": true, \"note\": \"x, \\\"y\\\"\"},\n"
              "  {\"domain\": \"b.com\", \"checked\": false, \"note\": \"\"}\n]\n");
    EXPECT_EQ(Table(TRecordFormat::Json, {}), "[]\n");
    EXPECT_EQ(Table(TRecordFormat::Csv, {}), "domain,checked,note\r\n");
}

// Answers are remote input: no bytes a host sends may spoil the document around them.
TEST(RecordWriter, HostileBytesCannotBreakARecord)
{
    const std::string hostile = std::string("\xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80 \xE9\0\x01\x7F\t\r\n\\", 20);
    EXPECT_TRUE(IsValidUtf8(JsonString(hostile)));
    EXPECT_EQ(JsonString(hostile),
              "\"\xC3\x80\xC2\xAF \xC3\xAD\xC2\xA0\xC2\x80 \xC3\xB4\xC2\x90\xC2\x80\xC2\x80 \xC3\xA9"
              "\\u0000\\u0001\\u007f\\u0009\\u000d\\u000a\\\\\"");
    EXPECT_TRUE(IsValidUtf8(CsvField(hostile)));
    EXPECT_EQ(CsvField("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(CsvField("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(TsvField(hostile),
              std::string("\xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80 \xE9") + "\\x00\\x01\\x7F\\t\\r\\n\\\\");
}

// A text a spreadsheet would run as a formula is written as text in CSV and TSV; JSON stays exact.
TEST(RecordWriter, CellsThatSpreadsheetsWouldRunGetALeadingApostrophe)
{
    struct TCase
    {
        std::string Text, Csv, Tsv;
    };
    const std::vector<TCase> cases = {
        {"=HYPERLINK(\"http://x.test\",\"Reg\")", "\"'=HYPERLINK(\"\"http://x.test\"\",\"\"Reg\"\")\"",
         "'=HYPERLINK(\"http://x.test\",\"Reg\")"},
        {"@SUM(1+1)*cmd|' /C calc'!A0", "'@SUM(1+1)*cmd|' /C calc'!A0", "'@SUM(1+1)*cmd|' /C calc'!A0"},
        {"+1", "'+1", "'+1"},
        {"-2+3", "'-2+3", "'-2+3"},
        {"\t=1", "'\t=1", "'\\t=1"},
        {"\r=1", "\"'\r=1\"", "'\\r=1"},
        // Only the first character counts, and it must be the mark itself.
        {" =1", " =1", " =1"},
        {"a=1", "a=1", "a=1"},
        {"'=1", "'=1", "'=1"},
        {"", "", ""},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(CsvField(c.Text), c.Csv) << c.Text;
        EXPECT_EQ(TsvField(c.Text), c.Tsv) << c.Text;
        EXPECT_EQ(JsonString(c.Text)[1] == '\'', c.Text.starts_with('\'')) << c.Text;
    }
}

TEST(RecordWriter, TablesTakeShortRowsAndStopAtTheFirstFailedWrite)
{
    const std::vector<TDomainRow> rows = {{"a.com", true, {"NO", "Reg", "whois.reg.test", "2027-03-14", "0"}},
                                          {"b.com", false, {"YES"}},
                                          {"c.com", true, {}}};
    // The ace and expires columns hold what the caller makes of each name and expiry.
    const TRecordWriter::TTableTexts texts = {
        [](const std::string& name) { return name == "b.com" ? std::string() : "ace-" + name; },
        [](const std::string& expiry) { return expiry.empty() ? expiry : "day " + expiry; }};
    std::string out;
    ASSERT_TRUE(TRecordWriter::WriteTable(rows, TRecordFormat::Csv, texts, [&](std::string_view piece) {
        out += piece;
        return true;
    }));
    EXPECT_EQ(out,
              "domain,checked,availability,registrar,whois_server,expires,ace\r\n"
              "a.com,1,NO,Reg,whois.reg.test,day 2027-03-14,ace-a.com\r\nb.com,0,YES,,,,\r\nc.com,1,,,,,ace-c.com\r\n");

    int pieces = 0;
    EXPECT_FALSE(
        TRecordWriter::WriteTable(rows, TRecordFormat::Json, texts, [&](std::string_view) { return ++pieces < 2; }));
    EXPECT_EQ(pieces, 2); // the opening and the first record, nothing after the failure
}

} // namespace
