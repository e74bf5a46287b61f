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

    void SetGenerating(bool generating);
    bool Generating() const { return GeneratingNames; }
    // Brings the texts, progress bar and command states up to the dispatcher's state.
    void Refresh();

signals:
    // "Check domains" marks the project modified.
    void ModifiedSet();

private:
    TCheckDispatcher& Dispatcher;
    TMainActions& Actions;
    QLabel* ThreadsText;
    QLabel* TotalText;
    QProgressBar* Progress;
    TSelectedRow SelectedRow;
    bool GeneratingNames = false;
};
