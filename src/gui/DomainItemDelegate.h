#pragma once

#include "core/RowResult.h"

#include <QColor>
#include <QStyledItemDelegate>

#include <optional>

// Paints the domain table's cells: the Domain column in grey for a taken name ("NO") and in
// maroon for a failed check ("RESULT ERROR"); everything else in the table's normal colours.
// Cell texts, tool tips included, are always shown as plain text.
class TDomainItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The Domain column's text colour for a row's verdict; none: the normal colour.
    static std::optional<QColor> DomainTextColor(TRowResult result, const QPalette& palette);
    // The text colour a cell is painted in.
    QColor TextColorOf(const QModelIndex& index, const QPalette& palette) const;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
