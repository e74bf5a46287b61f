#pragma once

#include "project/JournalRecord.h"
#include "project/ProjectFile.h"

#include <string>
#include <unordered_set>
#include <vector>

// What a check that did not finish left in its journal, put back into its project. A project's
// journal is its file's path with JournalSuffix. The records go into the rows of their names (a
// later record of a name over an earlier one); a record whose name the project has no row for is
// left out, and the project's own rows stay as they are.
class TJournalRecovery
{
public:
    static constexpr const char* JournalSuffix = ".journal";
    // A journal that cannot be read is renamed to this beside it and never read again.
    static constexpr const char* SetAsideSuffix = ".unreadable";

    struct TOutcome
    {
        bool Found = false;     // a journal was there
        bool SetAside = false;  // it was no journal and was renamed
        bool Truncated = false; // a cut-off or damaged end was left out (and cut off the file)
        int Applied = 0;        // records put into rows
        int Unknown = 0;        // records whose name no row has
        // The names that have a result from the journal.
        std::unordered_set<std::string> Names;
        // For the person: what was done, or empty when there was no journal. Also says why the
        // file could not be set aside or cut back when that failed.
        std::string Message;
    };

    static std::string JournalPathOf(const std::string& projectPath) { return projectPath + JournalSuffix; }

    // Puts the records into the project's rows; the counts and names of the outcome.
    static TOutcome Apply(TProjectData& project, const std::vector<TJournalRecord>& records);
    // Reads the journal at `journalPath` (if any) into `project`. A journal that is no journal is
    // set aside; one whose end is cut off or damaged is cut back to its last whole record, so that
    // a writer may go on appending to it.
    static TOutcome Recover(const std::string& journalPath, TProjectData& project);
};
