#pragma once

#include <QAbstractItemModel>

#include <cstddef>
#include <utility>
#include <vector>

// A flat Qt model that owns its items in a vector, one row each, in order: the rows and their
// change notices for the list models of the window and the settings dialog. `TQtModel` is
// QAbstractListModel or QAbstractTableModel; the derived model says what a row shows.
template <typename TItem, typename TQtModel> class TItemListModel : public TQtModel
{
public:
    using TQtModel::TQtModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : Count(); }

    int Count() const { return static_cast<int>(Items.size()); }
    const TItem& At(int row) const { return Items.at(static_cast<std::size_t>(row)); }
    const std::vector<TItem>& All() const { return Items; }

    void SetAll(std::vector<TItem> items)
    {
        this->beginResetModel();
        Items = std::move(items);
        this->endResetModel();
    }

    // Row 0 to Count(); any other row adds nothing.
    void Insert(int row, TItem item)
    {
        if (row < 0 || row > Count())
            return;
        this->beginInsertRows(QModelIndex(), row, row);
        Items.insert(Items.begin() + row, std::move(item));
        this->endInsertRows();
    }

    void Append(TItem item) { Insert(Count(), std::move(item)); }

    // A row that does not exist is left alone.
    void Remove(int row)
    {
        if (row < 0 || row >= Count())
            return;
        this->beginRemoveRows(QModelIndex(), row, row);
        Items.erase(Items.begin() + row);
        this->endRemoveRows();
    }

protected:
    std::vector<TItem> Items;
};
