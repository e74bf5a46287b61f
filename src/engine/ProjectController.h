#pragma once

#include "engine/ProjectPrompts.h"
#include "engine/ProjectWorkspace.h"
#include "models/DomainSortProxy.h"
#include "project/XMLSaveLoad.h"

#include <QObject>
#include <QString>

#include <functional>

// The life of a project in the main window: New, Open, Save and Save as, the unsaved-changes
// question before New, Open and closing, the project's name in the caption, and the Modified flag.
//
// A save writes the rows in the order the table shows them. An open reads the whole file before
// anything of the window changes: a refused or broken file leaves the project as it was, and the
// table's sorting is switched back on whatever happens. A save that fails leaves the old file
// whole, says why and leaves Modified set; the command that asked for it (New, Open, closing)
// then stops instead of throwing the changes away.
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
    bool CloseQuery() { return SettleChanges(); }
    // Writes the project into `path`; on failure says why and keeps Modified.
    bool SaveProject(const QString& path);

signals:
    void CaptionChanged(const QString& caption);
    void ModifiedChanged(bool modified);

private:
    // The unsaved-changes question: false when the command must stop.
    bool SettleChanges();
    // Reads `path` and, when it is a project, puts it in the window; sorting is paused by the caller.
    bool OpenPath(const QString& path);
    void SetModifiedFlag(bool modified);
    void SetProjectFileName(const QString& name);

    TXMLSaveLoad& Store;
    TDomainSortProxy& Table;
    TProjectWorkspace& Workspace;
    TProjectPrompts& Prompts;
    // Asked afresh for each Open: the documents folder may move while the program runs.
    std::function<QString()> ProjectsFolder;
    QString FileName = QLatin1String(UntitledName);
    bool IsModified = false;
};
