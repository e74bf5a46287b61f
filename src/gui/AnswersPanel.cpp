#include "gui/AnswersPanel.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

TAnswersPanel::TAnswersPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("AnswersPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    lbWhy = new QLabel(this);
    lbWhy->setObjectName(QStringLiteral("lbWhy"));
    // The line's text is its description: a screen reader names the label, then reads why.
    lbWhy->setAccessibleName(QStringLiteral("Why this verdict"));
    lbWhy->setWordWrap(true);
    // Copied into the server dialog's test area or a bug report, so it can be selected.
    lbWhy->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lbWhy->setTextFormat(Qt::PlainText);
    lbWhy->hide();
    layout->addWidget(lbWhy);

    mAns = new QListWidget(this);
    mAns->setObjectName(QStringLiteral("mAns"));
    mAns->setAccessibleName(QStringLiteral("Answers"));
    mAns->setUniformItemSizes(true);
    layout->addWidget(mAns, 1);
}

void TAnswersPanel::Show(const QString& why, const QString& answers)
{
    mAns->clear();
    if (!answers.isEmpty())
        mAns->addItems(answers.split(QLatin1Char('\n')));
    SetWhy(why);
}

void TAnswersPanel::SetWhy(const QString& why)
{
    lbWhy->setText(why);
    lbWhy->setAccessibleDescription(why);
    // Hidden rather than blank, so that a row without evidence gives the answers the whole panel.
    lbWhy->setVisible(!why.isEmpty());
}

void TAnswersPanel::Clear()
{
    Show({}, {});
}
