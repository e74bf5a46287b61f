#pragma once

#include "core/CustomDomainNameGenerator.h"

#include <QElapsedTimer>
#include <QObject>

class TDomainTableModel;
class TWordLists;

// "Generate domain names": empties the table and the answers log, runs the generator on the
// ticked words and fills the table with one ticked row per name. Run only starts the work: the
// names are made and the rows added in parts, each one a turn of the event loop of its own (a few
// times a second, not after every name, so a million names stay fast), so the window stays drawn
// and answers between them. Busy() is true until Finished, and whatever changes the lists or the
// table must wait. Emptying the table stops a running pass first (the dispatcher watches the
// model), so results of workers still running are dropped with their rows.
class TGenerateCommand : public QObject
{
    Q_OBJECT

public:
    TGenerateCommand(TCustomDomainNameGenerator& generator, TWordLists& lists, TDomainTableModel& model,
                     QObject* parent = nullptr);

    bool Busy() const { return Running; }
    // Rows are added in batches of this many, each one insertion and one turn of the event loop.
    static constexpr int RowBatch = 1 << 15;
    // A part of the names is made for at most about this long before the event loop turns again.
    static constexpr int EventIntervalMs = 40;

    // Starts a run; does nothing while a run is in progress. An error of the generator (too many
    // names, no memory for them) is thrown from here, after Finished, with the table left empty.
    void Run(bool useHyphens);
    // Ends a run early at its next part: the table stays empty.
    void Cancel();
    bool CancelRequested() const { return CancelFlag; }

signals:
    void BusyChanged(bool busy);
    void Progress(int position, int maximum);
    // Emitted at the end of every run, also a failed or cancelled one (the project is modified).
    void Finished();

private:
    // One part of the run, called from the event loop.
    void Continue();
    void MakeNames();
    void AddRows();
    void ScheduleNext();
    void Finish();

    TCustomDomainNameGenerator& Generator;
    TWordLists& Lists;
    TDomainTableModel& Model;
    QElapsedTimer PartTimer;
    bool Running = false;
    bool CancelFlag = false;
    bool Filling = false; // the names are made; rows are being added
    std::size_t RowsAdded = 0;
};
