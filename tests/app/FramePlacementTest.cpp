#include "app/FramePlacement.h"

#include <QMoveEvent>
#include <QResizeEvent>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

TEST(FramePlacement, FitIntoShrinksWhatIsTooLargeAndMovesInWhatLiesOutside)
{
    const QRect screen(0, 0, 640, 480);
    EXPECT_EQ(TFramePlacement::FitInto(QRect(100, 100, 300, 200), screen), QRect(100, 100, 300, 200));
    EXPECT_EQ(TFramePlacement::FitInto(QRect(100, 100, 786, 610), screen), QRect(0, 0, 640, 480));
    EXPECT_EQ(TFramePlacement::FitInto(QRect(-40, -20, 300, 200), screen), QRect(0, 0, 300, 200));
    EXPECT_EQ(TFramePlacement::FitInto(QRect(500, 400, 300, 200), screen), QRect(340, 280, 300, 200));
    // A second screen to the right: its own coordinates.
    EXPECT_EQ(TFramePlacement::FitInto(QRect(1500, 30, 786, 610), QRect(1024, 0, 800, 600)), QRect(1038, 0, 786, 600));
    EXPECT_EQ(TFramePlacement::ClientBounds(QRect(100, 100, 786, 610), QMargins(1, 20, 1, 5)),
              QRect(101, 120, 784, 585));
}

// A window manager that frames the window only after it is shown, as X11 ones do.
class LateFrame : public ::testing::Test
{
protected:
    QWidget Window;
    QMargins Frame;
    const QRect Outer{100, 100, 786, 610};

    void Report(QEvent::Type type)
    {
        if (type == QEvent::Move) {
            QMoveEvent move(Window.pos(), Window.pos());
            QCoreApplication::sendEvent(&Window, &move);
        } else {
            QResizeEvent resize(Window.size(), Window.size());
            QCoreApplication::sendEvent(&Window, &resize);
        }
    }
};

TEST_F(LateFrame, TheBoundsAreAppliedAgainWhenTheFrameArrivesAndOnlyUntilThePersonMovesTheWindow)
{
    auto* placement = new TFramePlacement(Window, Outer, [this] { return Frame; });
    EXPECT_EQ(Window.geometry(), Outer); // no frame known yet: the client takes the outer bounds
    EXPECT_TRUE(placement->Waiting());

    // A partial report first, then the whole frame: each places the window again.
    Frame = QMargins(0, 0, 2, 25);
    Report(QEvent::Resize);
    EXPECT_EQ(Window.geometry(), QRect(100, 100, 784, 585));
    Frame = QMargins(1, 20, 1, 5);
    Report(QEvent::Move);
    EXPECT_EQ(Window.geometry(), QRect(101, 120, 784, 585));

    // The person drags the window: it stays where they put it, whatever the frame does next.
    Window.move(300, 200);
    Report(QEvent::Move);
    EXPECT_FALSE(placement->Waiting());
    Frame = QMargins(4, 30, 4, 4);
    Report(QEvent::Move);
    EXPECT_EQ(Window.pos(), QPoint(300, 200));
}

TEST_F(LateFrame, AFrameKnownAtOnceOrAMaximisedWindowEndsTheWatch)
{
    Frame = QMargins(2, 2, 2, 2);
    auto* known = new TFramePlacement(Window, Outer, [this] { return Frame; });
    EXPECT_EQ(Window.geometry(), QRect(102, 102, 782, 606));
    EXPECT_TRUE(known->Waiting()); // only a move of the person's own ends it
    delete known;

    Frame = QMargins();
    auto* maximised = new TFramePlacement(Window, Outer, [this] { return Frame; });
    Window.setWindowState(Qt::WindowMaximized);
    Frame = QMargins(1, 20, 1, 5);
    Report(QEvent::Resize);
    EXPECT_FALSE(maximised->Waiting());
}

TEST_F(LateFrame, OnTheOffscreenPlatformARestoreGivesBackTheSavedBounds)
{
    Window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window));
    new TFramePlacement(Window, QRect(60, 70, 500, 400));
    EXPECT_EQ(Window.frameGeometry(), QRect(60, 70, 500, 400));
}

} // namespace
