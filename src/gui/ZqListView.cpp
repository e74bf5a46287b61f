#include "gui/ZqListView.h"

#include "gui/DomainItemDelegate.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QMouseEvent>

namespace {

// Widths of Domain, Availability, Registrar, Whois Server and Expires.
constexpr int ColumnWidths[] = {150, 50, 250, 50, 50};

bool ShiftHeld()
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

// Restores the normal cursor also when the work in between throws.
class TWaitCursor
{
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

} // namespace

TzqListView::TzqListView(TDomainTableModel& model, QWidget* parent)
    : QTableView(parent), Proxy(new TDomainSortProxy(model, this)), Delegate(new TDomainItemDelegate(this))
{
    setModel(Proxy);
    setItemDelegate(Delegate);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setTabKeyNavigation(false);
    // Fixed row heights: a million rows are laid out without measuring any of them.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    // Captions start at the left, so that one wider than its column ("Availability" at its
    // width of 50) still shows its first letters rather than losing letters at both ends.
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < Proxy->columnCount() && column < static_cast<int>(std::size(ColumnWidths)); ++column)
        setColumnWidth(column, ColumnWidths[column]);

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) { ColClick(section); });
    connect(Proxy, &TDomainSortProxy::SortChanged, this, &TzqListView::UpdateSortSign);
    connect(&model, &QAbstractItemModel::dataChanged, this, &TzqListView::ModelDataChanged);
    UpdateSortSign();
}

TzqListView::~TzqListView() = default;

void TzqListView::SetShowSortSign(bool show)
{
    if (show == SortSign)
        return;
    SortSign = show;
    UpdateSortSign();
}

void TzqListView::UpdateSortSign()
{
    QHeaderView* header = horizontalHeader();
    const bool shown = SortSign && Proxy->SortType() != stNone && Proxy->columnCount() > 0;
    // The header flips its indicator by itself on a click; the proxy's order is what it must show.
    header->setSortIndicator(Proxy->SortColumn(),
                             Proxy->SortDirection() == sdAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
    header->setSortIndicatorShown(shown);
    header->viewport()->update();
}

int TzqListView::SelectedSourceRow() const
{
    if (!selectionModel())
        return -1;
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    return Proxy->SourceRow(rows.front().row());
}

void TzqListView::SetAllChecked(bool checked)
{
    const TWaitCursor wait;
    std::vector<int> changed;
    {
        BulkTicking = true;
        setUpdatesEnabled(false);
        struct TRestore
        {
            TzqListView* View;
            ~TRestore()
            {
                View->BulkTicking = false;
                View->setUpdatesEnabled(true);
            }
        } restore{this};
        changed = Proxy->TickAllRows(checked);
    }
    if (!isSignalConnected(QMetaMethod::fromSignal(&TzqListView::OnChangeCheck)))
        return;
    for (const int row : changed)
        emit OnChangeCheck(this, DomainModel().IdAt(row), Proxy->ViewRow(row), checked);
}

void TzqListView::ModelDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    if (BulkTicking || !roles.contains(Qt::CheckStateRole) || topLeft.column() != TDomainTableModel::ColumnDomain)
        return;
    // The model tells of a tick only when it changed.
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
        emit OnChangeCheck(this, DomainModel().IdAt(row), Proxy->ViewRow(row), DomainModel().Checked(row));
}

void TzqListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    // A click below the rows leaves no row selected, as in any list.
    if (!indexAt(event->position().toPoint()).isValid())
        clearSelection();
    emit DomainsClick();
}

void TzqListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    DblClick(event->modifiers());
}

void TzqListView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        DblClick(event->modifiers());
    QTableView::keyPressEvent(event);
}

void TzqListView::DblClick(Qt::KeyboardModifiers modifiers)
{
    const int row = SelectedSourceRow();
    if (row < 0 || !(modifiers.testFlag(Qt::ShiftModifier) || ShiftHeld()))
        return;
    const QString domain = Proxy->index(Proxy->ViewRow(row), TDomainTableModel::ColumnDomain).data().toString();
    const QString server = Proxy->index(Proxy->ViewRow(row), TDomainTableModel::ColumnWhoisServer).data().toString();
    emit ServerPropertiesRequested(domain, server);
}
