#include "gui/UrlLabel.h"

#include "gui/Desktop.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QUrl>

namespace {

// Blank: nothing left once blanks and control characters are taken from both ends.
bool IsBlank(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > ' ')
            return false;
    return true;
}

} // namespace

TUrlLabel::TUrlLabel(TDesktop& desktop, QWidget* parent) : QLabel(parent), Desktop(desktop)
{
    setCursor(Qt::PointingHandCursor);
    // No keyboard focus: in a dialog, Enter and Space belong to its default button, and a link
    // that took them would open a browser instead. Its owner gives it a shortcut of its own.
    setFocusPolicy(Qt::NoFocus);
    SetFontColor(NormalColor);
    SetHotTracking(Tracking);
}

void TUrlLabel::SetHotTracking(const THotTracking& value)
{
    Tracking = value;
    SetUnderline(Tracking.Underline == TUnderlineTracking::utEver);
}

void TUrlLabel::Loaded()
{
    NormalColor = FontColor();
}

void TUrlLabel::Assign(const TUrlLabel& source)
{
    setText(source.text());
    setFont(source.font());
    setPalette(source.palette());
    BrowserState = source.BrowserState;
    URL = source.URL;
    SetHotTracking(source.Tracking);
}

QString TUrlLabel::Target() const
{
    if (!IsBlank(URL))
        return URL;
    return IsBlank(text()) ? QString() : text();
}

QColor TUrlLabel::FontColor() const
{
    return palette().color(QPalette::WindowText);
}

void TUrlLabel::SetFontColor(const QColor& color)
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, color);
    setPalette(colours);
}

void TUrlLabel::SetUnderline(bool on)
{
    QFont shown = font();
    shown.setUnderline(on);
    setFont(shown);
}

void TUrlLabel::Click()
{
    emit clicked();
    const QString target = Target();
    if (target.isEmpty() || BrowserState == TBrwsState::bsNone)
        return;
    Desktop.Open(QUrl::fromUserInput(target));
}

void TUrlLabel::enterEvent(QEnterEvent* event)
{
    Inside = true;
    if (Tracking.Underline == TUnderlineTracking::utTrack)
        SetUnderline(true);
    SetFontColor(Tracking.TrackColor);
    QLabel::enterEvent(event);
}

void TUrlLabel::leaveEvent(QEvent* event)
{
    Inside = false;
    if (Tracking.Underline == TUnderlineTracking::utTrack)
        SetUnderline(false);
    SetFontColor(NormalColor);
    QLabel::leaveEvent(event);
}

void TUrlLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        SetFontColor(Tracking.ClickColor);
    event->accept(); // a press on a link must not reach the About box, which closes on a release
}

void TUrlLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    SetFontColor(Inside ? Tracking.TrackColor : NormalColor);
    if (rect().contains(event->position().toPoint()))
        Click();
}
