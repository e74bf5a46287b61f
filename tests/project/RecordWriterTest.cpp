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

TEST(RecordWriter, TablesTakeShortRowsAndStopAtTheFirstFailedWrite)
{
    const std::vector<TDomainRow> rows = {{"a.com", true, {"NO", "Reg", "whois.reg.test", "2027-03-14", "0"}},
                                          {"b.com", false, {"YES"}},
                                          {"c.com", true, {}}};
    std::string out;
    ASSERT_TRUE(TRecordWriter::WriteTable(rows, TRecordFormat::Csv, [&](std::string_view piece) {
        out += piece;
        return true;
    }));
    EXPECT_EQ(out, "domain,checked,availability,registrar,whois_server,expires\r\n"
                   "a.com,1,NO,Reg,whois.reg.test,2027-03-14\r\nb.com,0,YES,,,\r\nc.com,1,,,,\r\n");

    int pieces = 0;
    EXPECT_FALSE(TRecordWriter::WriteTable(rows, TRecordFormat::Json, [&](std::string_view) { return ++pieces < 2; }));
    EXPECT_EQ(pieces, 2); // the opening and the first record, nothing after the failure
}

} // namespace
