#pragma once

#include "gui/HotTracking.h"

#include <QLabel>
#include <QString>

class TDesktop;

// How the program that opens a link shows its window. Qt hands the address to the desktop, which
// decides; only bsNone (open nothing) changes what happens here.
enum class TBrwsState
{
    bsNone,
    bsNormal,
    bsMaximized,
    bsMinimized
};

// A label that looks and behaves like a hyperlink: blue, hand cursor, its colours following the
// mouse, and a click (or Click() from its owner's shortcut) hands its address to the desktop.
class TUrlLabel : public QLabel
{
    Q_OBJECT

public:
    TUrlLabel(TDesktop& desktop, QWidget* parent = nullptr);

    // The address to open; when blank, the caption is opened instead.
    QString URL;
    TBrwsState BrowserState = TBrwsState::bsNormal;

    const THotTracking& HotTracking() const { return Tracking; }
    void SetHotTracking(const THotTracking& value);
    // Remembers the current font colour as the colour the label returns to.
    void Loaded();
    void Assign(const TUrlLabel& source);

    // What a click opens: URL unless blank, else the caption; empty when both are blank.
    QString Target() const;
    QColor FontColor() const;
    bool MouseInside() const { return Inside; }

    // The ordinary click event, then the address is opened.
    void Click();

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetFontColor(const QColor& color);
    void SetUnderline(bool on);

    TDesktop& Desktop;
    THotTracking Tracking;
    QColor NormalColor{0, 0, 255};
    bool Inside = false;
};
