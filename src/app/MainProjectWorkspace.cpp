#include "app/MainProjectWorkspace.h"

#include "engine/CheckDispatcher.h"
#include "models/WordLists.h"
#include "project/ProjectFile.h"

#include <QListWidget>
#include <QProgressBar>
#include <QTabWidget>

TMainProjectWorkspace::TMainProjectWorkspace(TWordLists& lists, QTabWidget& pages, TCheckDispatcher& dispatcher,
                                             QListWidget& answers, QProgressBar& progress, std::string configPath,
                                             std::function<bool()> useHyphens)
    : Lists(lists), Pages(pages), Dispatcher(dispatcher), Answers(answers), Progress(progress),
      ConfigPath(std::move(configPath)), UseHyphens(std::move(useHyphens))
{
}

void TMainProjectWorkspace::StoreInto(TProjectData& project) const
{
    Lists.StoreInto(project);
    project.UseHyphens = UseHyphens();
}

void TMainProjectWorkspace::LoadFrom(const TProjectData& project)
{
    // The hyphen switch comes from the settings here and stays theirs; the file keeps its copy.
    Lists.LoadFrom(project);
}

void TMainProjectWorkspace::ResetWords()
{
    Lists.Clear();
    Pages.setCurrentIndex(TWordLists::PagePrefix);
    Lists.LoadDefaultTlds(ConfigPath);
}

void TMainProjectWorkspace::StopChecks()
{
    if (Dispatcher.StopEnabled())
        Dispatcher.Stop();
}

void TMainProjectWorkspace::ClearAnswers()
{
    Answers.clear();
}

void TMainProjectWorkspace::ShowProgress(int position, int maximum)
{
    Progress.setRange(0, maximum);
    Progress.setValue(position);
    Progress.repaint();
}
