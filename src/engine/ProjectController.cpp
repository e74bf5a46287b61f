#include "engine/ProjectController.h"

#include "base/QuarrowError.h"
#include "core/RowResult.h"
#include "engine/ResultJournal.h"
#include "models/DomainSortProxy.h"
#include "project/JournalRecovery.h"
#include "project/ProjectFile.h"

#include <cstdint>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int OpenSteps = 10;

// Switches the table's sorting off while a project loads and back on on every way out, so that
// the rows arrive in the file's order and are sorted once.
class TSortingPaused
{
public:
    explicit TSortingPaused(TDomainSortProxy& table) : Table(table), Type(table.SortType())
    {
        Table.SetSortType(stNone);
    }
    ~TSortingPaused() { Table.SetSortType(Type == stNone ? stBoth : Type); }
    TSortingPaused(const TSortingPaused&) = delete;
    TSortingPaused& operator=(const TSortingPaused&) = delete;

private:
    TDomainSortProxy& Table;
    TSortType Type;
};

std::string ToBytes(const QString& path)
{
    return path.toStdString();
}

// The ticked rows a check would still have to ask.
int UnfinishedRows(const TProjectData& project)
{
    int rows = 0;
    for (const TDomainRow& row : project.Rows)
        if (row.Checked && RowResultOf(row.Slots.size() > SlotAvailability ? row.Slots[SlotAvailability]
                                                                           : std::string()) == TRowResult::Unchecked)
            ++rows;
    return rows;
}

} // namespace

TProjectController::TProjectController(TXMLSaveLoad& store, TDomainSortProxy& table, TProjectWorkspace& workspace,
                                       TProjectPrompts& prompts, std::function<QString()> projectsFolder,
                                       QObject* parent)
    : QObject(parent), Store(store), Table(table), Workspace(workspace), Prompts(prompts),
      ProjectsFolder(std::move(projectsFolder))
{
    if (!ProjectsFolder)
        ProjectsFolder = [] { return QString(); }; // the dialog's own start folder
}

void TProjectController::SetModifiedFlag(bool modified)
{
    if (modified == IsModified)
        return;
    IsModified = modified;
    emit ModifiedChanged(modified);
}

void TProjectController::SetProjectFileName(const QString& name)
{
    FileName = name;
    // The lock is the checked project's; the window has moved on to another.
    if (Lock.Held() && Lock.ProjectPath() != ToBytes(name))
        Lock.Release();
    FollowProjectFile();
    emit CaptionChanged(Caption());
}

void TProjectController::SetJournal(TResultJournal* journal, std::string recoveryPath)
{
    Journal = journal;
    RecoveryPath = std::move(recoveryPath);
    if (Journal)
        connect(Journal, &TResultJournal::Failed, this, [this](const QString& message) {
            Prompts.ShowMessage(message + QStringLiteral("\nThe check goes on without a journal."));
        });
    FollowProjectFile();
}

void TProjectController::FollowProjectFile()
{
    if (!Journal)
        return;
    if (FileName != QLatin1String(UntitledName))
        Journal->SetPath(TJournalRecovery::JournalPathOf(ToBytes(FileName)));
    else
        Journal->SetPath(RecoveryActive ? TJournalRecovery::JournalPathOf(RecoveryPath) : std::string());
}

void TProjectController::ForgetJournal()
{
    if (!Journal)
        return;
    Journal->Discard();
    if (RecoveryActive) {
        ::unlink(RecoveryPath.c_str());
        ::unlink(TJournalRecovery::JournalPathOf(RecoveryPath).c_str());
        RecoveryActive = false;
    }
    FollowProjectFile();
}

bool TProjectController::CheckStarting(bool wholePass)
{
    if (FileName != QLatin1String(UntitledName)) {
        if (Lock.Take(ToBytes(FileName)))
            return true;
        Prompts.ShowMessage(QString::fromStdString(Lock.Refusal()) + QStringLiteral("\nThe check was not started."));
        return false;
    }
    // One name's check is not worth a copy of the whole table.
    if (!wholePass || !Journal || RecoveryPath.empty())
        return true;
    // The rows as they stand now, so that the journal's results have rows to go into.
    TProjectData project;
    Workspace.StoreInto(project);
    project.Rows = Table.RowsInViewOrder();
    project.AnswerLog = Table.Model().AnswerLog();
    TXMLSaveLoad copyStore;
    if (!SaveNewProject(copyStore, RecoveryPath, project)) {
        Prompts.ShowMessage(
            QStringLiteral("The unsaved project could not be copied to %1 for recovery.\n%2")
                .arg(QString::fromStdString(RecoveryPath), QString::fromStdString(copyStore.LastError())));
        return true;
    }
    RecoveryActive = true;
    FollowProjectFile();
    // Results of an earlier check are in the copy now.
    Journal->Discard();
    return true;
}

bool TProjectController::OfferRecovery()
{
    if (!Journal || RecoveryPath.empty() || ::access(RecoveryPath.c_str(), F_OK) != 0)
        return false;
    const std::string journalPath = TJournalRecovery::JournalPathOf(RecoveryPath);
    switch (Prompts.AskYesNoCancel(
        QStringLiteral("Quarrow ended while it was checking a project that was not saved. Restore that project?"))) {
    case TProjectPrompts::Yes:
        break;
    case TProjectPrompts::No:
        ::unlink(RecoveryPath.c_str());
        ::unlink(journalPath.c_str());
        return false;
    case TProjectPrompts::Cancel:
        return false;
    }
    {
        const TSortingPaused paused(Table);
        if (!OpenPath(QString::fromStdString(RecoveryPath))) {
            // Never in the way of a later start.
            std::rename(RecoveryPath.c_str(), (RecoveryPath + TJournalRecovery::SetAsideSuffix).c_str());
            ::unlink(journalPath.c_str());
            return false;
        }
    }
    RecoveryActive = true;
    SetProjectFileName(QLatin1String(UntitledName));
    SetModifiedFlag(true);
    return true;
}

bool TProjectController::CloseQuery()
{
    if (!SettleChanges())
        return false;
    ForgetJournal();
    return true;
}

bool TProjectController::SettleChanges()
{
    if (!IsModified)
        return true;
    switch (Prompts.AskYesNoCancel(QStringLiteral("Save changes to ") + FileName)) {
    case TProjectPrompts::Yes:
        // A save that was cancelled or failed keeps the changes and the command stops.
        return Save();
    case TProjectPrompts::No:
        return true;
    case TProjectPrompts::Cancel:
        break;
    }
    return false;
}

bool TProjectController::New()
{
    if (!SettleChanges())
        return false;
    Workspace.StopChecks();
    ForgetJournal();
    Table.Model().Clear();
    Workspace.ClearAnswers();
    SetProjectFileName(QLatin1String(UntitledName));
    Workspace.ResetWords();
    SetModifiedFlag(false);
    return true;
}

bool TProjectController::Open()
{
    const TSortingPaused paused(Table);
    if (!SettleChanges())
        return false;
    const QString path = Prompts.OpenProjectFileName(ProjectsFolder());
    if (path.isEmpty())
        return false;
    return OpenPath(path);
}

bool TProjectController::OpenFile(const QString& path)
{
    const TSortingPaused paused(Table);
    return OpenPath(path);
}

bool TProjectController::OpenPath(const QString& path)
{
    int step = 0;
    Workspace.ShowProgress(step, OpenSteps);
    std::optional<TProjectData> project;
    try {
        Workspace.ShowProgress(++step, OpenSteps);
        project = LoadProject(Store, ToBytes(path));
    } catch (const TQuarrowError& error) {
        Prompts.ShowMessage(QString::fromStdString(error.what()));
        return false;
    }
    Workspace.ShowProgress(++step, OpenSteps);
    if (!project) {
        Prompts.ShowMessage(QLatin1String(WrongXmlFileText));
        return false;
    }
    // A start tick saved with a row belongs to a pass of another run.
    for (TDomainRow& row : project->Rows)
        if (row.Slots.size() > SlotStartTick)
            row.Slots[SlotStartTick].clear();
    Workspace.StopChecks();
    // The project it replaces is settled; then what a check of this one left is applied, unless
    // another program is checking it and writing that journal now.
    ForgetJournal();
    // Only a journal needs the look at the lock (which makes and removes a file beside the project).
    const std::string journalPath = TJournalRecovery::JournalPathOf(ToBytes(path));
    std::int64_t holder = 0;
    const bool busy = ::access(journalPath.c_str(), F_OK) == 0 &&
                      !(Lock.Held() && Lock.ProjectPath() == ToBytes(path)) &&
                      TProjectLock::HeldElsewhere(ToBytes(path), &holder);
    TJournalRecovery::TOutcome recovered;
    if (busy)
        recovered.Message = TProjectLock::BusyText(ToBytes(path), holder) +
                            " Its results are in the project once that check has ended: open it again then.";
    else
        recovered = TJournalRecovery::Recover(journalPath, *project);
    const int unfinished = recovered.Applied > 0 ? UnfinishedRows(*project) : 0;
    Workspace.LoadFrom(*project);
    step += 5; // switches and the four word lists
    Workspace.ShowProgress(step, OpenSteps);
    Table.Model().SetContents(project->Rows, std::move(project->AnswerLog));
    Workspace.ClearAnswers();
    Workspace.ShowProgress(++step, OpenSteps);
    Workspace.ShowProgress(++step, OpenSteps); // answers log
    SetProjectFileName(path);
    // Results applied from the journal are not in the file yet.
    SetModifiedFlag(recovered.Applied > 0);
    Workspace.ShowProgress(++step, OpenSteps);
    const QString told = QString::fromStdString(recovered.Message);
    if (unfinished > 0) {
        // The check the journal came from was cut short: the person may pick it up where it ended.
        const QString rows =
            unfinished == 1 ? QStringLiteral("the ticked row") : QStringLiteral("the %1 ticked rows").arg(unfinished);
        if (Prompts.AskYesNoCancel(told + QStringLiteral("\n\nGo on checking %1 without a result?").arg(rows)) ==
            TProjectPrompts::Yes)
            emit ContinueRequested();
    } else if (!told.isEmpty()) {
        Prompts.ShowMessage(told);
    }
    return true;
}

bool TProjectController::Save()
{
    if (FileName == QLatin1String(UntitledName))
        return SaveAs();
    return SaveProject(FileName);
}

bool TProjectController::SaveAs()
{
    const QString path = Prompts.SaveProjectFileName();
    if (path.isEmpty())
        return false;
    if (!SaveProject(path))
        return false;
    // The project checked under its old name goes on under the new one, and keeps other programs off.
    const bool locked = Lock.Held();
    SetProjectFileName(path);
    if (locked && !Lock.Take(ToBytes(path)))
        Prompts.ShowMessage(QString::fromStdString(Lock.Refusal()));
    return true;
}

bool TProjectController::SaveProject(const QString& path)
{
    TProjectData project;
    Workspace.StoreInto(project);
    project.Rows = Table.RowsInViewOrder();
    project.AnswerLog = Table.Model().AnswerLog();
    bool written = false;
    QString reason;
    try {
        written = ::SaveProject(Store, ToBytes(path), project);
        reason = QString::fromStdString(Store.LastError());
    } catch (const TQuarrowError& error) {
        reason = QString::fromStdString(error.what());
    }
    if (!written) {
        Prompts.ShowMessage(QStringLiteral("The project could not be saved to %1.\n%2").arg(path, reason));
        return false;
    }
    // The file holds every result now.
    ForgetJournal();
    SetModifiedFlag(false);
    return true;
}
