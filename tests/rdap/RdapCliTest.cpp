#include "support/FakeRdapServer.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const TakenBody = R"({"objectClassName": "domain", "ldhName": "taken.com",
  "entities": [{"roles": ["registrar"], "port43": "whois.registrar.example",
    "vcardArray": ["vcard", [["version", {}, "text", "4.0"], ["fn", {}, "text", "Example Registrar"]]]}],
  "events": [{"eventAction": "expiration", "eventDate": "2027-03-14T00:00:00Z"}]})";

// quarrow-cli check against a loopback RDAP host. Every configuration here comes with its own
// bootstrap file, so that no name can ever be sent to a real registry.
class RdapCliTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { Certificates = std::make_unique<TTestCertificates>(); }
    static void TearDownTestSuite() { Certificates.reset(); }

    void SetUp() override
    {
        // The child inherits these: no real user's folders are read or written.
        setenv("HOME", Dir.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", Dir.File("config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", Dir.Path().c_str(), 1);
        Server = std::make_unique<TFakeRdapServer>(*Certificates);
        Server->SetResponse(TFakeRdapServer::DomainPath("taken.com"), {200, TakenBody, {}, false, 0});
        // com has an RDAP base in the table, org only a WHOIS host (nobody listens there), net
        // only a base in the bootstrap file.
        ConfigPath = Dir.Write("mvwhois.ini", "[TLD]\ncom=" + Server->BaseUrl() + "\norg=127.0.0.9\n");
        Dir.Write("rdap-dns.json", R"({"version": "1.0", "publication": "2026-12-01T00:00:00Z", "services": [
            [["net"], [")" + Server->BaseUrl() +
                                       R"("]]]})");
        CaPath = Dir.Write("ca.pem", Certificates->CaPem());
    }

    TProcessResult Check(std::vector<std::string> args)
    {
        args.insert(args.begin(), {QUARROW_CLI_PATH, "check", "--config", ConfigPath, "--attempts", "1"});
        return RunProcess(args);
    }

    static std::unique_ptr<TTestCertificates> Certificates;
    TTempDir Dir;
    std::unique_ptr<TFakeRdapServer> Server;
    std::string ConfigPath;
    std::string CaPath;
};

std::unique_ptr<TTestCertificates> RdapCliTest::Certificates;

TEST_F(RdapCliTest, RdapRowsComeOutLikeWhoisRowsAndThePreferenceChoosesTheWay)
{
    const TProcessResult any = Check({"--rdap-ca", CaPath, "taken.com", "free.com"});
    EXPECT_EQ(any.ExitStatus, 0) << any.Err;
    EXPECT_EQ(SortedLines(any.Out),
              (std::vector<std::string>{
                  "free.com\tYES\t\t\t\tfree.com\n",
                  "taken.com\tNO\tExample Registrar\twhois.registrar.example\t2027-03-14\ttaken.com\n"}));

    // RDAP only: the bootstrap's base for net; org has no RDAP base at all.
    const TProcessResult rdapOnly = Check({"--rdap-only", "--rdap-ca", CaPath, "new.net", "old.org"});
    EXPECT_EQ(rdapOnly.ExitStatus, 3) << rdapOnly.Err;
    EXPECT_EQ(SortedLines(rdapOnly.Out),
              (std::vector<std::string>{"new.net\tYES\t\t\t\tnew.net\n", "old.org\tRESULT ERROR\t\t\t\told.org\n"}));
    EXPECT_EQ(Server->RequestCount(TFakeRdapServer::DomainPath("new.net")), 1);

    // WHOIS only: com's table entry is an RDAP base, so com has no server to ask.
    const int before = Server->TotalRequests();
    const TProcessResult whoisOnly = Check({"--whois-only", "taken.com"});
    EXPECT_EQ(whoisOnly.ExitStatus, 3) << whoisOnly.Err;
    EXPECT_EQ(whoisOnly.Out, "taken.com\tRESULT ERROR\t\t\t\ttaken.com\n");
    EXPECT_EQ(Server->TotalRequests(), before);
}

TEST_F(RdapCliTest, AnUntrustedCertificateIsAnErrorRowAndBadOptionsAreUsageErrors)
{
    const TProcessResult untrusted = Check({"--answers", "taken.com"});
    EXPECT_EQ(untrusted.ExitStatus, 3) << untrusted.Err;
    EXPECT_EQ(untrusted.Out.rfind("taken.com\tRESULT ERROR\t\t\t\t", 0), 0u) << untrusted.Out;
    EXPECT_EQ(Server->TotalRequests(), 0);

    const TProcessResult both = Check({"--rdap-only", "--whois-only", "taken.com"});
    EXPECT_EQ(both.ExitStatus, 2);
    EXPECT_NE(both.Err.find("not both"), std::string::npos) << both.Err;

    const TProcessResult notPem = Check({"--rdap-ca", ConfigPath, "taken.com"});
    EXPECT_EQ(notPem.ExitStatus, 2);
    EXPECT_NE(notPem.Err.find("no PEM certificate"), std::string::npos) << notPem.Err;
    EXPECT_EQ(Server->TotalRequests(), 0);
}

} // namespace
