#include "models/WordListModel.h"

#include "base/AsciiText.h"
#include "base/Utf8.h"
#include "core/SplitWords.h"

#include <algorithm>

namespace {

// Words are bytes; text that is not UTF-8 is shown as Latin-1 so that every byte stays visible.
QString ToDisplay(const std::string& bytes)
{
    return QString::fromStdString(Utf8OrLatin1(bytes));
}

} // namespace

TWordListModel::TWordListModel(QObject* parent) : TItemListModel(parent) {}

QVariant TWordListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TWordEntry& entry = At(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return ToDisplay(entry.Text);
    case Qt::CheckStateRole:
        return entry.Checked ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

bool TWordListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    const bool checked = value.toInt() == Qt::Checked;
    if (At(index.row()).Checked == checked)
        return true;
    SetChecked(index.row(), checked);
    emit CheckChangedByUser();
    return true;
}

Qt::ItemFlags TWordListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
}

bool TWordListModel::AddWords(std::string_view text)
{
    if (IsBlankWord(text))
        return false;
    if (text.find(',') != std::string_view::npos) {
        SplitWords(text, ',');
        return true;
    }
    if (Contains(text))
        return false;
    Insert(0, TWordEntry{std::string(text), true});
    return true;
}

void TWordListModel::SplitWords(std::string_view text, char delimiter)
{
    std::vector<TWordEntry> entries;
    for (std::string& word : ::SplitWords(text, delimiter))
        entries.push_back({std::move(word), false});
    SetAll(std::move(entries));
}

bool TWordListModel::Contains(std::string_view text) const
{
    return std::any_of(Items.begin(), Items.end(),
                       [&](const TWordEntry& entry) { return EqualsIgnoringCase(entry.Text, text); });
}

void TWordListModel::Append(std::string text, bool checked)
{
    Append(TWordEntry{std::move(text), checked});
}

void TWordListModel::Clear()
{
    SetAll({});
}

void TWordListModel::SetChecked(int row, bool checked)
{
    if (row < 0 || row >= Count() || Items[static_cast<std::size_t>(row)].Checked == checked)
        return;
    Items[static_cast<std::size_t>(row)].Checked = checked;
    const QModelIndex cell = index(row);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

void TWordListModel::SetAllChecked(bool checked)
{
    if (Items.empty())
        return;
    for (TWordEntry& entry : Items)
        entry.Checked = checked;
    emit dataChanged(index(0), index(Count() - 1), {Qt::CheckStateRole});
}

void TWordListModel::SetCheckedWhere(const std::function<bool(int row)>& test, bool checked)
{
    int first = Count();
    int last = -1;
    for (int row = 0; row < Count(); ++row) {
        TWordEntry& entry = Items[static_cast<std::size_t>(row)];
        if (entry.Checked == checked || !test(row))
            continue;
        entry.Checked = checked;
        first = std::min(first, row);
        last = row;
    }
    if (last >= 0)
        emit dataChanged(index(first), index(last), {Qt::CheckStateRole});
}

int TWordListModel::TickedCount() const
{
    return static_cast<int>(
        std::count_if(Items.begin(), Items.end(), [](const TWordEntry& entry) { return entry.Checked; }));
}

std::vector<std::string> TWordListModel::CollectTicked() const
{
    std::vector<std::string> ticked;
    for (const TWordEntry& entry : Items)
        if (entry.Checked)
            ticked.push_back(entry.Text);
    return ticked;
}
