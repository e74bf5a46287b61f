#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// The window's tests run on Qt's offscreen platform, in a fixed regional setting: the table's
// dates, times and collation follow the user's locale, which the tests must not inherit.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LC_ALL", "en_US.UTF-8", 1);
    setenv("LANG", "en_US.UTF-8", 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
