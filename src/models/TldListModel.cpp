#include "models/TldListModel.h"

#include "models/ByteText.h"

TTldListModel::TTldListModel(QObject* parent) : QAbstractTableModel(parent) {}

int TTldListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(Items.size());
}

int TTldListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant TTldListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const TTldRow& row = Items[static_cast<std::size_t>(index.row())];
    return TextFromBytes(index.column() == 0 ? row.Domain : row.Server);
}

QVariant TTldListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 1)
        return {};
    return section == 0 ? QStringLiteral("Domain") : QStringLiteral("Server");
}

void TTldListModel::SetRows(std::vector<TTldRow> rows)
{
    beginResetModel();
    Items = std::move(rows);
    endResetModel();
}

void TTldListModel::Append(TTldRow row)
{
    const int at = rowCount();
    beginInsertRows({}, at, at);
    Items.push_back(std::move(row));
    endInsertRows();
}

void TTldListModel::Remove(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows({}, row, row);
    Items.erase(Items.begin() + row);
    endRemoveRows();
}
