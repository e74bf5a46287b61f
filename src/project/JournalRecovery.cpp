#include "project/JournalRecovery.h"

#include "base/WholeFile.h"
#include "project/JournalReader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <unordered_map>

namespace {

// Far beyond any real journal (a million rows with long answers), but it bounds the memory a
// stray huge file at the journal's name can take.
constexpr std::size_t MaxJournalBytes = std::size_t{16} << 30;

// The answers entry a row's slot 4 names, or -1 when it names none.
long EntryOf(const TDomainRow& row)
{
    if (row.Slots.size() <= SlotAnswerIndex)
        return -1;
    const std::string& text = row.Slots[SlotAnswerIndex];
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stol(text);
}

void PutIntoRow(TProjectData& project, std::size_t rowIndex, const TJournalRecord& record, std::vector<int>& entryUsers)
{
    TDomainRow& row = project.Rows[rowIndex];
    if (row.Slots.size() < DomainSlotCount)
        row.Slots.resize(DomainSlotCount);
    row.Slots[SlotAvailability] = std::string(JournalLayout::VerdictWord(record.Verdict));
    row.Slots[SlotRegistrar] = record.Registrar;
    row.Slots[SlotWhoisServer] = record.WhoisServer;
    row.Slots[SlotExpires] = record.Expires;
    row.Slots[SlotStartTick].clear();
    // The row's own answers entry takes the text; an entry it shares with another row, or none,
    // gives it a new one, so that no other row's answers change.
    const long entry = EntryOf(row);
    if (entry >= 0 && static_cast<std::size_t>(entry) < project.AnswerLog.size() &&
        entryUsers[static_cast<std::size_t>(entry)] == 1) {
        project.AnswerLog[static_cast<std::size_t>(entry)] = record.Answers;
        return;
    }
    if (entry >= 0 && static_cast<std::size_t>(entry) < entryUsers.size())
        --entryUsers[static_cast<std::size_t>(entry)];
    row.Slots[SlotAnswerIndex] = std::to_string(project.AnswerLog.size());
    project.AnswerLog.push_back(record.Answers);
    entryUsers.push_back(1);
}

std::string Plural(int count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

TJournalRecovery::TOutcome TJournalRecovery::Apply(TProjectData& project, const std::vector<TJournalRecord>& records)
{
    TOutcome outcome;
    std::unordered_map<std::string_view, std::vector<std::size_t>> rowsOfName;
    for (std::size_t i = 0; i < project.Rows.size(); ++i)
        rowsOfName[project.Rows[i].Caption].push_back(i);
    // How many rows name each answers entry.
    std::vector<int> entryUsers(project.AnswerLog.size(), 0);
    for (const TDomainRow& row : project.Rows)
        if (const long entry = EntryOf(row); entry >= 0 && static_cast<std::size_t>(entry) < entryUsers.size())
            ++entryUsers[static_cast<std::size_t>(entry)];
    for (const TJournalRecord& record : records) {
        const auto rows = rowsOfName.find(record.Caption);
        if (rows == rowsOfName.end()) {
            ++outcome.Unknown;
            continue;
        }
        for (const std::size_t row : rows->second)
            PutIntoRow(project, row, record, entryUsers);
        ++outcome.Applied;
        outcome.Names.insert(record.Caption);
    }
    return outcome;
}

TJournalRecovery::TOutcome TJournalRecovery::Recover(const std::string& journalPath, TProjectData& project)
{
    const TWholeFile file = ReadWholeFile(journalPath, MaxJournalBytes);
    if (file.Status == TWholeFile::TStatus::Missing)
        return {};
    TOutcome outcome;
    outcome.Found = true;
    const std::string quoted = "\"" + journalPath + "\"";
    TJournalReader::TContents contents;
    if (file.Loaded())
        contents = TJournalReader::Read(file.View());
    if (!file.Loaded() || contents.Status == TJournalReader::TStatus::Unreadable) {
        // Set aside, never in the way again: the next check starts a journal of its own.
        const std::string aside = journalPath + SetAsideSuffix;
        outcome.SetAside = true;
        outcome.Message = "The check journal " + quoted + " could not be read (" +
                          (file.Loaded() ? std::string("it is no check journal") : file.Error) + ")";
        if (std::rename(journalPath.c_str(), aside.c_str()) == 0)
            outcome.Message += "; it was renamed to \"" + aside + "\" and nothing of it was applied.";
        else
            outcome.Message += " and could not be renamed: " + std::string(std::strerror(errno)) + ".";
        return outcome;
    }
    TOutcome applied = Apply(project, contents.Records);
    applied.Found = true;
    applied.Message = "A check that did not finish left " + Plural(applied.Applied, "result", "results") + " in " +
                      quoted + "; they were applied";
    if (applied.Unknown > 0)
        applied.Message += " (" + Plural(applied.Unknown, "record names a row", "records name rows") +
                           " the project does not have, left out)";
    if (contents.Status != TJournalReader::TStatus::Whole) {
        applied.Truncated = true;
        applied.Message += contents.Status == TJournalReader::TStatus::CutOff
                               ? ". Its last record was cut off and is left out"
                               : ". A damaged record and everything after it are left out";
        if (::truncate(journalPath.c_str(), static_cast<off_t>(contents.WholeBytes)) != 0)
            applied.Message += " (the file could not be cut back: " + std::string(std::strerror(errno)) + ")";
    }
    applied.Message += ".";
    return applied;
}
