#include "models/DomainTableModel.h"

#include "base/Utf8.h"
#include "models/ExpiryDateFormat.h"
#include "whois/HostStrings.h"

#include <algorithm>
#include <bit>

namespace {

// Bytes that are not valid UTF-8 are shown as Latin-1, so that nothing is lost on screen.
QString ToDisplay(const std::string& bytes)
{
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The line the answers panel shows on why a free or taken row reads so.
QString WhyLine(TRowResult result, const std::string& evidence)
{
    if (evidence.empty() || (result != TRowResult::Available && result != TRowResult::Registered))
        return {};
    using TKind = TAnswerReading::TKind;
    return ToDisplay(TAnswerReading{result == TRowResult::Available ? TKind::Free : TKind::Taken, evidence}.Line());
}

} // namespace

// Slot texts that cannot be held as plain numbers, and slots beyond the sixth.
struct TDomainTableModel::TExtra
{
    std::string Texts[4];
    std::vector<std::string> More;
    int ExpiryDay = 0;
    bool ExpiryUnreadable = false;
};

TDomainTableModel::TDomainTableModel(QObject* parent) : QAbstractTableModel(parent) {}

TDomainTableModel::~TDomainTableModel() = default;

int TDomainTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : RowCount();
}

int TDomainTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TDomainTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return ToDisplay(column == ColumnDomain ? Caption(row) : Slot(row, column - 1));
    case Qt::CheckStateRole:
        if (column == ColumnDomain)
            return Checked(row) ? Qt::Checked : Qt::Unchecked;
        return {};
    case RowIdRole:
        return QVariant::fromValue<quint32>(IdAt(row));
    case RawTextRole: {
        const std::string text = column == ColumnDomain ? Caption(row) : Slot(row, column - 1);
        return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
    }
    case ExpiryDayRole:
        if (column == ColumnExpires)
            return ExpiryDay(row);
        return {};
    case ResultRole:
        return static_cast<int>(ResultOf(row));
    case WhyRole:
        return WhyLine(ResultOf(row), Evidence(row));
    default:
        return {};
    }
}

bool TDomainTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    if (role != Qt::CheckStateRole || index.column() != ColumnDomain)
        return false;
    SetChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags TDomainTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == ColumnDomain)
        result |= Qt::ItemIsUserCheckable;
    return result;
}

QVariant TDomainTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const titles[ColumnCount] = {"Domain", "Availability", "Registrar", "Whois Server", "Expires"};
    if (section < 0 || section >= ColumnCount)
        return {};
    return QString::fromLatin1(titles[section]);
}

const TDomainTableModel::TRow& TDomainTableModel::At(int row) const
{
    return Rows.at(static_cast<std::size_t>(row));
}

TDomainTableModel::TRow& TDomainTableModel::At(int row)
{
    return Rows.at(static_cast<std::size_t>(row));
}

TDomainTableModel::TExtra& TDomainTableModel::ExtraOf(TRow& row)
{
    if (!row.Extra)
        row.Extra = std::make_unique<TExtra>();
    return *row.Extra;
}

TRowId TDomainTableModel::IdAt(int row) const
{
    if (row < 0 || row >= RowCount())
        return NoRowId;
    return FirstId + static_cast<TRowId>(row);
}

int TDomainTableModel::RowOf(TRowId id) const
{
    if (id == NoRowId || id < FirstId || id - FirstId >= Rows.size())
        return -1;
    return static_cast<int>(id - FirstId);
}

std::string TDomainTableModel::Caption(int row) const
{
    const TRow& r = At(row);
    return Arena.substr(r.CaptionOffset, r.CaptionLength);
}

std::string_view TDomainTableModel::CaptionView(int row) const
{
    const TRow& r = At(row);
    return std::string_view(Arena).substr(r.CaptionOffset, r.CaptionLength);
}

bool TDomainTableModel::Checked(int row) const
{
    return At(row).Checked;
}

void TDomainTableModel::SetChecked(int row, bool checked)
{
    TRow& r = At(row);
    if (r.Checked == checked)
        return;
    r.Checked = checked;
    const QModelIndex cell = index(row, ColumnDomain);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

int TDomainTableModel::SetAllChecked(bool checked)
{
    int changed = 0;
    for (TRow& r : Rows) {
        changed += r.Checked != checked;
        r.Checked = checked;
    }
    if (changed > 0)
        emit dataChanged(index(0, ColumnDomain), index(RowCount() - 1, ColumnDomain), {Qt::CheckStateRole});
    return changed;
}

int TDomainTableModel::SetRowsChecked(const std::vector<int>& rows, bool checked)
{
    int changed = 0;
    int first = RowCount();
    int last = -1;
    for (const int row : rows) {
        TRow& r = At(row);
        if (r.Checked == checked)
            continue;
        r.Checked = checked;
        ++changed;
        first = std::min(first, row);
        last = std::max(last, row);
    }
    if (changed > 0)
        emit dataChanged(index(first, ColumnDomain), index(last, ColumnDomain), {Qt::CheckStateRole});
    return changed;
}

int TDomainTableModel::SlotCount(int row) const
{
    return At(row).Slots;
}

std::string TDomainTableModel::Slot(int row, int slot) const
{
    const TRow& r = At(row);
    if (slot < 0 || slot >= r.Slots)
        return {};
    const TExtra* extra = r.Extra.get();
    switch (slot) {
    case SlotAvailability:
        if (r.Result != static_cast<std::uint8_t>(TRowResult::Other))
            return std::string(RowResultText(static_cast<TRowResult>(r.Result)));
        return extra ? extra->Texts[SlotAvailability] : std::string();
    case SlotAnswerIndex:
        return r.AnswerIndex.Text();
    case SlotStartTick:
        return Ticks[static_cast<std::size_t>(row)].Text();
    default:
        if (!extra)
            return {};
        if (slot < SlotAnswerIndex)
            return extra->Texts[slot];
        return extra->More.at(static_cast<std::size_t>(slot - DomainSlotCount));
    }
}

void TDomainTableModel::SetSlot(int row, int slot, const std::string& text)
{
    if (slot < 0 || slot > 255)
        return;
    StoreSlot(row, At(row), slot, text);
    // A verdict written by hand was not read from any answer.
    if (slot == SlotAvailability)
        Evidences.Set(row, {});
    EmitSlotChanged(row, slot);
}

void TDomainTableModel::ExtendSlots(TRow& r, int count)
{
    if (count <= r.Slots)
        return;
    if (count > DomainSlotCount) {
        if (!r.Extra)
            r.Extra = std::make_unique<TExtra>();
        r.Extra->More.resize(static_cast<std::size_t>(count - DomainSlotCount));
    }
    r.Slots = static_cast<std::uint8_t>(count);
}

void TDomainTableModel::StoreResult(TRow& r, TRowResult result)
{
    --ResultCounts[r.Result];
    r.Result = static_cast<std::uint8_t>(result);
    ++ResultCounts[r.Result];
    // Only a text that is no verdict is kept as text.
    if (result != TRowResult::Other && r.Extra)
        r.Extra->Texts[SlotAvailability].clear();
}

void TDomainTableModel::StoreSlot(int position, TRow& r, int slot, const std::string& text)
{
    ExtendSlots(r, slot + 1);
    switch (slot) {
    case SlotAnswerIndex:
        r.AnswerIndex = TNumericSlot(text);
        break;
    case SlotStartTick:
        Ticks[static_cast<std::size_t>(position)] = TNumericSlot(text);
        MarkRunning(position, !text.empty());
        break;
    case SlotAvailability: {
        const TRowResult result = RowResultOf(text);
        StoreResult(r, result);
        if (result == TRowResult::Other)
            ExtraOf(r).Texts[SlotAvailability] = text;
        break;
    }
    case SlotExpires: {
        // An expiry text from a project file is the cell as a result wrote it: a date in the
        // user's format, whose day is read back, or an unreadable text between marks. A loaded row
        // then sorts, and reports its expiry, as the result that wrote it did.
        const int day = DayNumberOfShownDate(text);
        const bool marked = text.size() >= 4 && text.starts_with("! ") && text.ends_with(" !");
        StoreExpiry(r, text, day, day == 0 && marked);
        break;
    }
    default:
        if (slot < SlotAnswerIndex) {
            if (text.empty() && !r.Extra)
                break;
            ExtraOf(r).Texts[slot] = text;
        } else {
            ExtraOf(r).More.at(static_cast<std::size_t>(slot - DomainSlotCount)) = text;
        }
    }
}

void TDomainTableModel::MarkRunning(int position, bool running)
{
    const auto word = static_cast<std::size_t>(position) / 64;
    const std::uint64_t bit = std::uint64_t{1} << (position % 64);
    if (word >= RunningBits.size()) {
        if (!running)
            return;
        RunningBits.resize(word + 1);
    }
    const bool was = RunningBits[word] & bit;
    if (was == running)
        return;
    RunningBits[word] ^= bit;
    RunningRows += running ? 1 : -1;
}

int TDomainTableModel::NextRunningRow(int from) const
{
    if (RunningRows == 0 || from < 0)
        return -1;
    std::size_t word = static_cast<std::size_t>(from) / 64;
    if (word >= RunningBits.size())
        return -1;
    std::uint64_t bits = RunningBits[word] & (~std::uint64_t{0} << (from % 64));
    for (;;) {
        if (bits != 0)
            return static_cast<int>(word * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
        if (++word >= RunningBits.size())
            return -1;
        bits = RunningBits[word];
    }
}

int TDomainTableModel::FirstOverdueRow(std::uint64_t now, std::uint64_t budget, int from) const
{
    // start + budget < now, without overflow: start < now - budget.
    if (RunningRows == 0 || now <= budget || from < 0)
        return -1;
    const std::uint64_t latest = now - budget;
    std::size_t word = static_cast<std::size_t>(from) / 64;
    if (word >= RunningBits.size())
        return -1;
    std::uint64_t bits = RunningBits[word] & (~std::uint64_t{0} << (from % 64));
    for (;;) {
        for (; bits != 0; bits &= bits - 1) {
            const std::size_t row = word * 64 + static_cast<std::size_t>(std::countr_zero(bits));
            if (Ticks[row].Leading() < latest)
                return static_cast<int>(row);
        }
        if (++word >= RunningBits.size())
            return -1;
        bits = RunningBits[word];
    }
}

void TDomainTableModel::EmitSlotChanged(int row, int slot)
{
    if (slot < 0 || slot >= ColumnCount - 1)
        return;
    const QModelIndex cell = index(row, slot + 1);
    if (slot == SlotExpires)
        emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::ToolTipRole, RawTextRole, ExpiryDayRole});
    else if (slot == SlotAvailability)
        emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::ToolTipRole, RawTextRole, ResultRole, WhyRole});
    else
        emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::ToolTipRole, RawTextRole});
}

void TDomainTableModel::StoreExpiry(TRow& r, const std::string& shown, int dayNumber, bool unreadable)
{
    ExtendSlots(r, SlotExpires + 1);
    if (shown.empty() && dayNumber == 0 && !unreadable && !r.Extra)
        return;
    TExtra& extra = ExtraOf(r);
    extra.Texts[SlotExpires] = shown;
    extra.ExpiryDay = dayNumber;
    extra.ExpiryUnreadable = unreadable;
}

void TDomainTableModel::SetExpiry(int row, const std::string& shown, int dayNumber, bool unreadable)
{
    StoreExpiry(At(row), shown, dayNumber, unreadable);
    EmitSlotChanged(row, SlotExpires);
}

void TDomainTableModel::MarkStarted(int row, std::uint64_t tick)
{
    TRow& r = At(row);
    ExtendSlots(r, SlotStartTick + 1);
    Ticks[static_cast<std::size_t>(row)] = TNumericSlot(tick);
    MarkRunning(row, true);
}

void TDomainTableModel::ClearStarted(int row)
{
    TRow& r = At(row);
    ExtendSlots(r, SlotStartTick + 1);
    Ticks[static_cast<std::size_t>(row)] = TNumericSlot();
    MarkRunning(row, false);
}

void TDomainTableModel::StoreAnswer(int row, std::string text)
{
    // The row keeps its own answers-log entry; a row that names none gets a new one.
    const int entry = AnswerIndexOf(row);
    if (entry >= 0) {
        SetAnswer(entry, std::move(text));
        return;
    }
    TRow& r = At(row);
    ExtendSlots(r, SlotAnswerIndex + 1);
    r.AnswerIndex = TNumericSlot(static_cast<std::uint64_t>(AppendAnswer(std::move(text))));
}

void TDomainTableModel::SetResult(int row, const TCheckResult& result)
{
    ClearStarted(row);
    if (result.LogEntry)
        StoreAnswer(row, *result.LogEntry);
    TRow& r = At(row);
    StoreResult(r, result.Verdict);
    Evidences.Set(row, result.Evidence);
    int lastColumn = ColumnAvailability;
    if (result.Registrar) {
        StoreSlot(row, r, SlotRegistrar, *result.Registrar);
        lastColumn = ColumnRegistrar;
    }
    if (result.RegistrarServer) {
        StoreSlot(row, r, SlotWhoisServer, *result.RegistrarServer);
        lastColumn = ColumnWhoisServer;
    }
    if (const std::optional<TExpiryResult>& expiry = result.Expiry) {
        // The date is written in the user's locale here, where the window reads it.
        StoreExpiry(r, expiry->Unreadable ? "! " + expiry->Text + " !" : FormatDayNumber(expiry->Day), expiry->Day,
                    expiry->Unreadable);
        lastColumn = ColumnExpires;
    }
    QList<int> roles{Qt::DisplayRole, Qt::ToolTipRole, RawTextRole, ResultRole, WhyRole};
    if (lastColumn == ColumnExpires)
        roles.append(ExpiryDayRole);
    emit dataChanged(index(row, ColumnAvailability), index(row, lastColumn), roles);
}

void TDomainTableModel::SetEvidence(int row, const std::string& evidence)
{
    Evidences.Set(row, evidence);
    const QModelIndex cell = index(row, ColumnAvailability);
    emit dataChanged(cell, cell, {WhyRole});
}

int TDomainTableModel::ExpiryDay(int row) const
{
    const TRow& r = At(row);
    return r.Extra ? r.Extra->ExpiryDay : 0;
}

bool TDomainTableModel::ExpiryUnreadable(int row) const
{
    const TRow& r = At(row);
    return r.Extra && r.Extra->ExpiryUnreadable;
}

std::uint64_t TDomainTableModel::StartTick(int row) const
{
    return Ticks.at(static_cast<std::size_t>(row)).Leading();
}

void TDomainTableModel::SetAnswer(int index, std::string text)
{
    // Swapped rather than assigned: assigning a short text would keep the old text's buffer.
    Answers.at(static_cast<std::size_t>(index)).swap(text);
}

int TDomainTableModel::AppendAnswer(std::string text)
{
    Answers.push_back(std::move(text));
    return static_cast<int>(Answers.size() - 1);
}

int TDomainTableModel::AnswerIndexOf(int row) const
{
    const TRow& r = At(row);
    const std::optional<std::uint64_t> index = r.AnswerIndex.Number();
    if (r.Slots <= SlotAnswerIndex || !index || *index >= Answers.size())
        return -1;
    return static_cast<int>(*index);
}

void TDomainTableModel::Reset()
{
    Rows.clear();
    Rows.shrink_to_fit();
    Ticks.clear();
    Ticks.shrink_to_fit();
    Arena.clear();
    Arena.shrink_to_fit();
    Answers.clear();
    Answers.shrink_to_fit();
    Evidences.Clear();
    RunningBits.clear();
    RunningRows = 0;
    ResultCounts = {};
    FirstId = NextId;
}

void TDomainTableModel::Clear()
{
    beginResetModel();
    Reset();
    endResetModel();
}

void TDomainTableModel::AppendRow(std::string_view caption, bool checked)
{
    TRow r;
    r.CaptionOffset = static_cast<std::uint32_t>(Arena.size());
    r.CaptionLength = static_cast<std::uint32_t>(caption.size());
    r.Checked = checked;
    Arena.append(caption);
    Rows.push_back(std::move(r));
    ++ResultCounts[static_cast<std::size_t>(TRowResult::Unchecked)];
    Ticks.emplace_back();
    ++NextId;
}

namespace {

// Room for `more` elements: exactly when the container is empty (one batch, or a size reserved
// beforehand), else at least half as much again, so that many batches do not copy it each time.
template <typename TContainer> void Grow(TContainer& container, std::size_t more)
{
    const std::size_t needed = container.size() + more;
    if (needed > container.capacity())
        container.reserve(std::max(needed, container.capacity() + container.capacity() / 2));
}

} // namespace

void TDomainTableModel::ReserveRows(std::size_t rows, std::size_t captionBytes)
{
    Rows.reserve(Rows.size() + rows);
    Ticks.reserve(Ticks.size() + rows);
    Answers.reserve(Answers.size() + rows);
    Arena.reserve(Arena.size() + captionBytes);
}

template <typename TCaptions> void TDomainTableModel::AppendGeneratedRows(const TCaptions& captions)
{
    if (captions.empty())
        return;
    const int first = RowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(captions.size()) - 1);
    Grow(Rows, captions.size());
    Grow(Ticks, captions.size());
    Grow(Answers, captions.size());
    std::size_t bytes = 0;
    for (const auto& caption : captions)
        bytes += caption.size();
    Grow(Arena, bytes);
    for (const auto& caption : captions) {
        AppendRow(caption, true);
        TRow& r = Rows.back();
        r.Slots = DomainSlotCount;
        r.AnswerIndex = TNumericSlot(static_cast<std::uint64_t>(Answers.size()));
        Answers.emplace_back();
    }
    endInsertRows();
}

void TDomainTableModel::AppendGenerated(const std::vector<std::string>& captions)
{
    AppendGeneratedRows(captions);
}

void TDomainTableModel::AppendGeneratedNames(const std::vector<std::string_view>& captions)
{
    AppendGeneratedRows(captions);
}

void TDomainTableModel::SetContents(const std::vector<TDomainRow>& rows, std::vector<std::string> answerLog)
{
    beginResetModel();
    Reset();
    Rows.reserve(rows.size());
    Ticks.reserve(rows.size());
    for (const TDomainRow& source : rows) {
        AppendRow(source.Caption, source.Checked);
        TRow& r = Rows.back();
        const int position = static_cast<int>(Rows.size()) - 1;
        const int count = static_cast<int>(std::min<std::size_t>(source.Slots.size(), 255));
        for (int slot = 0; slot < count; ++slot)
            StoreSlot(position, r, slot, source.Slots[static_cast<std::size_t>(slot)]);
    }
    Answers = std::move(answerLog);
    SeparateSharedAnswers();
    endResetModel();
}

void TDomainTableModel::SeparateSharedAnswers()
{
    std::vector<bool> named(Answers.size());
    for (int row = 0; row < RowCount(); ++row) {
        const int entry = AnswerIndexOf(row);
        if (entry < 0)
            continue;
        if (!named[static_cast<std::size_t>(entry)]) {
            named[static_cast<std::size_t>(entry)] = true;
            continue;
        }
        Rows[static_cast<std::size_t>(row)].AnswerIndex = TNumericSlot(static_cast<std::uint64_t>(Answers.size()));
        Answers.push_back(Answers[static_cast<std::size_t>(entry)]);
        named.push_back(true);
    }
}

TDomainRow TDomainTableModel::RowAt(int row) const
{
    TDomainRow result;
    result.Caption = Caption(row);
    result.Checked = Checked(row);
    const int count = SlotCount(row);
    result.Slots.reserve(static_cast<std::size_t>(count));
    for (int slot = 0; slot < count; ++slot)
        result.Slots.push_back(Slot(row, slot));
    return result;
}

std::vector<TDomainRow> TDomainTableModel::AllRows() const
{
    std::vector<TDomainRow> result;
    result.reserve(Rows.size());
    for (int row = 0; row < RowCount(); ++row)
        result.push_back(RowAt(row));
    return result;
}

std::size_t TDomainTableModel::MemoryUsage() const
{
    auto heap = [](const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; };
    std::size_t total = Rows.capacity() * sizeof(TRow) + Ticks.capacity() * sizeof(TNumericSlot) + Arena.capacity() +
                        Answers.capacity() * sizeof(std::string) + RunningBits.capacity() * sizeof(std::uint64_t) +
                        Evidences.MemoryUsage();
    for (const std::string& answer : Answers)
        total += heap(answer);
    for (const TNumericSlot& tick : Ticks)
        total += tick.HeapBytes();
    for (const TRow& r : Rows) {
        total += r.AnswerIndex.HeapBytes();
        if (!r.Extra)
            continue;
        total += sizeof(TExtra);
        for (const std::string& text : r.Extra->Texts)
            total += heap(text);
        total += r.Extra->More.capacity() * sizeof(std::string);
    }
    return total;
}
