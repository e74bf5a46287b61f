#include "support/FakeWhoisServer.h"
#include "support/LoopbackSockets.h"
#include "support/ProcessRunner.h"
#include "support/SocksDaemons.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

// quarrow-cli whois against fake WHOIS hosts on port 43 of loopback addresses of their own,
// directly and through real SOCKS servers configured in the Proxy section. How each kind of proxy
// is spoken to is the SOCKS daemon tests' matter; here only what the command adds to it.

namespace {

std::string BinaryAnswer()
{
    std::string text = "Domain Name: EXAMPLE.COM\r\nRegistrar: R\xE9gistre \"Test\"\n\r\n";
    for (int b = 0; b < 256; ++b)
        text += static_cast<char>(b);
    return text + "\r\nend of answer, no final line break";
}

class WhoisCommandTest : public ::testing::Test
{
protected:
    TTempDir Home;
    TFakeWhoisServer Whois{"", WhoisPortIfAllowed()};
    std::string Answer = BinaryAnswer();

    void SetUp() override
    {
        QUARROW_SKIP_WITHOUT_WHOIS_PORT();
        Whois.SetAnswer("example.com", Answer);
    }

    std::string Config(const std::string& text) { return Home.Write("mvwhois.ini", text); }

    static std::string ProxySection(int socks, int port, const std::string& user = "", const std::string& password = "")
    {
        return "[Proxy]\nUseProxy=1\nSOCKS=" + std::to_string(socks) +
               "\nServer=127.0.0.1\nPort=" + std::to_string(port) + "\nUser=" + user + "\nPassword=" + password + "\n";
    }

    TProcessResult Run(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv = {QUARROW_CLI_PATH, "whois"};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv, {{"HOME", Home.Path()}, {"XDG_CONFIG_HOME", Home.Path() + "/config"}});
    }

    // One-line message on standard error, nothing on standard output, exit status 2.
    static void ExpectFailure(const TProcessResult& result, const std::string& part)
    {
        EXPECT_EQ(result.ExitStatus, 2);
        EXPECT_EQ(result.Out, "");
        ASSERT_FALSE(result.Err.empty());
        EXPECT_EQ(result.Err.find('\n'), result.Err.size() - 1) << result.Err;
        EXPECT_NE(result.Err.find(part), std::string::npos) << result.Err;
    }
};

TEST_F(WhoisCommandTest, DirectQueryPrintsTheAnswerByteForByte)
{
    const auto result = Run({"--config", Config("[Pref]\nAttempts=1\n"), "--host", Whois.Address(), "example.com"});
    ASSERT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, Answer);
    EXPECT_EQ(result.Err, "");
    ASSERT_EQ(Whois.Requests().size(), 1u);
    EXPECT_EQ(Whois.Requests()[0], "example.com\r\n");
}

TEST_F(WhoisCommandTest, HostComesFromTheTldSectionOfTheDataFoldersFile)
{
    // No --config: the data folder's mvwhois.ini under the configuration home.
    std::filesystem::create_directories(Home.Path() + "/config/Morvane/Quarrow 2009");
    Home.Write("config/Morvane/Quarrow 2009/mvwhois.ini", "[TLD]\ncom=" + Whois.Address() + "\n");
    auto result = Run({"example.com"});
    ASSERT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, Answer);

    // A name without a dot is its own key.
    Whois.SetAnswer("localdomain", "bare name");
    Home.Write("config/Morvane/Quarrow 2009/mvwhois.ini", "[TLD]\nlocaldomain=" + Whois.Address() + "\n");
    result = Run({"localdomain"});
    ASSERT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, "bare name");
}

TEST_F(WhoisCommandTest, AnInternationalNameIsAskedInALabelsUnderItsALabelTld)
{
    Whois.SetAnswer("xn--80akn5b.xn--p1ai", "found");
    const std::string config = Config("[TLD]\nxn--p1ai=" + Whois.Address() + "\n");
    const auto result = Run({"--config", config, "КАФЕ.рф"});
    ASSERT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, "found");
    ExpectFailure(Run({"--config", config, "xn--zz--.xn--p1ai"}), "\"xn--zz--.xn--p1ai\" cannot be asked: A label");
    ASSERT_EQ(Whois.Requests().size(), 1u);
    EXPECT_EQ(Whois.Requests()[0], "xn--80akn5b.xn--p1ai\r\n");
}

TEST_F(WhoisCommandTest, ProxyProtocolOutsideTheTableMeansDirect)
{
    TReservedPort deadProxy;
    const auto result =
        Run({"--config", Config(ProxySection(7, deadProxy.Port())), "--host", Whois.Address(), "example.com"});
    ASSERT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, Answer);
}

TEST_F(WhoisCommandTest, ThroughMicrosocksSocks5WithUserNameAndPassword)
{
    TMicrosocksServer proxy("quarrow", "s3cret");
    ASSERT_TRUE(proxy.Started()) << proxy.Failure();
    auto result = Run({"--config", Config(ProxySection(0, proxy.Port(), "quarrow", "s3cret")), "--host",
                       Whois.Address(), "example.com"});
    ASSERT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, Answer);

    // Wrong credentials: the proxy's refusal, on one line, and no traffic reaches the host.
    const int before = Whois.ConnectionCount();
    result = Run({"--config", Config(ProxySection(0, proxy.Port(), "quarrow", "wrong")), "--host", Whois.Address(),
                  "example.com"});
    ExpectFailure(result, "refused the user name and password");
    EXPECT_EQ(Whois.ConnectionCount(), before);

    // No credentials configured: only "no authentication" is offered, which this proxy refuses.
    result = Run({"--config", Config(ProxySection(0, proxy.Port())), "--host", Whois.Address(), "example.com"});
    ExpectFailure(result, "accepts none of the offered authentication methods");
}

TEST_F(WhoisCommandTest, DeadProxyOrHostIsAOneLineMessageAndStatus2)
{
    TReservedPort dead;
    auto result = Run({"--config", Config(ProxySection(0, dead.Port())), "--host", Whois.Address(), "example.com"});
    ExpectFailure(result, "Connection refused");
    EXPECT_NE(result.Err.find("The proxy socks5://127.0.0.1:" + std::to_string(dead.Port())), std::string::npos)
        << result.Err;

    TFakeWhoisServer nothingOn43("", 0); // its address has nothing on port 43
    result = Run({"--config", Config(""), "--host", nothingOn43.Address(), "example.com"});
    ExpectFailure(result, "Connection refused");

    TDanteServer dante;
    ASSERT_TRUE(dante.Started()) << dante.Failure();
    result = Run({"--config", Config(ProxySection(1, dante.Port())), "--host", "localhost", "example.com"});
    ExpectFailure(result, "refused to connect to localhost port 43");
}

TEST_F(WhoisCommandTest, HostThatNeverFinishesIsGivenUpAfterTheTimeout)
{
    // The host never ends its answer, so only the command's own deadline can end the query: the
    // message says it did. How long that took is the machine's business, not the test's; `timeout`
    // only turns a hang into a failure instead of a stuck test, far beyond any loaded machine.
    Whois.SetReply("hang.com", {TFakeWhoisServer::TBehaviour::NeverClose, "Domain Name: HANG.COM\r\n", 0});
    const TProcessResult result = RunProcess({"/usr/bin/timeout", "90", QUARROW_CLI_PATH, "whois", "--config",
                                              Config(""), "--host", Whois.Address(), "--timeout", "0.5", "hang.com"});
    ExpectFailure(result, "No complete answer within 0.5 seconds");
}

TEST_F(WhoisCommandTest, BadUsage)
{
    ExpectFailure(Run({}), "NAME");
    ExpectFailure(Run({"a.com", "b.com"}), "NAME");
    ExpectFailure(Run({"--verbose", "a.com"}), "--verbose");
    ExpectFailure(Run({"a.com", "--host"}), "--host");
    ExpectFailure(Run({"--config", Home.File("missing.ini"), "a.com"}), "missing.ini");
    ExpectFailure(Run({"--timeout", "0", "a.com"}), "--timeout");
    ExpectFailure(Run({"--timeout", "soon", "a.com"}), "--timeout");
    EXPECT_EQ(Whois.ConnectionCount(), 0);
}

} // namespace
