#pragma once

#include "core/CheckRows.h"
#include "core/DomainRow.h"
#include "core/RowId.h"
#include "models/NumericSlot.h"
#include "models/RowEvidence.h"

#include <QAbstractTableModel>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The domain table: one row per candidate name (caption, tick, text slots) and the answers log
// that runs beside it. Rows are only ever appended in batches or replaced all at once, so the
// model's own order is stable; views sort through a proxy. Storage is kept compact (captions in
// one byte arena, slot texts allocated only once a row has any) so that a million rows fit easily.
//
// Columns: Domain, then the visible slots 0 to 3. Slot 4 (AnswerIndex) and slot 5 (StartTick)
// are reachable through Slot()/SetSlot() only. Slot 0 is kept as its verdict (TRowResult), and
// made text only where it is shown or saved; a text that is no verdict is kept as it came.
//
// The check engine sees the table as TCheckRows: it reads the rows to check, marks a row started
// and delivers results (SetResult), and touches no slot by number.
class TDomainTableModel : public QAbstractTableModel, public TCheckRows
{
    Q_OBJECT

public:
    enum TColumn
    {
        ColumnDomain = 0,
        ColumnAvailability,
        ColumnRegistrar,
        ColumnWhoisServer,
        ColumnExpires,
        ColumnCount
    };
    enum TRole
    {
        RowIdRole = Qt::UserRole + 1, // quint32 row id
        RawTextRole,                  // QByteArray with the cell's bytes, for sorting and copying
        ExpiryDayRole,                // Expires column: int day number of the expiry date (0: none)
        ResultRole,                   // any column: the row's TRowResult, as int
        // Any column: why the row holds its verdict, as one line ("Free: ...", "Taken: ..."); empty
        // when the row is not free or taken, or no check of this session left its evidence.
        WhyRole
    };

    explicit TDomainTableModel(QObject* parent = nullptr);
    ~TDomainTableModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    int RowCount() const override { return static_cast<int>(Rows.size()); }
    TRowId IdAt(int row) const override;
    // Position of the row with this id in the model, or -1 when the row is gone.
    int RowOf(TRowId id) const override;

    std::string Caption(int row) const;
    // The caption's bytes without a copy; valid until rows are added or the table is replaced.
    std::string_view CaptionView(int row) const override;
    bool Checked(int row) const override;
    void SetChecked(int row, bool checked);
    // Ticks or unticks every row with one change notice over the whole Domain column (none when no
    // tick changed), which also spans rows that kept their tick; returns how many ticks changed.
    int SetAllChecked(bool checked);
    // Ticks or unticks the given rows with one change notice over the Domain column from the first
    // to the last of them; returns how many ticks changed.
    int SetRowsChecked(const std::vector<int>& rows, bool checked) override;
    // Slot 0 as a verdict, and how many rows hold each; kept as slot 0 is written.
    TRowResult ResultOf(int row) const override { return static_cast<TRowResult>(At(row).Result); }
    int ResultCount(TRowResult result) const override { return ResultCounts[static_cast<std::size_t>(result)]; }

    // A check's result written into the row: its check is over (slot 5 emptied), the verdict, its
    // evidence, and the answers entry, registrar, server and expiry date where the result has them
    // (the others keep what they held). One change notice for the cells written.
    void SetResult(int row, const TCheckResult& result) override;
    // What decided the row's verdict, as the last result gave it (TCheckResult::Evidence). Kept in
    // memory only: the answers entry, the project file and the exports never hold it. Writing slot 0
    // by hand, loading and emptying the table drop it.
    const std::string& Evidence(int row) const { return Evidences.Of(row); }
    // Evidence found later for the row's verdict (its stored answer read again).
    void SetEvidence(int row, const std::string& evidence);
    // The row's check runs since `tick` (slot 5), or no longer.
    void MarkStarted(int row, std::uint64_t tick) override;
    void ClearStarted(int row) override;
    // Writes the row's own answers-log entry (a new one when slot 4 names none).
    void StoreAnswer(int row, std::string text);
    int SlotCount(int row) const;
    // Empty for a slot the row does not have.
    std::string Slot(int row, int slot) const;
    // Writing a slot beyond the row's slot count extends the row with empty slots.
    void SetSlot(int row, int slot, const std::string& text);
    // Slot 3 as a result writes it: the shown text, the day number it stands for (0: none) and
    // whether the text is an expiry text no date mask could read (shown between "! " and " !").
    void SetExpiry(int row, const std::string& shown, int dayNumber, bool unreadable);
    int ExpiryDay(int row) const;
    bool ExpiryUnreadable(int row) const;

    // Rows whose slot 5 (StartTick) is non-empty: their number, and the first at or after `from`
    // (-1 when none). Kept as a bit per row, so the watchdog's scan skips idle rows 64 at a time.
    int RunningRowCount() const { return RunningRows; }
    int NextRunningRow(int from) const;
    // The first running row at or after `from` whose start tick plus `budget` lies before `now` (-1
    // when none): the watchdog's scan, kept tight because it may run over every row each status tick.
    int FirstOverdueRow(std::uint64_t now, std::uint64_t budget, int from = 0) const override;
    // Slot 5 read as an unsigned number (0 when it is empty or not a number).
    std::uint64_t StartTick(int row) const;

    // The answers log: one text per row in generation order; a row names its entry in slot 4.
    const std::vector<std::string>& AnswerLog() const { return Answers; }
    void SetAnswer(int index, std::string text);
    int AppendAnswer(std::string text);
    // Index into AnswerLog named by the row's slot 4, or -1 when slot 4 names no entry.
    int AnswerIndexOf(int row) const;

    // Empties the table and the answers log.
    void Clear();
    // Generation: one ticked row per name with six slots (slot 4 its index into the answers log),
    // and one empty answers-log entry each.
    void AppendGenerated(const std::vector<std::string>& captions);
    // The same for names held elsewhere, without a string apiece.
    void AppendGeneratedNames(const std::vector<std::string_view>& captions);
    // Makes room for this many more rows with this many caption bytes in all, so that appending
    // them in batches neither copies the table nor leaves spare room behind.
    void ReserveRows(std::size_t rows, std::size_t captionBytes);
    // Project loading: the table and the answers log replaced by these. A row whose slot 4 names an
    // entry an earlier row already names gets a copy of that entry of its own, so that a result
    // for one of them never replaces the other's answers.
    void SetContents(const std::vector<TDomainRow>& rows, std::vector<std::string> answerLog);
    TDomainRow RowAt(int row) const;
    std::vector<TDomainRow> AllRows() const;

    // Bytes held by the rows, their captions and slot texts and the answers log (for benchmarks).
    std::size_t MemoryUsage() const;

private:
    struct TExtra;
    struct TRow
    {
        TNumericSlot AnswerIndex; // slot 4
        std::unique_ptr<TExtra> Extra;
        std::uint32_t CaptionOffset = 0;
        std::uint32_t CaptionLength = 0;
        std::uint8_t Slots = 0;  // number of slots the row has
        std::uint8_t Result = 0; // TRowResult of slot 0
        bool Checked = false;
    };

    const TRow& At(int row) const;
    TRow& At(int row);
    TExtra& ExtraOf(TRow& row);
    // Empties the table and the answers log inside a model reset begun by the caller.
    void Reset();
    void AppendRow(std::string_view caption, bool checked);
    template <typename TCaptions> void AppendGeneratedRows(const TCaptions& captions);
    // Gives each row that shares its answers-log entry with an earlier row a copy of its own.
    void SeparateSharedAnswers();
    void StoreSlot(int position, TRow& row, int slot, const std::string& text);
    // Gives the row at least `count` slots (empty ones), as writing a slot beyond its last does.
    static void ExtendSlots(TRow& row, int count);
    void StoreResult(TRow& row, TRowResult result);
    void StoreExpiry(TRow& row, const std::string& shown, int dayNumber, bool unreadable);
    void MarkRunning(int position, bool running);
    void EmitSlotChanged(int row, int slot);

    std::vector<TRow> Rows;
    // Slot 5 of each row, in a column of its own: the watchdog's scan reads it for every running
    // row each status tick, and a dense column keeps that scan within the cache. A row is running
    // while its entry is not empty.
    std::vector<TNumericSlot> Ticks;
    std::string Arena;
    std::vector<std::string> Answers;
    TRowEvidence Evidences;
    std::vector<std::uint64_t> RunningBits;
    int RunningRows = 0;
    std::array<int, RowResultCount> ResultCounts{};
    TRowId FirstId = 0; // id of row 0; ids of later rows follow without gaps
    TRowId NextId = 0;  // first id never handed out
};
