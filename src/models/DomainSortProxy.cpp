#include "models/DomainSortProxy.h"

#include "base/Utf8.h"
#include "models/IdnaName.h"
#include "whois/ResponseText.h"

#include <algorithm>
#include <numeric>

TDomainSortProxy::TDomainSortProxy(TDomainTableModel& model, QObject* parent)
    : QAbstractProxyModel(parent), Source(model)
{
    SourceReset();
    QAbstractProxyModel::setSourceModel(&model);
    connect(&model, &QAbstractItemModel::dataChanged, this, &TDomainSortProxy::SourceDataChanged);
    connect(&model, &QAbstractItemModel::rowsInserted, this, &TDomainSortProxy::SourceRowsInserted);
    connect(&model, &QAbstractItemModel::modelAboutToBeReset, this, &TDomainSortProxy::SourceAboutToReset);
    connect(&model, &QAbstractItemModel::modelReset, this, [this] {
        SourceReset();
        endResetModel();
    });
    connect(&model, &QAbstractItemModel::headerDataChanged, this, &QAbstractItemModel::headerDataChanged);
    // The table model only appends rows or replaces them all; anything else is taken as a new table.
    connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &TDomainSortProxy::SourceAboutToReset);
    connect(&model, &QAbstractItemModel::rowsRemoved, this, [this] {
        SourceReset();
        endResetModel();
    });
    connect(&model, &QAbstractItemModel::layoutAboutToBeChanged, this, &TDomainSortProxy::SourceAboutToReset);
    connect(&model, &QAbstractItemModel::layoutChanged, this, [this] {
        SourceReset();
        endResetModel();
    });
}

TDomainSortProxy::~TDomainSortProxy() = default;

QModelIndex TDomainSortProxy::mapToSource(const QModelIndex& proxyIndex) const
{
    if (!proxyIndex.isValid() || proxyIndex.model() != this)
        return {};
    const int row = SourceRow(proxyIndex.row());
    return row < 0 ? QModelIndex() : Source.index(row, proxyIndex.column());
}

QModelIndex TDomainSortProxy::mapFromSource(const QModelIndex& sourceIndex) const
{
    if (!sourceIndex.isValid() || sourceIndex.model() != &Source)
        return {};
    const int row = ViewRow(sourceIndex.row());
    return row < 0 ? QModelIndex() : createIndex(row, sourceIndex.column());
}

QModelIndex TDomainSortProxy::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex TDomainSortProxy::parent(const QModelIndex&) const
{
    return {};
}

QModelIndex TDomainSortProxy::sibling(int row, int column, const QModelIndex&) const
{
    return index(row, column);
}

int TDomainSortProxy::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return static_cast<int>(Filtered() ? Shown.size() : Sorted.size());
}

int TDomainSortProxy::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Source.columnCount();
}

bool TDomainSortProxy::hasChildren(const QModelIndex& parent) const
{
    return !parent.isValid() && rowCount() > 0;
}

QVariant TDomainSortProxy::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal)
        return Source.headerData(section, orientation, role);
    return QAbstractItemModel::headerData(section, orientation, role);
}

void TDomainSortProxy::sort(int column, Qt::SortOrder order)
{
    const int count = columnCount();
    column = count == 0 ? 0 : std::clamp(column, 0, count - 1);
    const TSortDirection direction = order == Qt::AscendingOrder ? sdAscending : sdDescending;
    if (column == Order.Column() && direction == Order.Direction())
        return;
    Order.SetColumn(column);
    Order.SetDirection(direction);
    emit SortChanged();
    if (Type != stNone)
        Sort();
}

void TDomainSortProxy::SetSortColumn(int column)
{
    const int count = columnCount();
    if (count == 0)
        column = 0;
    else if (column >= count)
        column = count - 1;
    column = std::max(column, 0);
    if (column == Order.Column())
        return;
    Order.SetColumn(column);
    emit SortChanged();
    if (Type != stNone)
        Sort();
}

void TDomainSortProxy::SetSortDirection(TSortDirection direction)
{
    if (direction == Order.Direction())
        return;
    Order.SetDirection(direction);
    emit SortChanged();
    if (Type != stNone)
        Sort();
}

void TDomainSortProxy::SetSortType(TSortType type)
{
    if (type == Type)
        return;
    Type = type;
    if (SortsOnArrival())
        Sort();
    emit SortChanged();
}

void TDomainSortProxy::ColClick(int column)
{
    if (column == Order.Column())
        SetSortDirection(Order.Direction() == sdAscending ? sdDescending : sdAscending);
    else
        SetSortColumn(column);
}

void TDomainSortProxy::Sort()
{
    if (Sorted.size() < 2)
        return;
    std::vector<int> order = Sorted;
    Order.Sort(order);
    Reorder(order);
}

QString TDomainSortProxy::TextAt(int sourceRow, int column) const
{
    // Column 0 is the caption, column c the row's slot c - 1; a slot the row lacks reads "".
    return Source.data(Source.index(sourceRow, column), Qt::DisplayRole).toString();
}

QStringView TDomainSortProxy::CellText(int sourceRow, int column, QString& buffer) const
{
    if (column == TDomainTableModel::ColumnDomain) {
        const std::string_view caption = Source.CaptionView(sourceRow);
        if (std::all_of(caption.begin(), caption.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
            buffer.resize(static_cast<qsizetype>(caption.size()));
            QChar* out = buffer.data();
            for (const char c : caption)
                *out++ = QLatin1Char(c);
            return buffer;
        }
    }
    buffer = TextAt(sourceRow, column);
    return buffer;
}

// The values behind ResultRole and ExpiryDayRole, read without a QVariant: a filter over a million
// rows reads every row's verdict, and through the role that took ten times as long.
TRowResult TDomainSortProxy::Result(int row) const
{
    return Source.ResultOf(row);
}

int TDomainSortProxy::ExpiryDay(int row) const
{
    return Source.ExpiryDay(row);
}

void TDomainSortProxy::ReadText(int row, int column, bool moments, TSortItem& item, std::string& tails) const
{
    const QStringView text = CellText(row, column, TextBuffer);
    Reader.Classify(text, item, moments);
    if (!(item.Kind & (TSortItem::Empty | TSortItem::Number | TSortItem::DateTime)))
        Reader.AddKey(text, item, tails);
}

void TDomainSortProxy::AddTextKey(int row, int column, TSortItem& item, std::string& tails) const
{
    Reader.AddKey(CellText(row, column, TextBuffer), item, tails);
}

void TDomainSortProxy::AddWordKey(std::string_view word, TSortItem& item, std::string& tails) const
{
    Reader.AddKey(QString::fromUtf8(word.data(), static_cast<qsizetype>(word.size())), item, tails);
}

void TDomainSortProxy::RebuildPositions(int fromPosition)
{
    SortedPosition.resize(Sorted.size());
    for (std::size_t at = static_cast<std::size_t>(std::max(fromPosition, 0)); at < Sorted.size(); ++at)
        SortedPosition[static_cast<std::size_t>(Sorted[at])] = static_cast<int>(at);
}

void TDomainSortProxy::SetFilter(TDomainFilter filter)
{
    if (filter == Order.Filter())
        return;
    Relayout(Sorted, filter);
}

std::string TDomainSortProxy::ShownText() const
{
    return "shown " + std::to_string(ShownCount()) + " of " + std::to_string(TotalCount());
}

void TDomainSortProxy::InsertSorted(int position, const std::vector<int>& rows, int rebuildFrom)
{
    const int added = static_cast<int>(rows.size());
    if (!Filtered()) {
        beginInsertRows({}, position, position + added - 1);
        Sorted.insert(Sorted.begin() + position, rows.begin(), rows.end());
        RebuildPositions(rebuildFrom);
        endInsertRows();
        return;
    }
    std::vector<int> places;
    for (int i = 0; i < added; ++i)
        if (Order.Shows(rows[static_cast<std::size_t>(i)]))
            places.push_back(position + i);
    const auto at = std::lower_bound(Shown.begin(), Shown.end(), position);
    const int shownAt = static_cast<int>(at - Shown.begin());
    const int shownAdded = static_cast<int>(places.size());
    // Rows the filter hides change nothing that is shown.
    if (shownAdded > 0)
        beginInsertRows({}, shownAt, shownAt + shownAdded - 1);
    Sorted.insert(Sorted.begin() + position, rows.begin(), rows.end());
    RebuildPositions(rebuildFrom);
    for (auto later = Shown.begin() + shownAt; later != Shown.end(); ++later)
        *later += added;
    Shown.insert(Shown.begin() + shownAt, places.begin(), places.end());
    if (shownAdded > 0)
        endInsertRows();
}

void TDomainSortProxy::UpdateShown(int sourceRow)
{
    if (!Filtered() || sourceRow < 0 || sourceRow >= static_cast<int>(SortedPosition.size()))
        return;
    const int position = SortedPosition[static_cast<std::size_t>(sourceRow)];
    const auto at = std::lower_bound(Shown.begin(), Shown.end(), position);
    const int viewRow = static_cast<int>(at - Shown.begin());
    const bool shown = at != Shown.end() && *at == position;
    if (shown == Order.Shows(sourceRow))
        return;
    if (shown) {
        beginRemoveRows({}, viewRow, viewRow);
        Shown.erase(at);
        endRemoveRows();
    } else {
        beginInsertRows({}, viewRow, viewRow);
        Shown.insert(at, position);
        endInsertRows();
    }
}

void TDomainSortProxy::Reorder(const std::vector<int>& newOrder)
{
    if (newOrder != Sorted)
        Relayout(newOrder, Order.Filter());
}

void TDomainSortProxy::Relayout(const std::vector<int>& newOrder, TDomainFilter filter)
{
    // Rows that come or go are no mere sort.
    const auto hint = filter == Order.Filter() && !Filtered() ? QAbstractItemModel::VerticalSortHint
                                                              : QAbstractItemModel::NoLayoutChangeHint;
    emit layoutAboutToBeChanged({}, hint);
    const QModelIndexList from = persistentIndexList();
    std::vector<int> sourceRows;
    sourceRows.reserve(static_cast<std::size_t>(from.size()));
    for (const QModelIndex& index : from)
        sourceRows.push_back(SourceRow(index.row()));
    if (&newOrder != &Sorted)
        Sorted = newOrder;
    Order.SetFilter(filter);
    RebuildPositions(0);
    Shown = Order.ShownPlaces(Sorted);
    QModelIndexList to;
    to.reserve(from.size());
    for (qsizetype i = 0; i < from.size(); ++i) {
        const int row = ViewRow(sourceRows[static_cast<std::size_t>(i)]);
        to.append(row < 0 ? QModelIndex() : createIndex(row, from[i].column()));
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, hint);
}

int TDomainSortProxy::SourceRow(int viewRow) const
{
    if (viewRow < 0 || viewRow >= rowCount())
        return -1;
    const std::size_t position = Filtered() ? static_cast<std::size_t>(Shown[static_cast<std::size_t>(viewRow)])
                                            : static_cast<std::size_t>(viewRow);
    return Sorted[position];
}

int TDomainSortProxy::ViewRow(int sourceRow) const
{
    if (sourceRow < 0 || sourceRow >= static_cast<int>(SortedPosition.size()))
        return -1;
    const int position = SortedPosition[static_cast<std::size_t>(sourceRow)];
    if (!Filtered())
        return position;
    const auto at = std::lower_bound(Shown.begin(), Shown.end(), position);
    return at != Shown.end() && *at == position ? static_cast<int>(at - Shown.begin()) : -1;
}

std::vector<TRowId> TDomainSortProxy::ViewOrder() const
{
    std::vector<TRowId> ids;
    ids.reserve(Sorted.size());
    for (const int row : Sorted)
        ids.push_back(Source.IdAt(row));
    return ids;
}

std::vector<TDomainRow> TDomainSortProxy::RowsInViewOrder() const
{
    std::vector<TDomainRow> rows;
    rows.reserve(Sorted.size());
    for (const int row : Sorted)
        rows.push_back(Source.RowAt(row));
    return rows;
}

QString TDomainSortProxy::AnswersText(int sourceRow) const
{
    if (sourceRow < 0 || sourceRow >= Source.RowCount())
        return {};
    const int entry = Source.AnswerIndexOf(sourceRow);
    if (entry < 0)
        return {};
    std::vector<std::string> lines;
    SplitLines(Source.AnswerLog()[static_cast<std::size_t>(entry)], lines);
    // The table shows an internationalised name as typed; the answers came for its A-labels.
    if (std::string note = TIdnaName::Of(Source.Caption(sourceRow)).AnswersNote(); !note.empty())
        lines.insert(lines.begin(), std::move(note));
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += lines[i];
    }
    return QString::fromStdString(Utf8OrLatin1(text));
}

std::vector<int> TDomainSortProxy::TickAllRows(bool checked)
{
    std::vector<int> changed;
    for (int row = 0; row < rowCount(); ++row) {
        const int source = SourceRow(row);
        if (Source.Checked(source) != checked)
            changed.push_back(source);
    }
    if (changed.empty())
        return changed;
    if (Filtered())
        Source.SetRowsChecked(changed, checked);
    else
        Source.SetAllChecked(checked);
    return changed;
}

void TDomainSortProxy::SourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                         const QList<int>& roles)
{
    if (!topLeft.isValid() || !bottomRight.isValid())
        return;
    const int first = topLeft.row();
    const int last = bottomRight.row();
    const bool textChanged = roles.isEmpty() || roles.contains(Qt::DisplayRole) ||
                             roles.contains(TDomainTableModel::ResultRole) ||
                             roles.contains(TDomainTableModel::ExpiryDayRole);
    if (textChanged)
        Order.CellsChanged(first, last, topLeft.column(), bottomRight.column());
    // A new result may show a hidden row or hide a shown one before anything is drawn again.
    if (textChanged && Filtered() && topLeft.column() <= TDomainTableModel::ColumnAvailability &&
        bottomRight.column() >= TDomainTableModel::ColumnAvailability) {
        if (first == last)
            UpdateShown(first);
        else if (Order.ShownPlaces(Sorted) != Shown)
            Relayout(Sorted, Order.Filter());
    }
    // The domain cell is drawn in the colour of its row's availability, so it is drawn again with it.
    const int left = topLeft.column() <= TDomainTableModel::ColumnAvailability &&
                             bottomRight.column() >= TDomainTableModel::ColumnAvailability
                         ? TDomainTableModel::ColumnDomain
                         : topLeft.column();
    if (first == last) {
        const int row = ViewRow(first);
        if (row >= 0)
            emit dataChanged(index(row, left), index(row, bottomRight.column()), roles);
        return;
    }
    // Rows of a range are scattered over the view; one notice for all of them.
    if (rowCount() > 0)
        emit dataChanged(index(0, left), index(rowCount() - 1, bottomRight.column()), roles);
}

void TDomainSortProxy::SourceRowsInserted(const QModelIndex& parent, int first, int last)
{
    if (parent.isValid())
        return;
    const int added = last - first + 1;
    const int before = static_cast<int>(Sorted.size());
    if (first < before) {
        // Rows inserted within the model move the model rows behind them.
        for (int& row : Sorted)
            if (row >= first)
                row += added;
        Order.RowsInserted(first, added);
    }
    std::vector<int> arrived(static_cast<std::size_t>(added));
    std::iota(arrived.begin(), arrived.end(), first);
    // Places before the new rows keep their rows unless model rows were renumbered.
    const bool renumbered = first < before;
    if (!SortsOnArrival() || Source.RowCount() < 2) {
        InsertSorted(before, arrived, renumbered ? 0 : before);
        return;
    }
    Order.Sort(arrived);
    if (before == 0 || added == 1) {
        // One place for all of them: after the rows that sort equal, as a stable sort would.
        const int position = static_cast<int>(Order.PlaceOf(Sorted, arrived.front()));
        InsertSorted(position, arrived, renumbered ? 0 : position);
        return;
    }
    // Scattered places: show the rows at the end, then move everything into order at once.
    InsertSorted(before, arrived, renumbered ? 0 : before);
    Reorder(Order.Merged(Sorted, static_cast<std::size_t>(before), arrived));
}

void TDomainSortProxy::SourceAboutToReset()
{
    beginResetModel();
}

void TDomainSortProxy::SourceReset()
{
    Order.Clear();
    const std::size_t rows = static_cast<std::size_t>(Source.RowCount());
    Sorted.resize(rows);
    std::iota(Sorted.begin(), Sorted.end(), 0);
    if (SortsOnArrival() && rows > 1)
        Order.Sort(Sorted);
    SortedPosition.assign(rows, 0);
    RebuildPositions(0);
    Shown = Order.ShownPlaces(Sorted);
}
