#include "engine/ResultJournal.h"

#include "models/DomainTableModel.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

TResultJournal::TResultJournal(const TDomainTableModel& model, QObject* parent) : QObject(parent), Model(model)
{
    SyncTimer.setSingleShot(true);
    SyncTimer.setInterval(SyncDelayMs);
    connect(&SyncTimer, &QTimer::timeout, this, &TResultJournal::Sync);
}

TResultJournal::~TResultJournal()
{
    Writer.Close();
}

void TResultJournal::SetPath(const std::string& path)
{
    Writer.Close();
    SyncTimer.stop();
    JournalPath = path;
    Reported = false;
    Broken = false;
}

TJournalRecord TResultJournal::RecordOf(const TDomainTableModel& model, int row)
{
    TDomainRow cells = model.RowAt(row);
    cells.Slots.resize(DomainSlotCount);
    const int entry = model.AnswerIndexOf(row);
    TJournalRecord record;
    record.Caption = std::move(cells.Caption);
    record.Verdict = model.ResultOf(row);
    record.Registrar = std::move(cells.Slots[SlotRegistrar]);
    record.WhoisServer = std::move(cells.Slots[SlotWhoisServer]);
    record.Expires = std::move(cells.Slots[SlotExpires]);
    if (entry >= 0)
        record.Answers = model.AnswerLog()[static_cast<std::size_t>(entry)];
    return record;
}

void TResultJournal::Record(TRowId id)
{
    const int row = Model.RowOf(id);
    if (JournalPath.empty() || Broken || row < 0)
        return;
    const TRowResult verdict = Model.ResultOf(row);
    if (verdict != TRowResult::Available && verdict != TRowResult::Registered && verdict != TRowResult::Error)
        return;
    if ((!Writer.IsOpen() && !Writer.Open(JournalPath)) || !Writer.Append(RecordOf(Model, row))) {
        // A record never follows one that may be half written.
        Broken = true;
        Writer.Close();
        ReportFailure();
        return;
    }
    if (!SyncTimer.isActive())
        SyncTimer.start();
}

void TResultJournal::Sync()
{
    if (!Writer.Sync())
        ReportFailure();
}

void TResultJournal::Discard()
{
    SyncTimer.stop();
    if (Writer.IsOpen()) {
        if (!Writer.Remove())
            ReportFailure();
        return;
    }
    // A journal an earlier run left, or none.
    if (!JournalPath.empty() && ::unlink(JournalPath.c_str()) != 0 && errno != ENOENT && !Reported) {
        Reported = true;
        emit Failed(QStringLiteral("cannot remove the journal \"%1\": %2")
                        .arg(QString::fromStdString(JournalPath), QString::fromLocal8Bit(std::strerror(errno))));
    }
}

void TResultJournal::ReportFailure()
{
    if (Reported)
        return;
    Reported = true;
    emit Failed(QString::fromStdString(Writer.Error()));
}
