#include "models/TldListModel.h"

#include "models/ByteText.h"

TTldListModel::TTldListModel(QObject* parent) : TItemListModel(parent) {}

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
