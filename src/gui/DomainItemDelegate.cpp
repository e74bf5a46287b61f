#include "gui/DomainItemDelegate.h"

#include "models/DomainTableModel.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

std::optional<QColor> TDomainItemDelegate::DomainTextColor(const QString& availability, const QPalette& palette)
{
    if (availability == QLatin1String("NO"))
        return palette.color(QPalette::Disabled, QPalette::Text);
    if (availability == QLatin1String("RESULT ERROR"))
        return QColor(128, 0, 0);
    return std::nullopt;
}

QColor TDomainItemDelegate::TextColorOf(const QModelIndex& index, const QPalette& palette) const
{
    if (index.column() == TDomainTableModel::ColumnDomain) {
        const QString availability = index.siblingAtColumn(TDomainTableModel::ColumnAvailability).data().toString();
        if (const auto color = DomainTextColor(availability, palette))
            return *color;
    }
    return palette.color(QPalette::Active, QPalette::Text);
}

void TDomainItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() != TDomainTableModel::ColumnDomain)
        return;
    const QString availability = index.siblingAtColumn(TDomainTableModel::ColumnAvailability).data().toString();
    if (const auto color = DomainTextColor(availability, option->palette))
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
