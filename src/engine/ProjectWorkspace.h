#pragma once

struct TProjectData;

// What a project holds besides the domain table, as the window keeps it: the word lists, the
// "Use prefix"/"Use suffix" switches and the generator's hyphen switch; and the window's parts
// that the project commands clear or drive.
class TProjectWorkspace
{
public:
    virtual ~TProjectWorkspace() = default;

    // Switches and word lists into or out of a project (rows and answers are the table's).
    virtual void StoreInto(TProjectData& project) const = 0;
    virtual void LoadFrom(const TProjectData& project) = 0;
    // A new project: the four lists emptied, both switches off, the Prefix page in front, the TLD
    // list refilled from the configuration file.
    virtual void ResetWords() = 0;
    // Stops a running pass; the results of workers still running then find no row.
    virtual void StopChecks() = 0;
    // Empties the answers panel.
    virtual void ClearAnswers() = 0;
    virtual void ShowProgress(int position, int maximum) = 0;
};
