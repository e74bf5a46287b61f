#pragma once

#include "models/DomainSortProxy.h"
#include "models/DomainTableModel.h"

#include <QTableView>

class TDomainItemDelegate;

// The domain table: a report-style list with check boxes that keeps its rows sorted by one column
// in one direction (through TDomainSortProxy, which holds the order) and shows that column and
// direction with the style's sort indicator in the header. A header click turns the sort column
// round or sorts by another column in the same direction.
//
// Besides the list itself it reports what the main window acts on: a changed tick (OnChangeCheck),
// a mouse click anywhere in the table (DomainsClick), and Shift+double-click or Shift+Enter on the
// selected row (ServerPropertiesRequested).
class TzqListView : public QTableView
{
    Q_OBJECT

public:
    explicit TzqListView(TDomainTableModel& model, QWidget* parent = nullptr);
    ~TzqListView() override;

    TDomainSortProxy& SortProxy() const { return *Proxy; }
    TDomainTableModel& DomainModel() const { return Proxy->Model(); }

    int SortColumn() const { return Proxy->SortColumn(); }
    void SetSortColumn(int column) { Proxy->SetSortColumn(column); }
    TSortDirection SortDirection() const { return Proxy->SortDirection(); }
    void SetSortDirection(TSortDirection direction) { Proxy->SetSortDirection(direction); }
    bool ShowSortSign() const { return SortSign; }
    void SetShowSortSign(bool show);
    TSortType SortType() const { return Proxy->SortType(); }
    void SetSortType(TSortType type) { Proxy->SetSortType(type); }
    void ColClick(int column) { Proxy->ColClick(column); }

    // The model row of the selected row, -1 when none is selected.
    int SelectedSourceRow() const;
    // Ticks or unticks every row with the wait cursor shown; the selection stays as it is.
    void SetAllChecked(bool checked);

signals:
    // A row's tick changed: the list, the row, its position in the view and its new tick.
    void OnChangeCheck(TzqListView* sender, TRowId item, int itemIndex, bool check);
    // A mouse click anywhere in the table, on a row or not.
    void DomainsClick();
    // Shift+double-click or Shift+Enter on the selected row: the server properties dialog for
    // the row's domain and its WHOIS server (possibly empty).
    void ServerPropertiesRequested(const QString& domain, const QString& whoisServer);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void UpdateSortSign();
    void ModelDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
    // Shift held and a row selected: ask for the server properties of that row.
    void DblClick(Qt::KeyboardModifiers modifiers);

    TDomainSortProxy* Proxy = nullptr;
    TDomainItemDelegate* Delegate = nullptr;
    bool SortSign = true;
    bool BulkTicking = false;
};
