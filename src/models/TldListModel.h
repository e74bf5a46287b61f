#pragma once

#include "models/ItemListModel.h"
#include "settings/SettingsPages.h"

#include <QAbstractTableModel>

class QSortFilterProxyModel;

// The settings dialog's WHOIS host table: two read-only columns, Domain and Server.
class TTldListModel : public TItemListModel<TTldRow, QAbstractTableModel>
{
    Q_OBJECT

public:
    // What the dialog's filter searches: the key (the A-label), its U-label and the server.
    static constexpr int SearchRole = Qt::UserRole + 1;

    explicit TTldListModel(QObject* parent = nullptr);

    // A proxy that shows the rows whose SearchRole text holds the filter text, in any case.
    QSortFilterProxyModel* NewFilter(QObject* parent);

    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
};
