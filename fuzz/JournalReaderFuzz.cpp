// Feeds arbitrary bytes to the check journal's reader, as a check that was killed (or a disk that
// failed) may leave them. The records read are exactly the whole ones at the start: written again
// they give back the bytes they came from, and those bytes alone read as a whole journal. Applied
// to a project, they change only the rows of their names and leave every row with an answers
// entry of its own. Recovered from a file, the file is left holding just those records.
#include "FuzzSupport.h"

#include "base/WholeFile.h"
#include "project/JournalReader.h"
#include "project/JournalRecovery.h"
#include "project/JournalWriter.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace {

TProjectData SmallProject()
{
    TProjectData project;
    // Two rows of one name, a row sharing another's entry, and a row without slots.
    project.Rows = {{"a.com", true, {"", "", "", "", "0", ""}},
                    {"a.com", true, {"YES", "", "", "", "1", ""}},
                    {"b.com", false, {"NO", "Reg", "", "", "1", ""}},
                    {"c.com", true, {}},
                    {"x", true, {"", "", "", "", "99", ""}}};
    project.AnswerLog = {"first", "second"};
    return project;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TJournalReader::TContents contents = TJournalReader::Read(bytes);
    FUZZ_REQUIRE(contents.WholeBytes <= size);
    if (contents.Status == TJournalReader::TStatus::Unreadable) {
        FUZZ_REQUIRE(contents.Records.empty() && contents.WholeBytes == 0);
    } else {
        FUZZ_REQUIRE((contents.Status == TJournalReader::TStatus::Whole) == (contents.WholeBytes == size));
        std::string again = contents.WholeBytes == 0 ? std::string() : std::string(JournalLayout::Header);
        for (const TJournalRecord& record : contents.Records) {
            FUZZ_REQUIRE(!record.Caption.empty());
            again += TJournalWriter::Encode(record);
        }
        FUZZ_REQUIRE(again == bytes.substr(0, contents.WholeBytes));
        const TJournalReader::TContents prefix = TJournalReader::Read(again);
        FUZZ_REQUIRE(prefix.Status == TJournalReader::TStatus::Whole && prefix.Records == contents.Records);
    }

    TProjectData project = SmallProject();
    const TProjectData before = project;
    const TJournalRecovery::TOutcome outcome = TJournalRecovery::Apply(project, contents.Records);
    FUZZ_REQUIRE(outcome.Applied + outcome.Unknown == static_cast<int>(contents.Records.size()));
    FUZZ_REQUIRE(project.Rows.size() == before.Rows.size());
    std::set<std::string> entries;
    for (std::size_t i = 0; i < project.Rows.size(); ++i) {
        const TDomainRow& row = project.Rows[i];
        FUZZ_REQUIRE(row.Caption == before.Rows[i].Caption && row.Checked == before.Rows[i].Checked);
        if (outcome.Names.count(row.Caption) == 0) {
            FUZZ_REQUIRE(row.Slots == before.Rows[i].Slots);
            continue;
        }
        const std::size_t entry = std::stoul(row.Slots[SlotAnswerIndex]);
        FUZZ_REQUIRE(entry < project.AnswerLog.size());
        FUZZ_REQUIRE(entries.insert(row.Slots[SlotAnswerIndex]).second);
    }
    // The entries of rows no record named keep their texts.
    if (outcome.Names.count("b.com") == 0)
        FUZZ_REQUIRE(project.AnswerLog[1] == before.AnswerLog[1]);

    const std::string path = ScratchFolder() + "/p.prj.xml.journal";
    WriteScratchFile(path, bytes);
    TProjectData recovered = SmallProject();
    const TJournalRecovery::TOutcome fromFile = TJournalRecovery::Recover(path, recovered);
    FUZZ_REQUIRE(fromFile.Found);
    if (fromFile.SetAside) {
        FUZZ_REQUIRE(contents.Status == TJournalReader::TStatus::Unreadable);
        std::remove((path + TJournalRecovery::SetAsideSuffix).c_str());
    } else {
        FUZZ_REQUIRE(recovered.Rows == project.Rows && recovered.AnswerLog == project.AnswerLog);
        FUZZ_REQUIRE(ReadWholeFile(path, size + 1).View() == bytes.substr(0, contents.WholeBytes));
    }
    return 0;
}
