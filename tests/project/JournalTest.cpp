#include "base/WholeFile.h"
#include "project/JournalReader.h"
#include "project/JournalRecovery.h"
#include "project/JournalWriter.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using testing::HasSubstr;
using TStatus = TJournalReader::TStatus;

std::vector<TJournalRecord> SampleRecords()
{
    // Bytes a host may send: line breaks, NUL, digits and colons where the layout has its own.
    return {{"a.com", TRowResult::Available, "", "", "", "No match for \"a.com\".\r\n"},
            {"b.com", TRowResult::Registered, "12:Reg\n", "whois.b", "2030-05-12", std::string("R 5 x\n\0:1:", 10)},
            {"c.com", TRowResult::Error, "", "", "! soon !", ""}};
}

std::string JournalOf(const std::vector<TJournalRecord>& records)
{
    std::string bytes(JournalLayout::Header);
    for (const TJournalRecord& record : records)
        bytes += TJournalWriter::Encode(record);
    return bytes;
}

TEST(JournalReader, ReadsBackWhatWasWritten)
{
    const std::vector<TJournalRecord> records = SampleRecords();
    const std::string bytes = JournalOf(records);
    const TJournalReader::TContents contents = TJournalReader::Read(bytes);
    EXPECT_EQ(contents.Status, TStatus::Whole);
    EXPECT_EQ(contents.Records, records);
    EXPECT_EQ(contents.WholeBytes, bytes.size());
    // The verdict is written as the cell's word.
    EXPECT_THAT(bytes, HasSubstr("5:a.com3:YES"));
    EXPECT_THAT(bytes, HasSubstr("5:c.com12:RESULT ERROR"));

    // Records whose checksums hold every hex digit between them read back too.
    std::vector<TJournalRecord> more;
    std::string digits;
    for (int i = 0; digits.size() < 16 && i < 1000; ++i) {
        more.push_back({"n" + std::to_string(i) + ".com", TRowResult::Available, "", "", "", ""});
        const std::string frame = TJournalWriter::Encode(more.back());
        for (const char c : frame.substr(frame.find(' ', 2) + 1, 8))
            if (digits.find(c) == std::string::npos)
                digits += c;
    }
    ASSERT_EQ(digits.size(), 16u);
    EXPECT_EQ(TJournalReader::Read(JournalOf(more)).Records, more);
}

// A check killed while it wrote: whatever byte the file ends at, the records before it are read
// and nothing of the record it was writing.
TEST(JournalReader, ACutOffJournalGivesItsWholeRecords)
{
    const std::vector<TJournalRecord> records = SampleRecords();
    const std::string bytes = JournalOf(records);
    std::vector<std::size_t> ends = {JournalLayout::Header.size()};
    for (const TJournalRecord& record : records)
        ends.push_back(ends.back() + TJournalWriter::Encode(record).size());
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        const TJournalReader::TContents contents = TJournalReader::Read(std::string_view(bytes).substr(0, cut));
        std::size_t whole = 0;
        while (whole + 1 < ends.size() && ends[whole + 1] <= cut)
            ++whole;
        ASSERT_EQ(contents.Records.size(), whole) << "cut at " << cut;
        EXPECT_TRUE(std::equal(contents.Records.begin(), contents.Records.end(), records.begin())) << cut;
        const bool atBoundary = cut == 0 || cut == ends[whole];
        EXPECT_EQ(contents.Status, atBoundary ? TStatus::Whole : TStatus::CutOff) << "cut at " << cut;
        EXPECT_EQ(contents.WholeBytes, cut < ends[0] ? 0 : ends[whole]) << cut;
    }
}

TEST(JournalReader, ADamagedRecordEndsTheReading)
{
    const std::vector<TJournalRecord> records = SampleRecords();
    const std::string bytes = JournalOf(records);
    const std::size_t second = JournalLayout::Header.size() + TJournalWriter::Encode(records[0]).size();
    const std::size_t third = second + TJournalWriter::Encode(records[1]).size();
    // Every byte of the second record changed in turn: the first record stays, nothing after it.
    for (std::size_t at = second; at < third; ++at) {
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x20);
        const TJournalReader::TContents contents = TJournalReader::Read(damaged);
        ASSERT_EQ(contents.Records.size(), 1u) << "byte " << at;
        EXPECT_EQ(contents.Records[0], records[0]);
        EXPECT_NE(contents.Status, TStatus::Whole) << "byte " << at;
        EXPECT_EQ(contents.WholeBytes, second);
    }
    struct TCase
    {
        const char* Why;
        std::string Frame;
    };
    const std::string payload = "5:x.com2:NO0:0:0:0:";
    const auto frame = [](const std::string& length, const std::string& crc, const std::string& body) {
        return "R " + length + " " + crc + "\n" + body + "\n";
    };
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(JournalLayout::Crc32(payload)));
    const std::vector<TCase> cases = {
        {"a length with a leading zero", frame("0" + std::to_string(payload.size()), crc, payload)},
        {"a length beyond any record", frame("99999999999", crc, payload)},
        {"an upper-case checksum", frame(std::to_string(payload.size()), "ABCDEF12", payload)},
        {"no line break after the payload", "R " + std::to_string(payload.size()) + " " + crc + "\n" + payload + "x"},
        {"garbage instead of a frame", std::string(40, 'z')},
        {"a short tail that starts no frame", "zzz"},
    };
    for (const TCase& c : cases) {
        const TJournalReader::TContents contents = TJournalReader::Read(JournalOf({records[0]}) + c.Frame);
        EXPECT_EQ(contents.Status, TStatus::Damaged) << c.Why;
        EXPECT_EQ(contents.Records.size(), 1u) << c.Why;
    }
    // Fields that do not fill the payload exactly, or hold what no check ends with.
    for (const std::string& body :
         {std::string("5:x.com2:NO0:0:0:"), std::string("5:x.com2:NO0:0:0:0:extra"),
          std::string("5:x.com5:MAYBE0:0:0:0:"), std::string("0:2:NO0:0:0:0:"), std::string("5:x.com2:NO0:0:0:9:"),
          std::string("5:x.com2:NO0:0:0:1:"), std::string("05:x.com2:NO0:0:0:0:")}) {
        std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(JournalLayout::Crc32(body)));
        const TJournalReader::TContents contents =
            TJournalReader::Read(std::string(JournalLayout::Header) + frame(std::to_string(body.size()), crc, body));
        EXPECT_EQ(contents.Status, TStatus::Damaged) << body;
        EXPECT_TRUE(contents.Records.empty()) << body;
    }
}

TEST(JournalReader, BytesThatAreNoJournalAreUnreadable)
{
    for (const std::string& bytes : {std::string("<?xml version=\"1.0\"?>\n"), std::string("Quarrow check journal 2\n"),
                                     std::string("Q\n"), std::string("\0\0\0", 3)}) {
        const TJournalReader::TContents contents = TJournalReader::Read(bytes);
        EXPECT_EQ(contents.Status, TStatus::Unreadable) << bytes;
        EXPECT_TRUE(contents.Records.empty());
    }
}

TProjectData ProjectWith(std::vector<TDomainRow> rows, std::vector<std::string> answers)
{
    TProjectData project;
    project.Rows = std::move(rows);
    project.AnswerLog = std::move(answers);
    return project;
}

TEST(JournalRecovery, RecordsGoIntoTheRowsOfTheirNames)
{
    TProjectData project = ProjectWith({{"a.com", true, {"", "", "", "", "1", "77"}},
                                        {"b.com", false, {"NO", "Old", "", "", "0", ""}},
                                        // Shares b.com's answers entry (a project written by hand), and has no slots.
                                        {"c.com", true, {"", "", "", "", "0"}},
                                        {"d.com", true, {}},
                                        {"keep.com", true, {"YES", "", "", "", "2", ""}}},
                                       {"b answers", "a answers", "keep answers"});
    const std::vector<TJournalRecord> records = {
        {"a.com", TRowResult::Error, "", "", "", "first"},
        {"gone.com", TRowResult::Available, "", "", "", "not in the project"},
        {"a.com", TRowResult::Registered, "Reg", "whois.reg", "2031-01-02", "second"},
        {"c.com", TRowResult::Available, "", "", "", "c answers"},
        {"d.com", TRowResult::Available, "", "", "", "d answers"},
    };
    const TJournalRecovery::TOutcome outcome = TJournalRecovery::Apply(project, records);
    EXPECT_EQ(outcome.Applied, 4);
    EXPECT_EQ(outcome.Unknown, 1);
    EXPECT_EQ(outcome.Names, (std::unordered_set<std::string>{"a.com", "c.com", "d.com"}));
    ASSERT_EQ(project.Rows.size(), 5u);
    // The later record wins; the start tick goes; the row's own entry takes the answers.
    EXPECT_EQ(project.Rows[0].Slots, (std::vector<std::string>{"NO", "Reg", "whois.reg", "2031-01-02", "1", ""}));
    EXPECT_EQ(project.AnswerLog[1], "second");
    // A row whose entry another row shares gets an entry of its own; the other keeps its text.
    EXPECT_EQ(project.Rows[1].Slots[SlotAvailability], "NO");
    EXPECT_EQ(project.AnswerLog[0], "b answers");
    ASSERT_EQ(project.Rows[2].Slots.size(), static_cast<std::size_t>(DomainSlotCount));
    EXPECT_EQ(project.AnswerLog[std::stoul(project.Rows[2].Slots[SlotAnswerIndex])], "c answers");
    EXPECT_EQ(project.AnswerLog[std::stoul(project.Rows[3].Slots[SlotAnswerIndex])], "d answers");
    EXPECT_EQ(project.Rows[3].Slots[SlotAvailability], "YES");
    EXPECT_EQ(project.Rows[4].Slots[SlotAvailability], "YES");
    EXPECT_EQ(project.AnswerLog[2], "keep answers");
    EXPECT_EQ(project.AnswerLog.size(), 5u);
}

TEST(JournalRecovery, AFileCutOffIsCutBackSoThatAWriterCanGoOn)
{
    TTempDir dir;
    const std::vector<TJournalRecord> records = SampleRecords();
    const std::string whole = JournalOf({records[0], records[1]});
    const std::string path = dir.Write("p.prj.xml.journal", whole + TJournalWriter::Encode(records[2]).substr(0, 9));
    TProjectData project = ProjectWith({{"a.com", true, {"", "", "", "", "0", ""}},
                                        {"b.com", true, {"", "", "", "", "1", ""}},
                                        {"c.com", true, {"", "", "", "", "2", ""}}},
                                       {"", "", ""});
    const TJournalRecovery::TOutcome outcome = TJournalRecovery::Recover(path, project);
    EXPECT_TRUE(outcome.Found);
    EXPECT_TRUE(outcome.Truncated);
    EXPECT_EQ(outcome.Applied, 2);
    EXPECT_THAT(outcome.Message, HasSubstr("left 2 results in \"" + path + "\"; they were applied"));
    EXPECT_THAT(outcome.Message, HasSubstr("last record was cut off"));
    EXPECT_EQ(project.Rows[1].Slots[SlotRegistrar], "12:Reg\n");
    EXPECT_EQ(project.Rows[2].Slots[SlotAvailability], "");
    EXPECT_EQ(dir.Read("p.prj.xml.journal"), whole);

    TJournalWriter writer;
    ASSERT_TRUE(writer.Open(path)) << writer.Error();
    ASSERT_TRUE(writer.Append(records[2]));
    writer.Close();
    const TJournalReader::TContents contents = TJournalReader::Read(dir.Read("p.prj.xml.journal"));
    EXPECT_EQ(contents.Status, TStatus::Whole);
    EXPECT_EQ(contents.Records, records);
}

TEST(JournalRecovery, AFileThatIsNoJournalIsSetAsideAndNothingApplied)
{
    TTempDir dir;
    const std::string path = dir.Write("p.prj.xml.journal", "PK\x03\x04 not a journal");
    TProjectData project = ProjectWith({{"a.com", true, {"YES", "", "", "", "0", ""}}}, {"mine"});
    const TProjectData before = project;
    const TJournalRecovery::TOutcome outcome = TJournalRecovery::Recover(path, project);
    EXPECT_TRUE(outcome.SetAside);
    EXPECT_THAT(outcome.Message, HasSubstr("could not be read (it is no check journal)"));
    EXPECT_THAT(outcome.Message, HasSubstr("renamed to \"" + path + ".unreadable\""));
    EXPECT_EQ(project.Rows, before.Rows);
    EXPECT_EQ(project.AnswerLog, before.AnswerLog);
    EXPECT_NE(::access(path.c_str(), F_OK), 0);
    EXPECT_EQ(dir.Read("p.prj.xml.journal.unreadable"), "PK\x03\x04 not a journal");

    // No journal: nothing found, nothing said.
    const TJournalRecovery::TOutcome none = TJournalRecovery::Recover(dir.File("other.journal"), project);
    EXPECT_FALSE(none.Found);
    EXPECT_TRUE(none.Message.empty());
}

TEST(JournalWriter, CreatesTheFileWithItsHeaderAndRemovesIt)
{
    TTempDir dir;
    const std::string path = dir.File("j.journal");
    TJournalWriter writer;
    ASSERT_TRUE(writer.Open(path));
    EXPECT_EQ(dir.Read("j.journal"), JournalLayout::Header);
    ASSERT_TRUE(writer.Append(SampleRecords()[0]));
    // Written at once, before any sync: a killed process loses nothing the kernel has.
    EXPECT_TRUE(writer.Unsynced());
    EXPECT_EQ(TJournalReader::Read(dir.Read("j.journal")).Records.size(), 1u);
    EXPECT_TRUE(writer.Sync());
    EXPECT_FALSE(writer.Unsynced());
    EXPECT_TRUE(writer.Remove());
    EXPECT_NE(::access(path.c_str(), F_OK), 0);

    TJournalWriter refused;
    EXPECT_FALSE(refused.Open(dir.File("no/such/folder/j.journal")));
    EXPECT_THAT(refused.Error(), HasSubstr("cannot open the journal"));
    EXPECT_FALSE(refused.Append(SampleRecords()[0]));
}

} // namespace
