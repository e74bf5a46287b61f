#include "engine/DomainTableModel.h"

#include "base/Utf8.h"

#include <algorithm>
#include <bit>
#include <charconv>

namespace {

enum TRowFlag : std::uint8_t
{
    FlagChecked = 1,
    FlagIndexNumeric = 2, // slot 4 is AnswerIndex written in decimal
    FlagTickNumeric = 4,  // slot 5 is Tick written in decimal
    FlagRunning = 8       // slot 5 is non-empty
};

// True when `text` is exactly how std::to_string writes some value of T (no sign, no leading
// zeros), so the number alone can stand for the text.
template <typename T> bool CanonicalNumber(const std::string& text, T& value)
{
    if (text.empty() || text.size() > 20 || (text.size() > 1 && text[0] == '0'))
        return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= 0;
}

// Bytes that are not valid UTF-8 are shown as Latin-1, so that nothing is lost on screen.
QString ToDisplay(const std::string& bytes)
{
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

// Slot texts that cannot be held as plain numbers, and slots beyond the sixth.
struct TDomainTableModel::TExtra
{
    std::string Texts[4];
    std::string IndexText;
    std::string TickText;
    std::vector<std::string> More;
    int ExpiryDay = 0;
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

bool TDomainTableModel::Checked(int row) const
{
    return At(row).Flags & FlagChecked;
}

void TDomainTableModel::SetChecked(int row, bool checked)
{
    TRow& r = At(row);
    if (((r.Flags & FlagChecked) != 0) == checked)
        return;
    r.Flags = static_cast<std::uint8_t>(checked ? r.Flags | FlagChecked : r.Flags & ~FlagChecked);
    const QModelIndex cell = index(row, ColumnDomain);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
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
    case SlotAnswerIndex:
        if (r.Flags & FlagIndexNumeric)
            return std::to_string(r.AnswerIndex);
        return extra ? extra->IndexText : std::string();
    case SlotStartTick:
        if (!(r.Flags & FlagRunning))
            return {};
        if (r.Flags & FlagTickNumeric)
            return std::to_string(r.Tick);
        return extra ? extra->TickText : std::string();
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
    EmitSlotChanged(row, slot);
}

void TDomainTableModel::StoreSlot(int position, TRow& r, int slot, const std::string& text)
{
    if (slot >= r.Slots) {
        if (slot >= DomainSlotCount)
            ExtraOf(r).More.resize(static_cast<std::size_t>(slot + 1 - DomainSlotCount));
        r.Slots = static_cast<std::uint8_t>(slot + 1);
    }
    switch (slot) {
    case SlotAnswerIndex: {
        std::int32_t value = 0;
        if (CanonicalNumber(text, value)) {
            r.AnswerIndex = value;
            r.Flags |= FlagIndexNumeric;
            if (r.Extra)
                r.Extra->IndexText.clear();
        } else {
            r.Flags &= static_cast<std::uint8_t>(~FlagIndexNumeric);
            ExtraOf(r).IndexText = text;
        }
        break;
    }
    case SlotStartTick: {
        r.Flags &= static_cast<std::uint8_t>(~(FlagTickNumeric | FlagRunning));
        r.Tick = 0;
        if (r.Extra)
            r.Extra->TickText.clear();
        if (text.empty()) {
            MarkRunning(position, false);
            break;
        }
        r.Flags |= FlagRunning;
        std::uint64_t value = 0;
        if (CanonicalNumber(text, value)) {
            r.Tick = value;
            r.Flags |= FlagTickNumeric;
        } else {
            ExtraOf(r).TickText = text;
        }
        MarkRunning(position, true);
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

int TDomainTableModel::FirstOverdueRow(std::uint64_t now, std::uint64_t budget) const
{
    if (RunningRows == 0)
        return -1;
    // start + budget < now, without overflow: start < now - budget.
    if (now <= budget)
        return -1;
    const std::uint64_t latest = now - budget;
    for (std::size_t word = 0; word < RunningBits.size(); ++word) {
        for (std::uint64_t bits = RunningBits[word]; bits != 0; bits &= bits - 1) {
            const std::size_t row = word * 64 + static_cast<std::size_t>(std::countr_zero(bits));
            const TRow& r = Rows[row];
            const std::uint64_t start = (r.Flags & FlagTickNumeric) ? r.Tick : StartTick(static_cast<int>(row));
            if (start < latest)
                return static_cast<int>(row);
        }
    }
    return -1;
}

void TDomainTableModel::EmitSlotChanged(int row, int slot)
{
    if (slot < 0 || slot >= ColumnCount - 1)
        return;
    const QModelIndex cell = index(row, slot + 1);
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::ToolTipRole, RawTextRole});
}

int TDomainTableModel::ExpiryDay(int row) const
{
    const TRow& r = At(row);
    return r.Extra ? r.Extra->ExpiryDay : 0;
}

void TDomainTableModel::SetExpiryDay(int row, int dayNumber)
{
    TRow& r = At(row);
    if (dayNumber == 0 && !r.Extra)
        return;
    ExtraOf(r).ExpiryDay = dayNumber;
}

std::uint64_t TDomainTableModel::StartTick(int row) const
{
    const TRow& r = At(row);
    if (!(r.Flags & FlagRunning))
        return 0;
    if (r.Flags & FlagTickNumeric)
        return r.Tick;
    std::uint64_t value = 0;
    const std::string& text = r.Extra->TickText;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
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
    if (r.Slots <= SlotAnswerIndex || !(r.Flags & FlagIndexNumeric))
        return -1;
    if (static_cast<std::size_t>(r.AnswerIndex) >= Answers.size())
        return -1;
    return r.AnswerIndex;
}

void TDomainTableModel::Clear()
{
    beginResetModel();
    Rows.clear();
    Rows.shrink_to_fit();
    Arena.clear();
    Arena.shrink_to_fit();
    Answers.clear();
    Answers.shrink_to_fit();
    RunningBits.clear();
    RunningRows = 0;
    FirstId = NextId;
    endResetModel();
}

void TDomainTableModel::AppendRow(std::string_view caption, bool checked)
{
    TRow r;
    r.CaptionOffset = static_cast<std::uint32_t>(Arena.size());
    r.CaptionLength = static_cast<std::uint32_t>(caption.size());
    r.Flags = checked ? FlagChecked : 0;
    Arena.append(caption);
    Rows.push_back(std::move(r));
    ++NextId;
}

void TDomainTableModel::AppendGenerated(const std::vector<std::string>& captions)
{
    if (captions.empty())
        return;
    const int first = RowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(captions.size()) - 1);
    Rows.reserve(Rows.size() + captions.size());
    Answers.reserve(Answers.size() + captions.size());
    for (const std::string& caption : captions) {
        AppendRow(caption, true);
        TRow& r = Rows.back();
        r.Slots = DomainSlotCount;
        r.AnswerIndex = static_cast<std::int32_t>(Answers.size());
        r.Flags |= FlagIndexNumeric;
        Answers.emplace_back();
    }
    endInsertRows();
}

void TDomainTableModel::SetContents(const std::vector<TDomainRow>& rows, std::vector<std::string> answerLog)
{
    beginResetModel();
    Rows.clear();
    Rows.shrink_to_fit();
    Arena.clear();
    RunningBits.clear();
    RunningRows = 0;
    FirstId = NextId;
    Rows.reserve(rows.size());
    for (const TDomainRow& source : rows) {
        AppendRow(source.Caption, source.Checked);
        TRow& r = Rows.back();
        const int position = static_cast<int>(Rows.size()) - 1;
        const int count = static_cast<int>(std::min<std::size_t>(source.Slots.size(), 255));
        for (int slot = 0; slot < count; ++slot)
            StoreSlot(position, r, slot, source.Slots[static_cast<std::size_t>(slot)]);
    }
    Answers = std::move(answerLog);
    endResetModel();
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
    std::size_t total = Rows.capacity() * sizeof(TRow) + Arena.capacity() + Answers.capacity() * sizeof(std::string) +
                        RunningBits.capacity() * sizeof(std::uint64_t);
    for (const std::string& answer : Answers)
        total += heap(answer);
    for (const TRow& r : Rows) {
        if (!r.Extra)
            continue;
        total += sizeof(TExtra);
        for (const std::string& text : r.Extra->Texts)
            total += heap(text);
        total += heap(r.Extra->IndexText) + heap(r.Extra->TickText);
        total += r.Extra->More.capacity() * sizeof(std::string);
    }
    return total;
}
