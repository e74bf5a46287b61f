#include "gui/StatusPanel.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QSizeGrip>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class StatusPanelTest : public ::testing::Test
{
protected:
    QMainWindow Window;
    QStatusBar* Bar = nullptr;
    QWidget* Home = nullptr;
    QProgressBar* Progress = nullptr;
    const QRect HomeBounds{5, 6, 70, 20};

    void SetUp() override
    {
        Home = new QWidget;
        Window.setCentralWidget(Home);
        Bar = Window.statusBar();
        Bar->setSizeGripEnabled(true);
        TzqStatusPanel::AddPanel(Bar, 200);
        TzqStatusPanel::AddPanel(Bar, 200);
        TzqStatusPanel::AddPanel(Bar, 0);
        Progress = new QProgressBar(Home);
        Progress->setGeometry(HomeBounds);
        Progress->hide();
        Window.resize(784, 400);
        Window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window));
    }

    // The panel as the progress bar should cover it, once layouts have settled.
    QRect PanelBounds(int index)
    {
        QApplication::processEvents();
        return TzqStatusPanel::Panel(Bar, index)->geometry();
    }
};

TEST_F(StatusPanelTest, TheControlFollowsItsPanelAndNeverCoversTheGripOrAnotherPanel)
{
    TzqStatusPanel panel(&Window);
    panel.SetPanelIndex(2);
    panel.SetStatusBar(Bar);
    panel.SetControl(Progress);
    EXPECT_EQ(Progress->parentWidget(), Bar);
    EXPECT_TRUE(Progress->isVisible());

    for (int width : {784, 1000, 600}) {
        Window.resize(width, 400);
        const QRect expected = PanelBounds(2);
        EXPECT_EQ(Progress->geometry(), expected) << width;
        EXPECT_GT(Progress->geometry().left(), PanelBounds(1).right());
        const QSizeGrip* grip = Bar->findChild<QSizeGrip*>();
        ASSERT_NE(grip, nullptr);
        EXPECT_LT(Progress->geometry().right(), grip->geometry().left()) << width;
    }

    // A text panel keeps its design width, and grows rather than cutting a long text off.
    auto* text = static_cast<QLabel*>(TzqStatusPanel::Panel(Bar, 1));
    EXPECT_EQ(PanelBounds(1).width(), 200);
    text->setText(QStringLiteral("Current/Servers Total: 1000000/1000000"));
    EXPECT_GE(PanelBounds(1).width(), text->fontMetrics().horizontalAdvance(text->text()));
    EXPECT_EQ(Progress->geometry(), PanelBounds(2));
    EXPECT_GT(Progress->geometry().left(), PanelBounds(1).right());
}

TEST_F(StatusPanelTest, AControlSitsInOnePanelAndGoesBackWhereItCameFromWhenLetGo)
{
    TzqStatusPanel first(&Window);
    first.SetPanelIndex(2);
    first.SetStatusBar(Bar);
    first.SetControl(Progress);

    TzqStatusPanel second(&Window);
    second.SetPanelIndex(1);
    second.SetControl(Progress);
    EXPECT_EQ(first.Control(), nullptr);
    EXPECT_EQ(second.Control(), Progress);
    // The first one gave it back before the second took it.
    EXPECT_EQ(Progress->parentWidget(), Home);
    EXPECT_EQ(Progress->geometry(), HomeBounds);

    second.SetStatusBar(Bar);
    EXPECT_EQ(Progress->geometry(), PanelBounds(1));
    second.SetStatusBar(nullptr);
    EXPECT_EQ(Progress->parentWidget(), Home);
    EXPECT_EQ(Progress->geometry(), HomeBounds);
    EXPECT_FALSE(Progress->isVisibleTo(Home));
}

TEST_F(StatusPanelTest, RefusedControlsNegativeIndicesAndDestroyedControls)
{
    TzqStatusPanel panel(&Window);
    panel.SetPanelIndex(2);
    panel.SetPanelIndex(-5); // raised to the first panel, not ignored
    EXPECT_EQ(panel.PanelIndex(), 0);

    panel.SetPanelIndex(1);
    panel.SetStatusBar(Bar);
    panel.SetControl(Progress);
    ASSERT_EQ(Progress->geometry(), PanelBounds(1));
    // A window or a status bar is refused; the control placed earlier stays where it is.
    panel.SetControl(&Window);
    EXPECT_EQ(panel.Control(), nullptr);
    EXPECT_TRUE(Window.isWindow());
    EXPECT_EQ(Progress->parentWidget(), Bar);
    EXPECT_EQ(Progress->geometry(), PanelBounds(1));
    panel.SetControl(Bar);
    EXPECT_EQ(panel.Control(), nullptr);
    EXPECT_EQ(Bar->parentWidget(), &Window);

    panel.SetControl(Progress);
    panel.SetPanelIndex(7); // beyond the panels: the control stays where it was placed
    EXPECT_EQ(panel.Control(), Progress);
    EXPECT_EQ(Progress->geometry(), PanelBounds(1));

    delete Progress;
    Progress = nullptr;
    EXPECT_EQ(panel.Control(), nullptr);
    panel.SetPanelIndex(2);
    panel.SetStatusBar(nullptr);
    EXPECT_EQ(panel.StatusBar(), nullptr);
}

} // namespace
