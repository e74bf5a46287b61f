#include "models/WordListModel.h"

#include "base/Utf8.h"
#include "core/SplitWords.h"

#include <algorithm>

namespace {

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// Words are bytes; text that is not UTF-8 is shown as Latin-1 so that every byte stays visible.
QString ToDisplay(const std::string& bytes)
{
    return QString::fromStdString(Utf8OrLatin1(bytes));
}

} // namespace

TWordListModel::TWordListModel(QObject* parent) : QAbstractListModel(parent) {}

int TWordListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

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

void TWordListModel::SetAll(std::vector<TWordEntry> entries)
{
    beginResetModel();
    Entries = std::move(entries);
    endResetModel();
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
    beginInsertRows(QModelIndex(), 0, 0);
    Entries.insert(Entries.begin(), TWordEntry{std::string(text), true});
    endInsertRows();
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
    return std::any_of(Entries.begin(), Entries.end(),
                       [&](const TWordEntry& entry) { return EqualIgnoringAsciiCase(entry.Text, text); });
}

void TWordListModel::Append(std::string text, bool checked)
{
    const int row = Count();
    beginInsertRows(QModelIndex(), row, row);
    Entries.push_back({std::move(text), checked});
    endInsertRows();
}

void TWordListModel::Remove(int row)
{
    if (row < 0 || row >= Count())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    Entries.erase(Entries.begin() + row);
    endRemoveRows();
}

void TWordListModel::Clear()
{
    SetAll({});
}

void TWordListModel::SetChecked(int row, bool checked)
{
    if (row < 0 || row >= Count() || Entries[static_cast<std::size_t>(row)].Checked == checked)
        return;
    Entries[static_cast<std::size_t>(row)].Checked = checked;
    const QModelIndex cell = index(row);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

void TWordListModel::SetAllChecked(bool checked)
{
    if (Entries.empty())
        return;
    for (TWordEntry& entry : Entries)
        entry.Checked = checked;
    emit dataChanged(index(0), index(Count() - 1), {Qt::CheckStateRole});
}

std::vector<std::string> TWordListModel::CollectTicked() const
{
    std::vector<std::string> ticked;
    for (const TWordEntry& entry : Entries)
        if (entry.Checked)
            ticked.push_back(entry.Text);
    return ticked;
}
