#pragma once

#include "core/WordEntry.h"
#include "models/ItemListModel.h"

#include <QAbstractListModel>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One word list of the main window (prefixes, keywords, suffixes or top-level domains): an
// ordered, unsorted list of entries, each a text and a tick, shown as a check list. Entries keep
// their bytes exactly as typed; the generator trims its own copies.
class TWordListModel : public TItemListModel<TWordEntry, QAbstractListModel>
{
    Q_OBJECT

public:
    explicit TWordListModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // A typed text: with a comma it replaces the list by its words, all unticked; otherwise it goes
    // first, ticked, unless an entry equal to it (ASCII letters in any case) exists. Blank text adds
    // nothing. True when the list changed.
    bool AddWords(std::string_view text);
    // The list replaced by the words of `text` (SplitWords), all unticked.
    void SplitWords(std::string_view text, char delimiter);
    bool Contains(std::string_view text) const;

    using TItemListModel::Append;
    void Append(std::string text, bool checked);
    void Clear();
    void SetChecked(int row, bool checked);
    void SetAllChecked(bool checked);
    // Ticks or unticks every entry whose row the test accepts, with one change notice.
    void SetCheckedWhere(const std::function<bool(int row)>& test, bool checked);
    int TickedCount() const;
    // Texts of the ticked entries in list order.
    std::vector<std::string> CollectTicked() const;

signals:
    // A tick changed through the view (the user's click or key), not through the calls above.
    void CheckChangedByUser();
};
