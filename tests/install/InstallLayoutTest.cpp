#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

// One `cmake --install` of this build into a scratch root, shared by the tests below: what a
// package or `sudo cmake --install` puts under /usr.
class InstallLayoutTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Root = std::make_unique<TTempDir>();
        const TProcessResult result = RunProcess(
            {QUARROW_CMAKE_COMMAND, "--install", QUARROW_BUILD_DIR, "--prefix", "/usr"}, {{"DESTDIR", Root->Path()}});
        InstallStatus = result.ExitStatus;
        InstallLog = result.Out + result.Err;
    }
    static void TearDownTestSuite() { Root.reset(); }

    void SetUp() override { ASSERT_EQ(InstallStatus, 0) << InstallLog; }

    static std::string Usr(const std::string& path) { return Root->File("usr/" + path); }

    static inline std::unique_ptr<TTempDir> Root;
    static inline int InstallStatus = -1;
    static inline std::string InstallLog;
};

TEST_F(InstallLayoutTest, ProgramsDataHelpAndDesktopFilesGoWhereTheDesktopLooks)
{
    for (const char* program : {"bin/quarrow", "bin/quarrow-cli"}) {
        ASSERT_TRUE(fs::is_regular_file(Usr(program))) << program;
        EXPECT_NE(fs::status(Usr(program)).permissions() & fs::perms::others_exec, fs::perms::none) << program;
    }
    for (const char* file :
         {"share/quarrow/mvwhois.ini", "share/quarrow/datemask.ini", "share/quarrow/rdap-dns.json",
          "share/quarrow/help/index.html", "share/quarrow/help/tour.html", "share/quarrow/help/settings.html",
          "share/quarrow/help/response-strings.html", "share/applications/quarrow.desktop",
          "share/mime/packages/quarrow.xml", "share/icons/hicolor/scalable/apps/quarrow.svg",
          "share/icons/hicolor/16x16/apps/quarrow.png", "share/icons/hicolor/48x48/apps/quarrow.png",
          "share/icons/hicolor/256x256/apps/quarrow.png", "share/man/man1/quarrow.1.gz",
          "share/man/man1/quarrow-cli.1.gz"})
        EXPECT_TRUE(fs::is_regular_file(Usr(file))) << file;

    const TProcessResult validation =
        RunProcess({"/usr/bin/desktop-file-validate", Usr("share/applications/quarrow.desktop")});
    EXPECT_EQ(validation.ExitStatus, 0) << validation.Out << validation.Err;
}

// The installed program has no shipped files beside it: it must find them under share/.
TEST_F(InstallLayoutTest, InstalledProgramStartsANewUserWithTheInstalledServerTable)
{
    const TTempDir home;
    const TProcessResult result = RunProcess({Usr("bin/quarrow-cli"), "generate", "--keyword", "quay", "--tld", "de"},
                                             {{"HOME", home.Path()}, {"XDG_CONFIG_HOME", home.File("config")}});
    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, "quay.de\n");
    const std::string copied = home.Read("config/Morvane/Quarrow 2009/mvwhois.ini");
    EXPECT_FALSE(copied.empty());
    EXPECT_EQ(copied.rfind(Root->Read("usr/share/quarrow/mvwhois.ini"), 0), 0u);
    EXPECT_FALSE(home.Read("config/Morvane/Quarrow 2009/datemask.ini").empty());
    EXPECT_EQ(home.Read("config/Morvane/Quarrow 2009/rdap-dns.json"), Root->Read("usr/share/quarrow/rdap-dns.json"));
}

// Asked from a console without a display: the answer comes before the window system is needed.
TEST_F(InstallLayoutTest, InstalledProgramsAnswerHelpAndVersionWithoutADisplay)
{
    const std::map<std::string, std::string> console = {
        {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};
    const TProcessResult help = RunProcess({Usr("bin/quarrow"), "--help"}, console);
    EXPECT_EQ(help.ExitStatus, 0) << help.Err;
    EXPECT_EQ(help.Out.rfind("usage: quarrow [FILE]\n", 0), 0u) << help.Out;
    const TProcessResult version = RunProcess({Usr("bin/quarrow"), "--version"}, console);
    EXPECT_EQ(version.ExitStatus, 0) << version.Err;
    EXPECT_EQ(version.Out, "quarrow 1.0.2.162\n");
    EXPECT_EQ(RunProcess({Usr("bin/quarrow-cli"), "--version"}, console).Out, "quarrow-cli 1.0.2.162\n");
}

} // namespace
