#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <sys/stat.h>
#include <vector>

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
    EXPECT_EQ(home.Read("config/Morvane/Quarrow 2009/mvwhois.ini").rfind(shipped, 0), 0u);
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

TEST(CliMain, VersionAndHelpAnswerWithoutTouchingTheDataFolder)
{
    const TTempDir home;
    const std::map<std::string, std::string> env = {{"HOME", home.Path()}, {"XDG_CONFIG_HOME", home.File("config")}};
    const TProcessResult version = RunProcess({QUARROW_CLI_PATH, "--version"}, env);
    EXPECT_EQ(version.ExitStatus, 0);
    EXPECT_EQ(version.Out, "quarrow-cli 1.0.2.162\n");

    const TProcessResult help = RunProcess({QUARROW_CLI_PATH, "--help"}, env);
    EXPECT_EQ(help.ExitStatus, 0);
    EXPECT_EQ(help.Err, "");
    for (const char* command : {"generate", "check", "whois", "export"})
        EXPECT_NE(help.Out.find(std::string("  ") + command + " "), std::string::npos) << command;
    EXPECT_FALSE(std::filesystem::exists(home.File("config")));
}

// A command's help comes from the options it reads, wherever --help stands among them; the
// command itself does not run (no query is sent, no file is written).
TEST(CliMain, EachCommandPrintsItsOwnHelp)
{
    const std::vector<std::vector<std::string>> asks = {
        {"generate", "--keyword", "quay", "-h"},
        {"check", "lanternmoss.com", "--help"},
        {"help", "whois"},
        {"export", "--help", "missing.prj.xml"},
    };
    const std::vector<std::string> options = {"--tld T|@GROUP,...", "--threads N", "--host HOST", "--html OUT"};
    for (std::size_t i = 0; i < asks.size(); ++i) {
        std::vector<std::string> argv = {QUARROW_CLI_PATH};
        argv.insert(argv.end(), asks[i].begin(), asks[i].end());
        const TProcessResult result = RunProcess(argv);
        const std::string command = asks[i][0] == "help" ? asks[i][1] : asks[i][0];
        EXPECT_EQ(result.ExitStatus, 0) << command << ": " << result.Err;
        EXPECT_EQ(result.Out.rfind("usage: quarrow-cli " + command + " ", 0), 0u) << result.Out;
        EXPECT_NE(result.Out.find(options[i]), std::string::npos) << result.Out;
        EXPECT_EQ(result.Err, "");
    }
}

} // namespace
