#include "engine/ProjectController.h"

#include "base/QuarrowError.h"
#include "project/ProjectFile.h"

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
    emit CaptionChanged(Caption());
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
    Workspace.LoadFrom(*project);
    step += 5; // switches and the four word lists
    Workspace.ShowProgress(step, OpenSteps);
    Table.Model().SetContents(project->Rows, std::move(project->AnswerLog));
    Workspace.ClearAnswers();
    Workspace.ShowProgress(++step, OpenSteps);
    Workspace.ShowProgress(++step, OpenSteps); // answers log
    SetProjectFileName(path);
    SetModifiedFlag(false);
    Workspace.ShowProgress(++step, OpenSteps);
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
    SetProjectFileName(path);
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
    SetModifiedFlag(false);
    return true;
}
