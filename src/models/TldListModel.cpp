#include "models/TldListModel.h"

#include "models/ByteText.h"
#include "models/IdnaName.h"

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

bool TTldListModel::Matches(int row, const QString& needle) const
{
    const TTldRow& entry = At(row);
    if (TextFromBytes(entry.Domain).contains(needle, Qt::CaseInsensitive) ||
        TextFromBytes(entry.Server).contains(needle, Qt::CaseInsensitive))
        return true;
    // Only keys that need IDNA have a second form; a plain key costs no conversion.
    if (!TIdnaName::NeedsIdna(entry.Domain))
        return false;
    const TIdnaName tld = TIdnaName::Of(entry.Domain);
    return tld.Problem.empty() && TextFromBytes(tld.Unicode).contains(needle, Qt::CaseInsensitive);
}

QVariant TTldListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 1)
        return {};
    return section == 0 ? QStringLiteral("Domain") : QStringLiteral("Server");
}
