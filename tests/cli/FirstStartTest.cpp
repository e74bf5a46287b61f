#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>

namespace {

TEST(CliFirstStart, CopiesTheShippedServerTableIntoANewDataFolder)
{
    const TTempDir home;
    const TProcessResult result = RunProcess({QUARROW_CLI_PATH, "generate", "--keyword", "quay", "--tld", "com"},
                                             {{"HOME", home.Path()}, {"XDG_CONFIG_HOME", home.File("config")}});
    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Err, "");
    std::ifstream in(QUARROW_SOURCE_DATA_DIR "/mvwhois.ini", std::ios::binary);
    const std::string shipped{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(shipped.empty());
    EXPECT_EQ(home.Read("config/Morvane/Quarrow 2009/mvwhois.ini"), shipped);
    struct stat info;
    ASSERT_EQ(::stat(home.File("config/Morvane/Quarrow 2009/mvwhois.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(CliFirstStart, SaysOnceThatSettingsCannotBeSavedAndStillWorks)
{
    const TTempDir home;
    const std::string blocker = home.Write("config", "not a folder");
    const TProcessResult result = RunProcess({QUARROW_CLI_PATH, "generate", "--keyword", "quay", "--tld", "com"},
                                             {{"HOME", home.Path()}, {"XDG_CONFIG_HOME", blocker}});
    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, "quay.com\n");
    EXPECT_EQ(result.Err.rfind("quarrow-cli: Settings cannot be saved.", 0), 0u) << result.Err;
    EXPECT_EQ(result.Err.find('\n'), result.Err.size() - 1) << result.Err;
}

} // namespace
