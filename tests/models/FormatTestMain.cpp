#include <gtest/gtest.h>

#include <cstdlib>

// QLocale::system() reads the locale from the environment once, so it is fixed before any test.
int main(int argc, char** argv)
{
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    setenv("LANG", "de_DE.UTF-8", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
