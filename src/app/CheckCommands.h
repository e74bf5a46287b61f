#pragma once

#include "engine/CheckDispatcher.h"

#include <QObject>

#include <functional>

class QLabel;
class QProgressBar;
class TMainActions;

// The check engine on the window: "Check domains", "Check errors again" (enabled while no pass
// runs and a row reads "RESULT ERROR"), "Check selected domain" and "Stop" run the dispatcher; after every status tick
// the two status texts, the progress bar and the swap of "Check domains" and "Stop" follow the dispatcher. While names
// are being generated the progress bar is generation's and no check can start.
class TCheckCommands : public QObject
{
    Q_OBJECT

public:
    using TSelectedRow = std::function<TRowId()>;

    TCheckCommands(TCheckDispatcher& dispatcher, TMainActions& actions, QLabel* threadsText, QLabel* totalText,
                   QProgressBar* progress, TSelectedRow selectedRow, QObject* parent = nullptr);

    // Asked before "Check domains" and "Check errors again" start a pass (true) and before "Check
    // selected domain" starts its check (false); false: nothing starts (another program is
    // checking the project).
    void SetStartGuard(std::function<bool(bool pass)> guard) { StartGuard = std::move(guard); }
    void SetGenerating(bool generating);
    // A pass over the ticked rows still without a result, as after a check that was cut short.
    void ContinueChecks();
    bool Generating() const { return GeneratingNames; }
    // Brings the texts, progress bar and command states up to the dispatcher's state.
    void Refresh();

signals:
    // "Check domains" marks the project modified.
    void ModifiedSet();

private:
    bool MayStart(bool pass = true) const { return !GeneratingNames && (!StartGuard || StartGuard(pass)); }

    TCheckDispatcher& Dispatcher;
    TMainActions& Actions;
    QLabel* ThreadsText;
    QLabel* TotalText;
    QProgressBar* Progress;
    TSelectedRow SelectedRow;
    std::function<bool(bool)> StartGuard;
    bool GeneratingNames = false;
};
