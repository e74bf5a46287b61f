#pragma once

#include "models/ItemListModel.h"
#include "settings/SettingsPages.h"

#include <QAbstractTableModel>

// The settings dialog's WHOIS host table: two read-only columns, Domain and Server.
class TTldListModel : public TItemListModel<TTldRow, QAbstractTableModel>
{
    Q_OBJECT

public:
    explicit TTldListModel(QObject* parent = nullptr);

    // The settings dialog's filter: whether the row's key (its A-label), the key's U-label or its
    // server holds `needle`, in any case.
    bool Matches(int row, const QString& needle) const;

    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
};
