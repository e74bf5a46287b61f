#pragma once

#include "settings/SettingsPages.h"

#include <QAbstractTableModel>

#include <vector>

// The settings dialog's WHOIS host table: two read-only columns, Domain and Server.
class TTldListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TTldListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const std::vector<TTldRow>& Rows() const { return Items; }
    void SetRows(std::vector<TTldRow> rows);
    void Append(TTldRow row);
    void Remove(int row);

private:
    std::vector<TTldRow> Items;
};
