#pragma once

#include "core/RowId.h"
#include "project/JournalRecord.h"
#include "project/JournalWriter.h"

#include <QObject>
#include <QTimer>

#include <string>

class TDomainTableModel;

// The check journal of a running check: each result, as it reaches its row, is appended to the
// journal file (written at once, synced within half a second), so that a check that is killed
// loses at most its last second. The command line keeps one beside the project it checks; the
// window one beside the saved project, or beside its recovery copy while the project is unsaved.
// The file is made at the first result, and removed once the results are in the project (or
// thrown away).
class TResultJournal : public QObject
{
    Q_OBJECT

public:
    static constexpr int SyncDelayMs = 500;

    explicit TResultJournal(const TDomainTableModel& model, QObject* parent = nullptr);
    ~TResultJournal() override;

    // Where results go from now on (the journal so far is synced and closed, and stays); empty:
    // results are not journalled.
    void SetPath(const std::string& path);
    const std::string& Path() const { return JournalPath; }
    // The row's result as the table holds it now; a row that is gone is skipped.
    void Record(TRowId row);
    void Sync();
    // Removes the journal file: what it held is in the project now, or thrown away.
    void Discard();

    // A row's result as the journal keeps it.
    static TJournalRecord RecordOf(const TDomainTableModel& model, int row);

signals:
    // The journal could not be written; said once per file, and the check goes on without it.
    void Failed(const QString& message);

private:
    void ReportFailure();

    const TDomainTableModel& Model;
    std::string JournalPath;
    TJournalWriter Writer;
    QTimer SyncTimer;
    bool Reported = false;
    // A write failed: nothing more goes into this file.
    bool Broken = false;
};
