#include "app/CheckCommands.h"

#include "app/MainActions.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

TCheckCommands::TCheckCommands(TCheckDispatcher& dispatcher, TMainActions& actions, QLabel* threadsText,
                               QLabel* totalText, QProgressBar* progress, TSelectedRow selectedRow, QObject* parent)
    : QObject(parent), Dispatcher(dispatcher), Actions(actions), ThreadsText(threadsText), TotalText(totalText),
      Progress(progress), SelectedRow(std::move(selectedRow))
{
    connect(Actions.aStartAll, &QAction::triggered, this, [this] {
        if (MayStart())
            Dispatcher.StartAll();
    });
    connect(Actions.aCheckErrors, &QAction::triggered, this, [this] {
        if (Dispatcher.CheckErrorsEnabled() && MayStart())
            Dispatcher.CheckErrorsAgain();
    });
    connect(Actions.aCheck, &QAction::triggered, this, [this] {
        if (const TRowId row = SelectedRow(); row != NoRowId && MayStart(false))
            Dispatcher.CheckSelected(row);
    });
    connect(Actions.aStop, &QAction::triggered, &Dispatcher, &TCheckDispatcher::Stop);
    connect(&Dispatcher, &TCheckDispatcher::StatusChanged, this, &TCheckCommands::Refresh);
    connect(&Dispatcher, &TCheckDispatcher::Beep, this, [] { QApplication::beep(); });
    connect(&Dispatcher, &TCheckDispatcher::ModifiedSet, this, &TCheckCommands::ModifiedSet);
    Refresh();
}

void TCheckCommands::ContinueChecks()
{
    if (Dispatcher.StartAllEnabled() && MayStart())
        Dispatcher.CheckRowsWithoutResult();
}

void TCheckCommands::SetGenerating(bool generating)
{
    GeneratingNames = generating;
    Refresh();
}

void TCheckCommands::Refresh()
{
    ThreadsText->setText(QString::fromStdString(Dispatcher.ThreadsText()));
    TotalText->setText(QString::fromStdString(Dispatcher.TotalText()));
    Actions.aStartAll->setEnabled(Dispatcher.StartAllEnabled() && !GeneratingNames);
    Actions.aCheckErrors->setEnabled(Dispatcher.CheckErrorsEnabled() && !GeneratingNames);
    Actions.aCheck->setEnabled(!GeneratingNames);
    Actions.aStop->setEnabled(Dispatcher.StopEnabled());
    if (GeneratingNames)
        return;
    // A maximum of 0 would turn the bar into a busy indicator; an empty table shows an empty bar.
    const int maximum = std::max(Dispatcher.ProgressMaximum(), 1);
    if (Progress->maximum() != maximum)
        Progress->setRange(0, maximum);
    if (Progress->value() != Dispatcher.ProgressPosition())
        Progress->setValue(Dispatcher.ProgressPosition());
}
