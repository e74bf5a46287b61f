#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

// quarrow-cli rdap-bootstrap: a downloaded bootstrap file replaces the user's copy only when it is
// one; and names whose top-level domain has no known server are refused by quarrow-cli whois.

namespace {

mode_t PermissionsOf(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

const std::string Downloaded = R"({"version": "1.0", "publication": "2026-12-09T00:00:00Z", "services": [
    [["com", "net"], ["https://rdap.registry.test/v1/"]],
    [["info"], ["http://rdap.info.test/", "https://rdap.info.test/"]]]})";

class RdapBootstrapCommandTest : public ::testing::Test
{
protected:
    TTempDir Home;
    const std::string Copy = Home.File("config/Morvane/Quarrow 2009/rdap-dns.json");

    TProcessResult Run(const std::string& command, const std::vector<std::string>& args)
    {
        std::vector<std::string> argv = {QUARROW_CLI_PATH, command};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv, {{"HOME", Home.Path()}, {"XDG_CONFIG_HOME", Home.File("config")}});
    }
};

TEST_F(RdapBootstrapCommandTest, ABootstrapFileReplacesTheDataFoldersCopy)
{
    const TProcessResult result = Run("rdap-bootstrap", {Home.Write("dns.json", Downloaded)});
    ASSERT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Err, "");
    EXPECT_EQ(result.Out, "RDAP services for 3 top-level domains installed in \"" + Copy + "\".\n");
    EXPECT_EQ(Home.Read("config/Morvane/Quarrow 2009/rdap-dns.json"), Downloaded);

    // With --config, the copy beside that configuration file (the one its checks read).
    std::filesystem::create_directories(Home.File("other"));
    const std::string config = Home.Write("other/mvwhois.ini", "[TLD]\n");
    ASSERT_EQ(Run("rdap-bootstrap", {"--config", config, Home.File("dns.json")}).ExitStatus, 0);
    EXPECT_EQ(Home.Read("other/rdap-dns.json"), Downloaded);
}

TEST_F(RdapBootstrapCommandTest, TheCopyIsTheOwnersOnlyAndALinkToItIsWrittenThrough)
{
    std::filesystem::create_directories(Home.File("config/Morvane/Quarrow 2009"));
    std::filesystem::create_directories(Home.File("dotfiles"));
    std::filesystem::create_symlink("../../../dotfiles/rdap-dns.json", Copy);
    // The command inherits a umask that lets others read what it makes.
    const mode_t oldMask = ::umask(022);
    const int status = Run("rdap-bootstrap", {Home.Write("dns.json", Downloaded)}).ExitStatus;
    ::umask(oldMask);
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(Copy));
    EXPECT_EQ(Home.Read("dotfiles/rdap-dns.json"), Downloaded);
    EXPECT_EQ(PermissionsOf(Home.File("dotfiles/rdap-dns.json")), 0600u);

    // A copy that others could read becomes the owner's only.
    std::filesystem::remove(Copy);
    Home.Write("config/Morvane/Quarrow 2009/rdap-dns.json", "{}");
    ASSERT_EQ(::chmod(Copy.c_str(), 0644), 0);
    ASSERT_EQ(Run("rdap-bootstrap", {Home.File("dns.json")}).ExitStatus, 0);
    EXPECT_EQ(PermissionsOf(Copy), 0600u);
}

TEST_F(RdapBootstrapCommandTest, AnythingElseLeavesTheCopyAsItWasWithAOneLineReason)
{
    // A good copy in place first; no bad file may replace it.
    ASSERT_EQ(Run("rdap-bootstrap", {Home.Write("dns.json", Downloaded)}).ExitStatus, 0);
    const struct
    {
        std::string file;
        const char* why;
    } cases[] = {
        {Home.Write("page.html", "<html><head><title>404 Not Found</title></head></html>"), "not JSON"},
        {Home.Write("cut.json", Downloaded.substr(0, 60)), "not JSON"},
        {Home.Write("deep.json", std::string(100000, '[') + std::string(100000, ']')), "not JSON"},
        {Home.Write("asn.json", R"({"version":"1.0","services":[[["64496-64511"],["http://rdap.asn.test/"]]]})"),
         "no top-level domain with an https address"},
        {Home.Write("object.json", R"({"services": {"com": "https://rdap.test/"}})"), "no \"services\" list"},
        {Home.Write("huge.json", std::string(5 * 1024 * 1024, ' ')), "too large"},
        {Home.File("missing.json"), "cannot read the RDAP bootstrap file"},
        {Home.Path(), "It is a folder."},
    };
    for (const auto& c : cases) {
        const TProcessResult result = Run("rdap-bootstrap", {c.file});
        EXPECT_EQ(result.ExitStatus, 2) << c.file;
        EXPECT_EQ(result.Out, "");
        EXPECT_EQ(result.Err.rfind("quarrow-cli: rdap-bootstrap: ", 0), 0u) << result.Err;
        EXPECT_NE(result.Err.find(c.why), std::string::npos) << result.Err;
        EXPECT_EQ(result.Err.find('\n'), result.Err.size() - 1) << result.Err;
        EXPECT_EQ(Home.Read("config/Morvane/Quarrow 2009/rdap-dns.json"), Downloaded) << c.file;
    }
    EXPECT_EQ(Run("rdap-bootstrap", {}).ExitStatus, 2);
}

TEST_F(RdapBootstrapCommandTest, WhoisRefusesATopLevelDomainWithoutAWhoisHost)
{
    const std::string config = Home.Write("mvwhois.ini", "[TLD]\ninfo=https://rdap.info.test/\n");
    for (const char* name : {"quarry.zz", "quarry.info"}) {
        const TProcessResult result = Run("whois", {"--config", config, "--timeout", "1", name});
        EXPECT_EQ(result.ExitStatus, 2) << name;
        EXPECT_EQ(result.Out, "");
        EXPECT_NE(result.Err.find("No WHOIS server is known for"), std::string::npos) << result.Err;
        EXPECT_NE(result.Err.find("Give one with --host."), std::string::npos) << result.Err;
    }
}

} // namespace
