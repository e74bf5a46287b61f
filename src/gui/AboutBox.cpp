#include "gui/AboutBox.h"

#include "core/ProgramVersion.h"
#include "gui/UrlLabel.h"
#include "project/HtmlReport.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>
#include <utility>

namespace {

constexpr int BoxWidth = 500;
constexpr int BoxHeight = 336;
const char* const SupportAddress = "support@quarrow.example";

QLabel* StaticLabel(const char* name, const QString& text, QRect bounds, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(bounds);
    return label;
}

} // namespace

TfAbout::TfAbout(const std::string& programFile, TDesktop& desktop, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("fAbout"));
    setWindowTitle(QStringLiteral("Quarrow - About"));
    setFixedSize(BoxWidth, BoxHeight);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    setPalette(white);
    setAutoFillBackground(true);

    auto* image = StaticLabel("Image1", QString(), QRect(1, 33, 241, 284), this);
    image->setPixmap(
        QPixmap(QStringLiteral(":/images/about.svg")).scaled(241, 284, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    image->setAlignment(Qt::AlignCenter);
    image->setAccessibleName(QStringLiteral("Quarrow 2009"));

    lVersion = StaticLabel("lVersion", QString::fromStdString(VersionText(programFile)), QRect(269, 49, 220, 20), this);
    QFont bold = lVersion->font();
    bold.setBold(true);
    lVersion->setFont(bold);
    StaticLabel("Label2", QStringLiteral("Copyright \u00a9 2009 Morvane.\nAll rights reserved."),
                QRect(269, 70, 220, 32), this);
    QLabel* siteCaption = StaticLabel("Label3", QStringLiteral("Web site:"), QRect(269, 106, 48, 16), this);
    QLabel* mailCaption = StaticLabel("Label4", QStringLiteral("E-mail:"), QRect(269, 122, 48, 16), this);
    // The links start where the design puts them, or after their captions when the font is wider.
    siteCaption->resize(siteCaption->sizeHint().width(), 16);
    mailCaption->resize(mailCaption->sizeHint().width(), 16);
    const int linkLeft =
        std::max(317, 269 + std::max(siteCaption->sizeHint().width(), mailCaption->sizeHint().width()) + 4);

    UrlLabel1 = new TUrlLabel(desktop, this);
    UrlLabel1->setObjectName(QStringLiteral("UrlLabel1"));
    UrlLabel1->setText(QLatin1String(ProductWebHost));
    UrlLabel1->setGeometry(linkLeft, 106, BoxWidth - 8 - linkLeft, 16);
    UrlLabel1->setAccessibleName(UrlLabel1->text());
    UrlLabel1->Loaded();
    UrlLabel2 = new TUrlLabel(desktop, this);
    UrlLabel2->setObjectName(QStringLiteral("UrlLabel2"));
    UrlLabel2->setText(QLatin1String(SupportAddress));
    UrlLabel2->URL = QStringLiteral("mailto:") + QLatin1String(SupportAddress);
    UrlLabel2->setGeometry(linkLeft, 122, BoxWidth - 8 - linkLeft, 16);
    UrlLabel2->setAccessibleName(UrlLabel2->text());
    UrlLabel2->Loaded();

    // The links open on a click or on their own shortcut; Enter and Space belong to OK, which
    // closes the box like Escape.
    const std::pair<TUrlLabel*, QKeySequence> shortcuts[] = {{UrlLabel1, QKeySequence(Qt::ALT | Qt::Key_W)},
                                                             {UrlLabel2, QKeySequence(Qt::ALT | Qt::Key_E)}};
    for (const auto& [link, keys] : shortcuts) {
        link->setToolTip(QStringLiteral("Open %1 (%2)").arg(link->text(), keys.toString(QKeySequence::NativeText)));
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, link, &TUrlLabel::Click);
    }
    bOk = new QPushButton(QStringLiteral("OK"), this);
    bOk->setObjectName(QStringLiteral("bOk"));
    bOk->setGeometry(BoxWidth - 8 - 80, BoxHeight - 8 - 26, 80, 26);
    bOk->setDefault(true);
    bOk->setFocus();
    connect(bOk, &QPushButton::clicked, this, &QDialog::accept);

    auto* warning = StaticLabel("lWarning",
                                QStringLiteral("Quarrow 2009 is protected by copyright law. You may use it under the "
                                               "terms of its licence; copying or passing it on, in whole or in part, "
                                               "beyond what the licence allows is not permitted."),
                                QRect(269, 160, 215, 120), this);
    warning->setWordWrap(true);
    warning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont small = warning->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    warning->setFont(small);
}

void TfAbout::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // Shape1: the box's visible frame, since the window has none of its own.
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, width() - 1, height() - 1);
}

void TfAbout::mousePressEvent(QMouseEvent* event)
{
    // Presses on the static labels arrive here as well: they do not take the mouse.
    event->accept();
}

void TfAbout::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    reject();
}
