#include "gui/QuarrowApplication.h"

#include <gtest/gtest.h>

#include <cstdlib>

// Window tests run on Qt's offscreen platform with the program's own application object (its
// handler of unexpected errors included) and the real event loop.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LC_ALL", "C", 1);
    ::testing::InitGoogleTest(&argc, argv);
    TQuarrowApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
