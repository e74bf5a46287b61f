#include "gui/DialogParts.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

QLabel* Heading(const char* name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QHBoxLayout* IconText(const char* name, const QString& text, QWidget* parent)
{
    auto* icon = new QLabel(parent);
    const int size = parent->style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(parent->style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(size, size));
    icon->setAlignment(Qt::AlignTop);
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(label, 1);
    return row;
}

QLabel* BuddyLabel(const QString& caption, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    // A buddy is not announced by every screen reader; the field carries its label's name as well.
    buddy->setAccessibleName(caption);
    return label;
}

TDialogButtons AddDialogButtons(QDialog* dialog, QHBoxLayout* row)
{
    TDialogButtons buttons{Named<QPushButton>("bOk", dialog), Named<QPushButton>("bCancel", dialog),
                           Named<QPushButton>("bHelp", dialog)};
    buttons.Ok->setText(QStringLiteral("Ok"));
    buttons.Ok->setDefault(true);
    buttons.Cancel->setText(QStringLiteral("Cancel"));
    buttons.Help->setText(QStringLiteral("Help"));
    QObject::connect(buttons.Cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    row->addWidget(buttons.Ok);
    row->addWidget(buttons.Cancel);
    row->addWidget(buttons.Help);
    return buttons;
}
