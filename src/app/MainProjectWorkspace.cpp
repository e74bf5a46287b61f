#include "app/MainProjectWorkspace.h"

#include "core/CustomDomainNameGenerator.h"
#include "engine/CheckDispatcher.h"
#include "gui/AnswersPanel.h"
#include "models/WordLists.h"
#include "project/ProjectFile.h"

#include <QProgressBar>
#include <QTabWidget>

TMainProjectWorkspace::TMainProjectWorkspace(TWordLists& lists, QTabWidget& pages, TCheckDispatcher& dispatcher,
                                             TAnswersPanel& answers, QProgressBar& progress, std::string configPath,
                                             TCustomDomainNameGenerator& generator, std::function<bool()> useHyphens)
    : Lists(lists), Pages(pages), Dispatcher(dispatcher), Answers(answers), Progress(progress),
      ConfigPath(std::move(configPath)), Generator(generator), UseHyphens(std::move(useHyphens))
{
}

void TMainProjectWorkspace::StoreInto(TProjectData& project) const
{
    Lists.StoreInto(project);
    project.UseHyphens = Generator.UseHyphens();
}

void TMainProjectWorkspace::LoadFrom(const TProjectData& project)
{
    Lists.LoadFrom(project);
    Generator.SetUseHyphens(project.UseHyphens);
}

void TMainProjectWorkspace::ResetWords()
{
    Lists.Clear();
    Generator.SetUseHyphens(UseHyphens());
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
    Answers.Clear();
}

void TMainProjectWorkspace::ShowProgress(int position, int maximum)
{
    Progress.setRange(0, maximum);
    Progress.setValue(position);
    Progress.repaint();
}
