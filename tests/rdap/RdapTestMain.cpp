#include "support/TsanQtOptions.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// The RDAP client runs QtNetwork on a thread of its own; it needs the application object, and the
// dispatcher its timers and hand-overs.
int main(int argc, char** argv)
{
    setenv("LC_ALL", "C", 1);
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
