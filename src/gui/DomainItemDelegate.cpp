#include "gui/DomainItemDelegate.h"

#include "models/DomainTableModel.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

std::optional<QColor> TDomainItemDelegate::DomainTextColor(TRowResult result, const QPalette& palette)
{
    if (result == TRowResult::Registered)
        return palette.color(QPalette::Disabled, QPalette::Text);
    if (result == TRowResult::Error)
        return QColor(128, 0, 0);
    return std::nullopt;
}

namespace {

TRowResult ResultAt(const QModelIndex& index)
{
    return static_cast<TRowResult>(index.data(TDomainTableModel::ResultRole).toInt());
}

} // namespace

QColor TDomainItemDelegate::TextColorOf(const QModelIndex& index, const QPalette& palette) const
{
    if (index.column() == TDomainTableModel::ColumnDomain) {
        if (const auto color = DomainTextColor(ResultAt(index), palette))
            return *color;
    }
    return palette.color(QPalette::Active, QPalette::Text);
}

void TDomainItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() != TDomainTableModel::ColumnDomain)
        return;
    if (const auto color = DomainTextColor(ResultAt(index), option->palette))
        option->palette.setColor(QPalette::Text, *color);
}

bool TDomainItemDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                    const QModelIndex& index)
{
    if (!event || !view || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString text = index.data(Qt::ToolTipRole).toString();
    if (text.isEmpty()) {
        QToolTip::hideText();
        return true;
    }
    // A registrar or server name from a WHOIS answer may hold markup: escaped, then marked as rich
    // text, so that the tool tip shows it literally.
    QToolTip::showText(event->globalPos(), QStringLiteral("<qt>%1</qt>").arg(text.toHtmlEscaped()), view);
    return true;
}
