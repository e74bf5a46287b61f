#include "gui/AboutBox.h"
#include "gui/UrlLabel.h"
#include "support/RecordingDesktop.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString Unnumbered = QStringLiteral("Quarrow 2009\u2122 v");

TEST(AboutBoxTest, ShowsTheVersionStampedIntoTheProgramFile)
{
    TRecordingDesktop desktop;
    EXPECT_EQ(TfAbout(QUARROW_PROGRAM_PATH, desktop).VersionLabel()->text(), Unnumbered + "1.0 beta 2");
    EXPECT_EQ(TfAbout(QUARROW_STAMPED_PROGRAM_PATH, desktop).VersionLabel()->text(), Unnumbered + "2.3 beta 0");

    TTempDir dir;
    const std::string text = dir.Write("quarrow", "#!/bin/sh\nQRWVER1 quarrow_version\n");
    for (const std::string& file : {std::string("/proc/self/exe"), text, dir.File("missing"), dir.Path()})
        EXPECT_EQ(TfAbout(file, desktop).VersionLabel()->text(), Unnumbered) << file;
}

TEST(AboutBoxTest, ClosesOnEscapeAndOnReleaseOverItsStaticPartsButNotOverALink)
{
    TRecordingDesktop desktop;
    TfAbout box(QUARROW_PROGRAM_PATH, desktop);
    box.show();
    QTest::mouseClick(box.SiteLink(), Qt::LeftButton);
    EXPECT_TRUE(box.isVisible());
    ASSERT_EQ(desktop.Opened.size(), 1u);
    EXPECT_EQ(desktop.Opened[0], QUrl("http://www.quarrow.example"));
    QTest::mouseClick(box.MailLink(), Qt::LeftButton);
    ASSERT_EQ(desktop.Opened.size(), 2u);
    EXPECT_EQ(desktop.Opened[1], QUrl("mailto:support@quarrow.example"));

    QTest::mouseClick(box.findChild<QLabel*>("Image1"), Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    box.show();
    QTest::mouseClick(&box, Qt::RightButton, {}, QPoint(495, 330)); // the background, near the frame
    EXPECT_FALSE(box.isVisible());
    box.show();
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_FALSE(box.isVisible());
}

TEST(AboutBoxTest, EnterAndSpaceCloseTheBoxAndTheLinksOpenOnTheirOwnShortcutsOnly)
{
    TRecordingDesktop desktop;
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        TfAbout box(QUARROW_PROGRAM_PATH, desktop);
        box.show();
        box.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
        // Tab goes round the box without stopping at a link.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), box.OkButton());
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_FALSE(box.isVisible()) << key;
        EXPECT_EQ(box.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(desktop.Opened.empty());

    TfAbout box(QUARROW_PROGRAM_PATH, desktop);
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    QTest::keyClick(&box, Qt::Key_W, Qt::AltModifier);
    QTest::keyClick(&box, Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(desktop.Opened,
              (std::vector<QUrl>{QUrl("http://www.quarrow.example"), QUrl("mailto:support@quarrow.example")}));
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(box.SiteLink()->focusPolicy(), Qt::NoFocus);
}

TEST(UrlLabelTest, ColoursAndUnderlineFollowTheMouse)
{
    TRecordingDesktop desktop;
    QWidget window;
    TUrlLabel label(desktop, &window);
    label.setText("www.quarrow.example");
    label.setGeometry(10, 10, 150, 20);
    window.resize(200, 100);
    window.show();
    const QColor blue(0, 0, 255), red(255, 0, 0), fuchsia(255, 0, 255);
    EXPECT_EQ(label.FontColor(), blue);
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(label.font().underline());

    QEnterEvent enter(QPointF(5, 5), QPointF(15, 15), QPointF(15, 15));
    QCoreApplication::sendEvent(&label, &enter);
    EXPECT_EQ(label.FontColor(), red);
    EXPECT_TRUE(label.font().underline());
    QTest::mousePress(&label, Qt::LeftButton);
    EXPECT_EQ(label.FontColor(), fuchsia);
    QTest::mouseRelease(&label, Qt::LeftButton);
    EXPECT_EQ(label.FontColor(), red);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&label, &leave);
    EXPECT_EQ(label.FontColor(), blue);
    EXPECT_FALSE(label.font().underline());

    label.SetHotTracking({fuchsia, red, TUnderlineTracking::utEver});
    EXPECT_TRUE(label.font().underline());
    QCoreApplication::sendEvent(&label, &leave);
    EXPECT_TRUE(label.font().underline()); // only utTrack follows the mouse
}

TEST(UrlLabelTest, OpensItsUrlOrElseItsCaptionUnlessTheStateIsNone)
{
    TRecordingDesktop desktop;
    TUrlLabel label(desktop);
    label.setText("www.quarrow.example");
    label.URL = " \t ";
    int clicks = 0;
    QObject::connect(&label, &TUrlLabel::clicked, [&] { ++clicks; });
    label.Click();
    label.URL = "mailto:a@quarrow.example";
    label.Click();
    label.BrowserState = TBrwsState::bsNone;
    label.Click();
    label.BrowserState = TBrwsState::bsMaximized;
    label.URL.clear();
    label.setText(" ");
    label.Click();
    EXPECT_EQ(clicks, 4);
    EXPECT_EQ(desktop.Opened,
              (std::vector<QUrl>{QUrl("http://www.quarrow.example"), QUrl("mailto:a@quarrow.example")}));
}

} // namespace
