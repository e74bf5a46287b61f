#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// The engine's tests run the real event loop: the dispatcher's timers and the workers' hand-overs
// need a QCoreApplication on the main thread.
int main(int argc, char** argv)
{
    setenv("LC_ALL", "C", 1);
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
