#pragma once

#include <QAbstractTableModel>

#include <functional>
#include <vector>

// The rows of a flat model that a test accepts, in the source's order, with every call passed on
// to the source (ticks included). A new test, or rows added to or taken from the source, rebuilds
// the rows and resets the model once: a view then lays out the shown rows in one go, where taking
// out thousands of scattered rows one range at a time would cost it a pass over its rows each.
class TShownRowsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TShownRowsModel(QAbstractItemModel& source, QObject* parent = nullptr);

    // Which rows show; an empty test shows all.
    void SetTest(std::function<bool(int sourceRow)> test);
    bool Testing() const { return static_cast<bool>(Test); }
    // The source's row of a shown row, or -1.
    int SourceRow(int shownRow) const;
    // The shown row of a source row, or -1 when it is hidden.
    int ShownRow(int sourceRow) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QModelIndex SourceIndex(const QModelIndex& index) const;
    void Rebuild();
    void PassOnChange(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);

    QAbstractItemModel& Source;
    std::function<bool(int sourceRow)> Test;
    std::vector<int> Rows; // source rows shown, ascending
};
