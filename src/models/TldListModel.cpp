#include "models/TldListModel.h"

#include "models/ByteText.h"
#include "models/IdnaName.h"

#include <QSortFilterProxyModel>

TTldListModel::TTldListModel(QObject* parent) : TItemListModel(parent) {}

int TTldListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant TTldListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TTldRow& row = Items[static_cast<std::size_t>(index.row())];
    if (role == SearchRole) {
        QString text = TextFromBytes(row.Domain);
        // Only keys that need IDNA have a second form; a plain key costs no conversion.
        if (TIdnaName::NeedsIdna(row.Domain))
            if (const TIdnaName tld = TIdnaName::Of(row.Domain); tld.Problem.empty())
                text += QLatin1Char(' ') + TextFromBytes(tld.Unicode);
        return text + QLatin1Char(' ') + TextFromBytes(row.Server);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    return TextFromBytes(index.column() == 0 ? row.Domain : row.Server);
}

QSortFilterProxyModel* TTldListModel::NewFilter(QObject* parent)
{
    auto* filter = new QSortFilterProxyModel(parent);
    filter->setSourceModel(this);
    filter->setFilterRole(SearchRole);
    filter->setFilterKeyColumn(0);
    filter->setFilterCaseSensitivity(Qt::CaseInsensitive);
    return filter;
}

QVariant TTldListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 1)
        return {};
    return section == 0 ? QStringLiteral("Domain") : QStringLiteral("Server");
}
