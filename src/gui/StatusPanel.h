#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStatusBar>
#include <QWidget>

// Keeps a widget (the main window's progress bar) fitted in one panel of a status bar.
//
// Panels are the widgets made by AddPanel, numbered from 0 in the order they were added. The
// hosted widget becomes a child of the status bar laid over its panel and follows the panel's
// geometry whenever the panel is laid out; the size grip is outside every panel, so the widget
// never covers it or another panel's text. A widget sits in at most one panel: giving it to
// another status panel of the same owner takes it from this one. Letting a widget go gives back
// its parent, bounds and visibility; a destroyed widget is simply forgotten.
class TzqStatusPanel : public QObject
{
    Q_OBJECT

public:
    explicit TzqStatusPanel(QObject* owner = nullptr);
    ~TzqStatusPanel() override;

    // Adds a panel of `width` pixels, wider when its text needs it (0: it takes the rest of the
    // width), to the bar's right end.
    static QWidget* AddPanel(QStatusBar* bar, int width);
    static int PanelCount(const QStatusBar* bar);
    static QWidget* Panel(const QStatusBar* bar, int index);

    QStatusBar* StatusBar() const { return Bar; }
    QWidget* Control() const { return Hosted; }
    int PanelIndex() const { return Index; }

    void SetStatusBar(QStatusBar* bar);
    // A window or a status bar cannot be hosted: the component is then left without a control.
    void SetControl(QWidget* control);
    // A negative index becomes 0.
    void SetPanelIndex(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Place();
    void Release(bool beingDestroyed);
    void Fit();
    void WatchPanel();
    void ControlDestroyed();
    void StatusBarDestroyed();

    QPointer<QStatusBar> Bar;
    QPointer<QWidget> Hosted;
    QPointer<QWidget> WatchedPanel;
    int Index = 0;

    // The hosted widget as it was before it was placed.
    QPointer<QWidget> PreviousParent;
    QRect PreviousBounds;
    bool PreviousVisible = false;
    bool Captured = false;
};
