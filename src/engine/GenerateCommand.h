#pragma once

#include "core/CustomDomainNameGenerator.h"
#include "models/DomainTableModel.h"
#include "models/WordLists.h"

#include <QElapsedTimer>
#include <QObject>

// "Generate domain names": empties the table and the answers log, runs the generator on the
// ticked words and fills the table with one ticked row per name. While it runs, the window keeps
// handling events (a few times a second, not after every name, so a million names stay fast);
// Busy() is true then, and whatever changes the lists or the table must wait. Emptying the table
// stops a running pass first (the dispatcher watches the model), so results of workers still
// running are dropped with their rows.
class TGenerateCommand : public QObject
{
    Q_OBJECT

public:
    TGenerateCommand(TCustomDomainNameGenerator& generator, TWordLists& lists, TDomainTableModel& model,
                     QObject* parent = nullptr);

    bool Busy() const { return Running; }
    // Rows are added in batches of this many, each one insertion, with events handled between them.
    static constexpr int RowBatch = 1 << 15;
    // Events are handled and progress reported at most this often while names are produced.
    static constexpr int EventIntervalMs = 40;

    // Runs the command; does nothing while a run is in progress. An error of the generator is
    // thrown on after the table has been left consistent.
    void Run(bool useHyphens);
    // Ends a run early at its next progress report: the table stays empty.
    void Cancel();
    bool CancelRequested() const { return CancelFlag; }

signals:
    void BusyChanged(bool busy);
    void Progress(int position, int maximum);
    // Emitted at the end of every run, also a failed or cancelled one (the project is modified).
    void Finished();

private:
    void OnGeneratorProgress(int current, int total);
    void FillTable();
    void HandleEvents();

    TCustomDomainNameGenerator& Generator;
    TWordLists& Lists;
    TDomainTableModel& Model;
    QElapsedTimer SinceEvents;
    bool Running = false;
    bool CancelFlag = false;
};
