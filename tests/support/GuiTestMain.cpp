#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// Widget tests run on Qt's offscreen platform, set here so that test discovery (which runs this
// program too) needs no display either.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LC_ALL", "C", 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
