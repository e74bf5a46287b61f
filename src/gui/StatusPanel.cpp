#include "gui/StatusPanel.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QStatusBar>
#include <QWidget>

#include <algorithm>

namespace {

const char* const PanelIndexProperty = "zqStatusPanelIndex";

} // namespace

TzqStatusPanel::TzqStatusPanel(QObject* owner) : QObject(owner) {}

TzqStatusPanel::~TzqStatusPanel()
{
    // The control goes back where it came from; its visibility is left as it is.
    if (Hosted) {
        Hosted->setParent(PreviousParent);
        Hosted->setGeometry(PreviousBounds);
    }
    if (WatchedPanel)
        WatchedPanel->removeEventFilter(this);
}

QWidget* TzqStatusPanel::AddPanel(QStatusBar* bar, int width)
{
    auto* panel = new QLabel(bar);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setProperty(PanelIndexProperty, PanelCount(bar));
    if (width > 0) {
        // At least its design width, wider when its text needs it ("Current/Servers Total: " with
        // a million rows): a status text is never cut off.
        panel->setMinimumWidth(width);
        bar->addWidget(panel);
    } else {
        panel->setMinimumWidth(1);
        bar->addWidget(panel, 1);
    }
    return panel;
}

int TzqStatusPanel::PanelCount(const QStatusBar* bar)
{
    int count = 0;
    if (bar)
        for (const QObject* child : bar->children())
            if (child->property(PanelIndexProperty).isValid())
                ++count;
    return count;
}

QWidget* TzqStatusPanel::Panel(const QStatusBar* bar, int index)
{
    if (!bar)
        return nullptr;
    for (QObject* child : bar->children()) {
        const QVariant panelIndex = child->property(PanelIndexProperty);
        if (panelIndex.isValid() && panelIndex.toInt() == index && child->isWidgetType())
            return static_cast<QWidget*>(child);
    }
    return nullptr;
}

void TzqStatusPanel::SetStatusBar(QStatusBar* bar)
{
    if (bar == Bar)
        return;
    if (Bar) {
        disconnect(Bar, &QObject::destroyed, this, nullptr);
        Release(false);
    }
    Bar = bar;
    if (!Bar) {
        WatchPanel();
        return;
    }
    connect(Bar, &QObject::destroyed, this, &TzqStatusPanel::StatusBarDestroyed);
    Place();
    WatchPanel();
    Fit();
}

void TzqStatusPanel::SetControl(QWidget* control)
{
    if (control == Hosted)
        return;
    if (control && (control->isWindow() || qobject_cast<QStatusBar*>(control))) {
        // Refused; a control placed earlier stays where it is.
        if (Hosted)
            disconnect(Hosted, &QObject::destroyed, this, nullptr);
        Hosted = nullptr;
        Captured = false;
        return;
    }
    Release(false);
    if (Hosted)
        disconnect(Hosted, &QObject::destroyed, this, nullptr);
    if (control && parent())
        for (TzqStatusPanel* other : parent()->findChildren<TzqStatusPanel*>())
            if (other != this && other->Control() == control)
                other->SetControl(nullptr);
    Hosted = control;
    Place();
    Fit();
}

void TzqStatusPanel::SetPanelIndex(int index)
{
    index = std::max(index, 0);
    if (index == Index)
        return;
    Index = index;
    WatchPanel();
    Fit();
}

void TzqStatusPanel::Place()
{
    if (!Hosted)
        return;
    // Placed again (a status bar attached later): what it had before the first placing still holds.
    if (!Captured) {
        PreviousVisible = !Hosted->isHidden();
        PreviousParent = Hosted->parentWidget();
        PreviousBounds = Hosted->geometry();
        Captured = true;
    }
    connect(Hosted, &QObject::destroyed, this, &TzqStatusPanel::ControlDestroyed, Qt::UniqueConnection);
    if (Bar && Hosted->parentWidget() != Bar)
        Hosted->setParent(Bar);
    Hosted->show();
    Hosted->raise();
}

void TzqStatusPanel::Release(bool beingDestroyed)
{
    Captured = false;
    if (!Hosted)
        return;
    if (!beingDestroyed) {
        if (Hosted->parentWidget() != PreviousParent)
            Hosted->setParent(PreviousParent);
        Hosted->setGeometry(PreviousBounds);
    }
    Hosted->setVisible(PreviousVisible);
}

void TzqStatusPanel::Fit()
{
    if (!Bar || !Hosted || Hosted->parentWidget() != Bar)
        return;
    QWidget* panel = Panel(Bar, Index);
    if (!panel)
        return; // no such panel: the control stays where it was placed
    Hosted->setGeometry(panel->geometry());
    Hosted->raise();
}

void TzqStatusPanel::WatchPanel()
{
    QWidget* panel = Panel(Bar, Index);
    if (panel == WatchedPanel)
        return;
    if (WatchedPanel)
        WatchedPanel->removeEventFilter(this);
    WatchedPanel = panel;
    if (WatchedPanel)
        WatchedPanel->installEventFilter(this);
}

bool TzqStatusPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == WatchedPanel &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move || event->type() == QEvent::Show))
        Fit();
    return QObject::eventFilter(watched, event);
}

void TzqStatusPanel::ControlDestroyed()
{
    // Hosted is already null (QPointer); nothing may touch the dying widget.
    Hosted = nullptr;
    Captured = false;
}

void TzqStatusPanel::StatusBarDestroyed()
{
    Bar = nullptr;
    WatchedPanel = nullptr;
}
