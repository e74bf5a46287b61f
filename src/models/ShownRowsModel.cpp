#include "models/ShownRowsModel.h"

#include <algorithm>

TShownRowsModel::TShownRowsModel(QAbstractItemModel& source, QObject* parent)
    : QAbstractTableModel(parent), Source(source)
{
    connect(&Source, &QAbstractItemModel::dataChanged, this, &TShownRowsModel::PassOnChange);
    connect(&Source, &QAbstractItemModel::rowsInserted, this, &TShownRowsModel::Rebuild);
    connect(&Source, &QAbstractItemModel::rowsRemoved, this, &TShownRowsModel::Rebuild);
    connect(&Source, &QAbstractItemModel::rowsMoved, this, &TShownRowsModel::Rebuild);
    connect(&Source, &QAbstractItemModel::modelReset, this, &TShownRowsModel::Rebuild);
    connect(&Source, &QAbstractItemModel::layoutChanged, this, &TShownRowsModel::Rebuild);
    Rebuild();
}

void TShownRowsModel::SetTest(std::function<bool(int sourceRow)> test)
{
    Test = std::move(test);
    Rebuild();
}

void TShownRowsModel::Rebuild()
{
    beginResetModel();
    Rows.clear();
    const int count = Source.rowCount();
    Rows.reserve(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row)
        if (!Test || Test(row))
            Rows.push_back(row);
    endResetModel();
}

int TShownRowsModel::SourceRow(int shownRow) const
{
    return shownRow >= 0 && shownRow < static_cast<int>(Rows.size()) ? Rows[static_cast<std::size_t>(shownRow)] : -1;
}

int TShownRowsModel::ShownRow(int sourceRow) const
{
    const auto found = std::lower_bound(Rows.begin(), Rows.end(), sourceRow);
    return found != Rows.end() && *found == sourceRow ? static_cast<int>(found - Rows.begin()) : -1;
}

int TShownRowsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(Rows.size());
}

int TShownRowsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Source.columnCount();
}

QModelIndex TShownRowsModel::SourceIndex(const QModelIndex& index) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    return Source.index(SourceRow(index.row()), index.column());
}

QVariant TShownRowsModel::data(const QModelIndex& index, int role) const
{
    const QModelIndex source = SourceIndex(index);
    return source.isValid() ? Source.data(source, role) : QVariant();
}

bool TShownRowsModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const QModelIndex source = SourceIndex(index);
    return source.isValid() && Source.setData(source, value, role);
}

Qt::ItemFlags TShownRowsModel::flags(const QModelIndex& index) const
{
    const QModelIndex source = SourceIndex(index);
    return source.isValid() ? Source.flags(source) : Qt::NoItemFlags;
}

QVariant TShownRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    return Source.headerData(section, orientation, role);
}

void TShownRowsModel::PassOnChange(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    // A change keeps which rows show (the tests read a row's text, which is never edited in place):
    // the shown rows inside the range changed.
    const auto first = std::lower_bound(Rows.begin(), Rows.end(), topLeft.row());
    const auto last = std::upper_bound(first, Rows.end(), bottomRight.row());
    if (first == last)
        return;
    emit dataChanged(index(static_cast<int>(first - Rows.begin()), topLeft.column()),
                     index(static_cast<int>(last - Rows.begin()) - 1, bottomRight.column()), roles);
}
