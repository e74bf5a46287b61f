#include "models/DomainSortProxy.h"

#include "base/Utf8.h"
#include "whois/ResponseText.h"

#include <algorithm>
#include <cmath>
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
    if (column == Column && direction == Direction)
        return;
    Column = column;
    Direction = direction;
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
    if (column == Column)
        return;
    Column = column;
    emit SortChanged();
    if (Type != stNone)
        Sort();
}

void TDomainSortProxy::SetSortDirection(TSortDirection direction)
{
    if (direction == Direction)
        return;
    Direction = direction;
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
    if (column == Column)
        SetSortDirection(Direction == sdAscending ? sdDescending : sdAscending);
    else
        SetSortColumn(column);
}

void TDomainSortProxy::Sort()
{
    if (Sorted.size() < 2)
        return;
    const TPrepared& prepared = Prepare(Column);
    std::vector<int> order = Sorted;
    SortRows(order, prepared);
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

int TDomainSortProxy::SortItemCompare(int sourceRow1, int sourceRow2, TSortParam param) const
{
    const int column = SortParamColumn(param);
    std::string tails;
    TSortItem items[2];
    const int rows[2] = {sourceRow1, sourceRow2};
    for (int i = 0; i < 2; ++i) {
        const QString text = TextAt(rows[i], column);
        Reader.Classify(text, items[i]);
        Reader.AddKey(text, items[i], tails);
    }
    return ::SortItemCompare(items[0], items[1], param, tails);
}

void TDomainSortProxy::TPrepared::Reset()
{
    Items.clear();
    Items.shrink_to_fit();
    Tails.clear();
    Tails.shrink_to_fit();
    DeadTailBytes = 0;
    Column = -1;
    Rescan();
}

void TDomainSortProxy::TPrepared::Rescan()
{
    Scanned = KeyScanned = 0;
    Texts = Numbers = Moments = Both = 0;
    KeyNeeds = 0;
}

void TDomainSortProxy::ResetItems() const
{
    Captions.Reset();
    Cells.Reset();
}

void TDomainSortProxy::Invalidate(int firstRow, int lastRow, int firstColumn, int lastColumn)
{
    for (TPrepared* prepared : {&Captions, &Cells}) {
        if (prepared->Column < firstColumn || prepared->Column > lastColumn)
            continue;
        const int last = std::min(lastRow, static_cast<int>(prepared->Items.size()) - 1);
        for (int row = std::max(firstRow, 0); row <= last; ++row) {
            TSortItem& item = prepared->Items[static_cast<std::size_t>(row)];
            if (item.Kind & TSortItem::Keyed)
                prepared->DeadTailBytes += item.TailLength;
            item.Kind = 0;
        }
        prepared->Rescan();
    }
}

TDomainSortProxy::TPrepared& TDomainSortProxy::Prepare(int column) const
{
    TPrepared& prepared = column == TDomainTableModel::ColumnDomain ? Captions : Cells;
    if (prepared.Column != column) {
        prepared.Reset();
        prepared.Column = column;
    }
    std::vector<TSortItem>& items = prepared.Items;
    const std::size_t rows = static_cast<std::size_t>(Source.RowCount());
    items.resize(rows);
    if (prepared.Scanned > rows)
        prepared.Rescan();
    QString buffer;
    for (std::size_t row = prepared.Scanned; row < rows; ++row) {
        TSortItem& item = items[row];
        if (!(item.Kind & TSortItem::Classified)) {
            const QStringView text = CellText(static_cast<int>(row), column, buffer);
            Reader.Classify(text, item);
            item.Row = static_cast<std::int32_t>(row);
            // A plain text meets others in the collation as soon as there is a second non-empty
            // one: key it while the text is at hand.
            if (!(item.Kind & (TSortItem::Empty | TSortItem::Number | TSortItem::DateTime)))
                Reader.AddKey(text, item, prepared.Tails);
        }
        switch (item.Kind & (TSortItem::Empty | TSortItem::Number | TSortItem::DateTime)) {
        case TSortItem::Empty:
            break;
        case TSortItem::Number:
            ++prepared.Numbers;
            break;
        case TSortItem::DateTime:
            ++prepared.Moments;
            break;
        case TSortItem::Number | TSortItem::DateTime:
            ++prepared.Both;
            break;
        default:
            ++prepared.Texts;
        }
    }
    prepared.Scanned = rows;
    // Two texts meet in the collation unless one is empty, both are numbers or both are moments;
    // only rows that can meet another that way need a key, which is most of the cost of a sort.
    const bool numberNeeds = prepared.Texts + prepared.Moments > 0;
    const bool momentNeeds = prepared.Texts + prepared.Numbers > 0;
    const bool bothNeeds = prepared.Texts > 0;
    const unsigned keyNeeds = (numberNeeds ? 1u : 0u) | (momentNeeds ? 2u : 0u) | (bothNeeds ? 4u : 0u);
    if (keyNeeds != prepared.KeyNeeds) {
        prepared.KeyNeeds = keyNeeds;
        prepared.KeyScanned = 0;
    }
    if (prepared.DeadTailBytes > prepared.Tails.size() / 2 && prepared.DeadTailBytes > (1u << 20)) {
        // Keys of changed cells pile up; copy the live ones into a fresh string.
        std::string live;
        live.reserve(prepared.Tails.size() - prepared.DeadTailBytes);
        for (TSortItem& item : items) {
            if (!(item.Kind & TSortItem::Keyed))
                continue;
            const std::size_t offset = live.size();
            live.append(prepared.Tails, item.TailOffset, item.TailLength);
            item.TailOffset = static_cast<std::uint32_t>(offset);
        }
        prepared.Tails.swap(live);
        prepared.DeadTailBytes = 0;
    }
    if (!numberNeeds && !momentNeeds)
        return prepared;
    for (std::size_t row = prepared.KeyScanned; row < rows; ++row) {
        TSortItem& item = items[row];
        if (item.Kind & (TSortItem::Keyed | TSortItem::Empty))
            continue;
        const bool isNumber = item.Kind & TSortItem::Number;
        const bool isMoment = item.Kind & TSortItem::DateTime;
        const bool needs = isNumber ? (isMoment ? bothNeeds : numberNeeds) : momentNeeds;
        if (needs)
            Reader.AddKey(TextAt(static_cast<int>(row), column), item, prepared.Tails);
    }
    prepared.KeyScanned = rows;
    return prepared;
}

void TDomainSortProxy::SortRows(std::vector<int>& rows, const TPrepared& prepared) const
{
    std::vector<TSortItem> order;
    order.reserve(rows.size());
    for (const int row : rows)
        order.push_back(prepared.Items[static_cast<std::size_t>(row)]);
    const TSortParam param = SortParam();
    const std::string& tails = prepared.Tails;
    std::stable_sort(order.begin(), order.end(), [&tails, param](const TSortItem& a, const TSortItem& b) {
        return ::SortItemCompare(a, b, param, tails) < 0;
    });
    for (std::size_t i = 0; i < order.size(); ++i)
        rows[i] = order[i].Row;
}

void TDomainSortProxy::RebuildPositions(int fromPosition)
{
    SortedPosition.resize(Sorted.size());
    for (std::size_t at = static_cast<std::size_t>(std::max(fromPosition, 0)); at < Sorted.size(); ++at)
        SortedPosition[static_cast<std::size_t>(Sorted[at])] = static_cast<int>(at);
}

void TDomainSortProxy::SetFilter(TDomainFilter filter)
{
    if (filter == RowFilter)
        return;
    Relayout(Sorted, filter);
}

std::string TDomainSortProxy::ShownText() const
{
    return "shown " + std::to_string(ShownCount()) + " of " + std::to_string(TotalCount());
}

std::vector<int> TDomainSortProxy::ShownPlaces() const
{
    std::vector<int> places;
    if (!Filtered())
        return places;
    for (std::size_t position = 0; position < Sorted.size(); ++position)
        if (Passes(Sorted[position]))
            places.push_back(static_cast<int>(position));
    return places;
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
        if (Passes(rows[static_cast<std::size_t>(i)]))
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
    if (shown == Passes(sourceRow))
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
        Relayout(newOrder, RowFilter);
}

void TDomainSortProxy::Relayout(const std::vector<int>& newOrder, TDomainFilter filter)
{
    // Rows that come or go are no mere sort.
    const auto hint = filter == RowFilter && !Filtered() ? QAbstractItemModel::VerticalSortHint
                                                         : QAbstractItemModel::NoLayoutChangeHint;
    emit layoutAboutToBeChanged({}, hint);
    const QModelIndexList from = persistentIndexList();
    std::vector<int> sourceRows;
    sourceRows.reserve(static_cast<std::size_t>(from.size()));
    for (const QModelIndex& index : from)
        sourceRows.push_back(SourceRow(index.row()));
    if (&newOrder != &Sorted)
        Sorted = newOrder;
    RowFilter = filter;
    RebuildPositions(0);
    Shown = ShownPlaces();
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
    const bool textChanged = roles.isEmpty() || roles.contains(Qt::DisplayRole);
    if (textChanged)
        Invalidate(first, last, topLeft.column(), bottomRight.column());
    // A new result may show a hidden row or hide a shown one before anything is drawn again.
    if (textChanged && Filtered() && topLeft.column() <= TDomainTableModel::ColumnAvailability &&
        bottomRight.column() >= TDomainTableModel::ColumnAvailability) {
        if (first == last)
            UpdateShown(first);
        else if (ShownPlaces() != Shown)
            Relayout(Sorted, RowFilter);
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
        for (TPrepared* prepared : {&Captions, &Cells}) {
            std::vector<TSortItem>& items = prepared->Items;
            if (static_cast<int>(items.size()) < first)
                continue;
            items.insert(items.begin() + first, static_cast<std::size_t>(added), TSortItem{});
            for (std::size_t row = 0; row < items.size(); ++row)
                items[row].Row = static_cast<std::int32_t>(row);
            prepared->Rescan();
        }
    }
    std::vector<int> arrived(static_cast<std::size_t>(added));
    std::iota(arrived.begin(), arrived.end(), first);
    // Places before the new rows keep their rows unless model rows were renumbered.
    const bool renumbered = first < before;
    if (!SortsOnArrival() || Source.RowCount() < 2) {
        InsertSorted(before, arrived, renumbered ? 0 : before);
        return;
    }
    const TPrepared& prepared = Prepare(Column);
    SortRows(arrived, prepared);
    const TSortParam param = SortParam();
    auto less = [&prepared, param](int a, int b) {
        const auto& items = prepared.Items;
        return ::SortItemCompare(items[static_cast<std::size_t>(a)], items[static_cast<std::size_t>(b)], param,
                                 prepared.Tails) < 0;
    };
    if (before == 0 || added == 1) {
        // One place for all of them: after the rows that sort equal, as a stable sort would.
        const auto at = std::upper_bound(Sorted.begin(), Sorted.end(), arrived.front(), less);
        const int position = static_cast<int>(at - Sorted.begin());
        InsertSorted(position, arrived, renumbered ? 0 : position);
        return;
    }
    // Scattered places: show the rows at the end, then move everything into order at once.
    InsertSorted(before, arrived, renumbered ? 0 : before);
    std::vector<int> merged;
    merged.reserve(Sorted.size());
    auto from = Sorted.begin();
    const auto end = Sorted.begin() + before;
    if (static_cast<double>(added) * std::log2(static_cast<double>(before)) < before) {
        // A small batch: each row's place by binary search from the last one's (they arrive
        // sorted), instead of comparing along the whole table.
        for (const int row : arrived) {
            const auto at = std::upper_bound(from, end, row, less);
            merged.insert(merged.end(), from, at);
            merged.push_back(row);
            from = at;
        }
        merged.insert(merged.end(), from, end);
    } else {
        std::merge(from, end, arrived.begin(), arrived.end(), std::back_inserter(merged), less);
    }
    Reorder(merged);
}

void TDomainSortProxy::SourceAboutToReset()
{
    beginResetModel();
}

void TDomainSortProxy::SourceReset()
{
    ResetItems();
    const std::size_t rows = static_cast<std::size_t>(Source.RowCount());
    Sorted.resize(rows);
    std::iota(Sorted.begin(), Sorted.end(), 0);
    if (SortsOnArrival() && rows > 1)
        SortRows(Sorted, Prepare(Column));
    SortedPosition.assign(rows, 0);
    RebuildPositions(0);
    Shown = ShownPlaces();
}
