#include "engine/ServerResolver.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using TKind = TQueryTarget::TKind;

const std::string Bootstrap = R"({"version": "1.0", "services": [
    [["com", "info", "rd", "wh", "ns"], ["https://rdap.boot.test/v1/"]]]})";

class ServerResolverTest : public ::testing::Test
{
protected:
    TTempDir Dir;
    std::string Config = Dir.Write("mvwhois.ini", "[TLD]\n"
                                                  "wh=whois.wh.test\n"
                                                  "rd=https://rdap.table.test/rd\n"
                                                  "both=HTTPS://rdap.both.test/\n"
                                                  "emp=\n"
                                                  "plain=http://rdap.plain.test/\n"
                                                  "ns=whois.ns.test\n"
                                                  "nsnet=whois.ns.test\n"
                                                  // The hosts with sections of their own.
                                                  "[WHOIS.wh.test]\n"
                                                  "[whois.verisign-grs.com]\nnot_found_strings=No match for\n");
    std::string BootstrapPath = Dir.Write("rdap-dns.json", Bootstrap);

    TQueryTarget Target(TServerPreference preference, const std::string& name) const
    {
        return TServerResolver(Config, BootstrapPath, preference).TargetFor(name);
    }
};

TEST_F(ServerResolverTest, EachPreferenceChoosesBetweenTableFallbackAndBootstrap)
{
    const auto any = TServerPreference::Any;
    const auto rdap = TServerPreference::RdapOnly;
    const auto whois = TServerPreference::WhoisOnly;
    const struct
    {
        TServerPreference preference;
        const char* name;
        TKind kind;
        const char* server;
    } cases[] = {
        // The table's value wins, an https value being an RDAP base (with its final '/').
        {any, "a.wh", TKind::Whois, "whois.wh.test"},
        {any, "a.rd", TKind::Rdap, "https://rdap.table.test/rd/"},
        {any, "a.both", TKind::Rdap, "HTTPS://rdap.both.test/"},
        // Unlisted: com keeps its registry's WHOIS host; others go to the bootstrap or nowhere.
        {any, "a.com", TKind::Whois, "whois.verisign-grs.com"},
        {any, "a.NET", TKind::Whois, "whois.verisign-grs.com"},
        {any, "a.info", TKind::Rdap, "https://rdap.boot.test/v1/"},
        {any, "a.zz", TKind::None, ""},
        // Listed without a value: no port-43 host, so the bootstrap or nothing.
        {any, "a.emp", TKind::None, ""},
        // RDAP over plain http is never asked, nor is its address taken for a WHOIS host.
        {any, "a.plain", TKind::None, ""},
        {whois, "a.plain", TKind::None, ""},
        {rdap, "a.wh", TKind::Rdap, "https://rdap.boot.test/v1/"},
        {rdap, "a.rd", TKind::Rdap, "https://rdap.table.test/rd/"},
        {rdap, "a.com", TKind::Rdap, "https://rdap.boot.test/v1/"},
        {rdap, "a.both", TKind::Rdap, "HTTPS://rdap.both.test/"},
        {rdap, "a.zz", TKind::None, ""},
        {whois, "a.wh", TKind::Whois, "whois.wh.test"},
        {whois, "a.rd", TKind::None, ""},
        {whois, "a.info", TKind::None, ""},
        {whois, "a.com", TKind::Whois, "whois.verisign-grs.com"},
        {whois, "a.zz", TKind::None, ""},
    };
    for (const auto& c : cases) {
        const TQueryTarget target = Target(c.preference, c.name);
        EXPECT_EQ(target.Kind, c.kind) << c.name << " preference " << static_cast<int>(c.preference);
        EXPECT_EQ(target.Server, c.server) << c.name << " preference " << static_cast<int>(c.preference);
        EXPECT_EQ(target.Problem.empty(), c.kind != TKind::None) << target.Problem;
    }
}

TEST_F(ServerResolverTest, AWhoisTargetCarriesTheBootstrapServiceOnlyWhenEitherWayMayBeAsked)
{
    EXPECT_EQ(Target(TServerPreference::Any, "a.wh").RdapFallback, "https://rdap.boot.test/v1/");
    EXPECT_EQ(Target(TServerPreference::Any, "a.com").RdapFallback, "https://rdap.boot.test/v1/");
    // No bootstrap service for it, or only WHOIS wanted: nothing to fall back on.
    EXPECT_EQ(Target(TServerPreference::Any, "a.net").RdapFallback, "");
    EXPECT_EQ(Target(TServerPreference::WhoisOnly, "a.wh").RdapFallback, "");
    EXPECT_EQ(Target(TServerPreference::Any, "a.info").RdapFallback, "");

    const TServerResolver resolver(Config, BootstrapPath);
    const auto hosts = resolver.BootstrapHosts();
    ASSERT_TRUE(hosts);
    EXPECT_EQ(*hosts, TRdapHostSet{"rdap.boot.test"});
    EXPECT_EQ(resolver.BootstrapHosts(), hosts);
    // A replaced file is read again; one that cannot be used names no host.
    Dir.Write("rdap-dns.json",
              R"({"services": [[["org"], ["https://RDAP.Org.test/"]], [["io"], ["https://b.test/"]]]})");
    const auto replaced = resolver.BootstrapHosts();
    ASSERT_TRUE(replaced);
    EXPECT_EQ(*replaced, (TRdapHostSet{"rdap.org.test", "b.test"}));
    Dir.Write("rdap-dns.json", "not json");
    EXPECT_EQ(resolver.BootstrapHosts(), nullptr);
}

// A WHOIS host whose answers the table cannot read (no section of its own) gives way to the
// TLD's RDAP service, and is kept for when RDAP fails; only where either way may be asked.
TEST_F(ServerResolverTest, AWhoisHostWithoutASectionOfItsOwnGivesWayToTheRdapService)
{
    const TQueryTarget any = Target(TServerPreference::Any, "a.ns");
    EXPECT_EQ(any.Kind, TKind::Rdap);
    EXPECT_EQ(any.Server, "https://rdap.boot.test/v1/");
    EXPECT_EQ(any.WhoisFallback, "whois.ns.test");
    EXPECT_EQ(any.RdapFallback, "");
    const TQueryTarget whoisOnly = Target(TServerPreference::WhoisOnly, "a.ns");
    EXPECT_EQ(whoisOnly.Kind, TKind::Whois);
    EXPECT_EQ(whoisOnly.Server, "whois.ns.test");
    const TQueryTarget rdapOnly = Target(TServerPreference::RdapOnly, "a.ns");
    EXPECT_EQ(rdapOnly.Kind, TKind::Rdap);
    EXPECT_EQ(rdapOnly.WhoisFallback, "");
    // Without an RDAP service the host is asked as before.
    const TQueryTarget noService = Target(TServerPreference::Any, "a.nsnet");
    EXPECT_EQ(noService.Kind, TKind::Whois);
    EXPECT_EQ(noService.Server, "whois.ns.test");
    // A host with a section (its name in any case) stays first; so does the com host's.
    EXPECT_EQ(Target(TServerPreference::Any, "a.wh").WhoisFallback, "");
    EXPECT_EQ(Target(TServerPreference::Any, "a.com").Kind, TKind::Whois);
    // Once the host gets a section of its own, WHOIS goes first again.
    Dir.Write("mvwhois.ini", "[TLD]\nns=whois.ns.test\n[whois.ns.test]\nnot_found_strings=Free\n");
    const TQueryTarget withSection = Target(TServerPreference::Any, "a.ns");
    EXPECT_EQ(withSection.Kind, TKind::Whois);
    EXPECT_EQ(withSection.RdapFallback, "https://rdap.boot.test/v1/");
}

TEST_F(ServerResolverTest, NoServerSaysWhyInOneLine)
{
    const TQueryTarget zz = Target(TServerPreference::Any, "quarry.zz");
    EXPECT_EQ(zz.Problem, "No WHOIS server or RDAP service is known for \".zz\": the server table does not list it "
                          "and the RDAP bootstrap file names no service for it.");
    EXPECT_NE(Target(TServerPreference::WhoisOnly, "a.rd").Problem.find("names only an RDAP service"),
              std::string::npos);
    EXPECT_NE(
        Target(TServerPreference::Any, "a.plain").Problem.find("is plain http, and RDAP is asked over https only"),
        std::string::npos);

    // A broken bootstrap file is named with its fault, and a repaired one is read again at once.
    Dir.Write("rdap-dns.json", "<html>gateway timeout</html>");
    const TServerResolver resolver(Config, BootstrapPath);
    const TQueryTarget broken = resolver.TargetFor("a.info");
    EXPECT_EQ(broken.Kind, TKind::None);
    EXPECT_NE(broken.Problem.find("rdap-dns.json\" cannot be used: The file is not JSON"), std::string::npos)
        << broken.Problem;
    EXPECT_EQ(broken.Problem.find('\n'), std::string::npos);
    Dir.Write("rdap-dns.json", Bootstrap + "\n");
    EXPECT_EQ(resolver.TargetFor("a.info").Server, "https://rdap.boot.test/v1/");
    std::filesystem::remove(BootstrapPath);
    EXPECT_EQ(resolver.TargetFor("a.info").Kind, TKind::None);
    EXPECT_EQ(resolver.TargetFor("a.info").Problem.find("cannot be used"), std::string::npos);
}

TEST(ServerResolverPaths, BootstrapSitsBesideTheConfigurationFile)
{
    EXPECT_EQ(TServerResolver::BootstrapPathBeside("/home/u/.config/Q/mvwhois.ini"), "/home/u/.config/Q/rdap-dns.json");
    EXPECT_EQ(TServerResolver::BootstrapPathBeside("mvwhois.ini"), "rdap-dns.json");
}

} // namespace
