#pragma once

#include "engine/ProjectWorkspace.h"

#include <functional>
#include <string>

class QProgressBar;
class QTabWidget;
class TAnswersPanel;
class TCheckDispatcher;
class TCustomDomainNameGenerator;
class TWordLists;

// The main window's side of a project: its word lists and switches, the word pages, the check
// engine that must stop before the table is replaced, the answers panel and the progress bar.
class TMainProjectWorkspace : public TProjectWorkspace
{
public:
    TMainProjectWorkspace(TWordLists& lists, QTabWidget& pages, TCheckDispatcher& dispatcher, TAnswersPanel& answers,
                          QProgressBar& progress, std::string configPath, TCustomDomainNameGenerator& generator,
                          std::function<bool()> useHyphens);

    void StoreInto(TProjectData& project) const override;
    void LoadFrom(const TProjectData& project) override;
    void ResetWords() override;
    void StopChecks() override;
    void ClearAnswers() override;
    void ShowProgress(int position, int maximum) override;

private:
    TWordLists& Lists;
    QTabWidget& Pages;
    TCheckDispatcher& Dispatcher;
    TAnswersPanel& Answers;
    QProgressBar& Progress;
    std::string ConfigPath;
    // Its hyphen switch is the project's: set on open, saved as it is (the generator that made the
    // rows, or the project opened), and the preference's again for a new project.
    TCustomDomainNameGenerator& Generator;
    std::function<bool()> UseHyphens;
};
