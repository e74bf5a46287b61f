#pragma once

#include "engine/ProjectLock.h"
#include "engine/ProjectPrompts.h"
#include "engine/ProjectWorkspace.h"
#include "project/XMLSaveLoad.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>

class TResultJournal;

class TDomainSortProxy;

// The life of a project in the main window: New, Open, Save and Save as, the unsaved-changes
// question before New, Open and closing, the project's name in the caption, and the Modified flag.
//
// A save writes the rows in the order the table shows them. An open reads the whole file before
// anything of the window changes: a refused or broken file leaves the project as it was, and the
// table's sorting is switched back on whatever happens. A save that fails leaves the old file
// whole, says why and leaves Modified set; the command that asked for it (New, Open, closing)
// then stops instead of throwing the changes away.
//
// With a journal, the results of the window's checks are journalled as they arrive: beside the
// project's file, or, while the project has none, beside a copy of it in the recovery file, made
// as each check starts. A journal left by a run that ended during a check is applied when its
// project is opened (which says so and marks the project modified); the next start offers a
// recovery copy back. A save, or changes thrown away (New, Open, closing), removes the journal.
//
// A check of a saved project takes the project's lock, which the window keeps while the project
// stays open: another program checking the same project would write the same journal, and the
// later save would throw the other's results away. Opening a project that another program is
// checking leaves its journal alone (it is being written, not left over). After a journal was
// applied, the person is asked whether to go on checking the ticked rows still without a result.
class TProjectController : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* UntitledName = "Untitled";
    static constexpr const char* CaptionPrefix = "Quarrow 2009 - ";

    TProjectController(TXMLSaveLoad& store, TDomainSortProxy& table, TProjectWorkspace& workspace,
                       TProjectPrompts& prompts, std::function<QString()> projectsFolder, QObject* parent = nullptr);

    const QString& ProjectFileName() const { return FileName; }
    QString Caption() const { return QLatin1String(CaptionPrefix) + FileName; }
    bool Modified() const { return IsModified; }
    // An edit of the project (words, switches, generation, "Check domains") sets it.
    void SetModified(bool modified = true) { SetModifiedFlag(modified); }

    // "New project": true when a new project was started.
    bool New();
    // "Open Project...": true when a project was opened.
    bool Open();
    // Opens `path` as "Open Project..." does after its dialog (a file named at start-up).
    bool OpenFile(const QString& path);
    // "Save project...": true when the project was written.
    bool Save();
    // "Save project as...": true when the project was written under the chosen name.
    bool SaveAs();
    // The unsaved-changes question of closing: true when the window may close.
    bool CloseQuery();
    // Writes the project into `path`; on failure says why and keeps Modified.
    bool SaveProject(const QString& path);

    // Journals the results from now on; `recoveryPath`: the copy of an unsaved project.
    void SetJournal(TResultJournal* journal, std::string recoveryPath);
    // "Check domains" or "Check errors again" (`wholePass`), or "Check selected domain", is about
    // to start: false (and the person told why) when it must not, because another program is
    // checking the project.
    bool CheckStarting(bool wholePass = true);
    // At start-up: offers the recovery copy a run left (Yes restores it as an unsaved project, No
    // throws it away, Cancel keeps it for later). True when it was restored.
    bool OfferRecovery();

signals:
    void CaptionChanged(const QString& caption);
    void ModifiedChanged(bool modified);
    // The person chose to go on checking the ticked rows without a result, after a journal.
    void ContinueRequested();

private:
    // The unsaved-changes question: false when the command must stop.
    bool SettleChanges();
    // Reads `path` and, when it is a project, puts it in the window; sorting is paused by the caller.
    bool OpenPath(const QString& path);
    void SetModifiedFlag(bool modified);
    void SetProjectFileName(const QString& name);
    // Points the journal at the current project's (none for an unsaved one without its copy).
    void FollowProjectFile();
    // Removes the current project's journal (and recovery copy): saved, or thrown away.
    void ForgetJournal();

    TXMLSaveLoad& Store;
    TDomainSortProxy& Table;
    TProjectWorkspace& Workspace;
    TProjectPrompts& Prompts;
    // Asked afresh for each Open: the documents folder may move while the program runs.
    std::function<QString()> ProjectsFolder;
    QString FileName = QLatin1String(UntitledName);
    bool IsModified = false;
    TResultJournal* Journal = nullptr;
    std::string RecoveryPath;
    // The recovery copy is the current unsaved project's.
    bool RecoveryActive = false;
    TProjectLock Lock;
};
