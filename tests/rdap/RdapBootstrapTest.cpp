#include "rdap/RdapBootstrap.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string Sample = R"({
  "description": "RDAP bootstrap file for Domain Name System (DNS) Domains",
  "publication": "2026-11-30T16:00:01Z",
  "services": [
    [["com", "NET"], ["http://rdap.registry.test/v1/", "https://rdap.registry.test/v1/"]],
    [["example", "co.example"], ["https://rdap.example-nic.test/rdap"]],
    [["plain"], ["http://rdap.plain.test/"]],
    [["bad label", "", 7, "xn--p1ai"], ["https://rdap.idn.test/"]]
  ],
  "version": "1.0"
})";

TEST(RdapBootstrap, LongestWholeLabelMatchGivesTheHttpsBase)
{
    TRdapBootstrap bootstrap;
    ASSERT_TRUE(bootstrap.Parse(Sample)) << bootstrap.Problem();
    EXPECT_EQ(bootstrap.BaseFor("quarry.com"), "https://rdap.registry.test/v1/");
    EXPECT_EQ(bootstrap.BaseFor("Quarry.Net."), "https://rdap.registry.test/v1/");
    // A base without its final '/' gets one, so that "domain/NAME" can be appended.
    EXPECT_EQ(bootstrap.BaseFor("a.b.example"), "https://rdap.example-nic.test/rdap/");
    EXPECT_EQ(bootstrap.BaseFor("x.co.example"), "https://rdap.example-nic.test/rdap/");
    EXPECT_EQ(bootstrap.BaseFor("xn--80a.xn--p1ai"), "https://rdap.idn.test/");
    // Labels match whole: "notcom" is no "com"; services with only http are never used.
    EXPECT_EQ(bootstrap.BaseFor("a.notcom"), "");
    EXPECT_EQ(bootstrap.BaseFor("a.plain"), "");
    EXPECT_EQ(bootstrap.BaseFor("com."), "https://rdap.registry.test/v1/");
    EXPECT_EQ(bootstrap.BaseFor(""), "");
    EXPECT_EQ(bootstrap.EntryCount(), 5u);
    // The shortest https address there is still counts; "https://" alone does not.
    TRdapBootstrap shortest;
    ASSERT_TRUE(shortest.Parse(R"({"services": [[["x"], ["https://", "https://a"]]]})")) << shortest.Problem();
    EXPECT_EQ(shortest.BaseFor("n.x"), "https://a/");
}

TEST(RdapBootstrap, FilesThatAreNoBootstrapFileAreRefusedWithTheReasonAndKeepTheOldEntries)
{
    TRdapBootstrap bootstrap;
    ASSERT_TRUE(bootstrap.Parse(Sample));
    const struct
    {
        std::string text;
        const char* why;
    } cases[] = {
        {"<html><body>503 Service Unavailable</body></html>", "not JSON"},
        {"", "not JSON"},
        {Sample.substr(0, Sample.size() / 2), "not JSON"},
        {R"({"version": "1.0"})", "no \"services\" list"},
        {R"({"services": {"com": "https://x.test/"}})", "no \"services\" list"},
        {R"([["com"], ["https://x.test/"]])", "no \"services\" list"},
        {R"({"services": [[["com"], ["https://x.test/"]], ["com", "https://x.test/"]]})", "Service 2 "},
        {R"({"services": [[["com"]]]})", "Service 1 "},
        {R"({"services": []})", "no top-level domain with an https address"},
        {R"({"services": [[["com"], ["http://x.test/"]]]})", "no top-level domain with an https address"},
        {R"({"services": [[["a_b", ".com", "com."], ["https://x.test/"]]]})",
         "no top-level domain with an https address"},
        {std::string(100000, '[') + std::string(100000, ']'), "not JSON"},
        {std::string(TRdapBootstrap::MaxFileBytes + 1, ' '), "too large"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(bootstrap.Parse(c.text)) << c.text.substr(0, 80);
        EXPECT_NE(bootstrap.Problem().find(c.why), std::string::npos) << bootstrap.Problem();
        EXPECT_EQ(bootstrap.Problem().find('\n'), std::string::npos);
    }
    EXPECT_EQ(bootstrap.BaseFor("quarry.com"), "https://rdap.registry.test/v1/");
}

TEST(RdapBootstrap, LoadReadsOnlyRegularFilesOfBoundedSize)
{
    TTempDir dir;
    TRdapBootstrap bootstrap;
    EXPECT_TRUE(bootstrap.Load(dir.Write("dns.json", Sample))) << bootstrap.Problem();
    EXPECT_FALSE(bootstrap.Load(dir.File("missing.json")));
    EXPECT_NE(bootstrap.Problem().find("missing.json"), std::string::npos);
    EXPECT_FALSE(bootstrap.Load(dir.Path()));
    EXPECT_NE(bootstrap.Problem().find("Cannot read"), std::string::npos) << bootstrap.Problem();
    EXPECT_FALSE(bootstrap.Load(dir.Write("big.json", std::string(TRdapBootstrap::MaxFileBytes + 1, ' '))));
    EXPECT_NE(bootstrap.Problem().find("too large"), std::string::npos) << bootstrap.Problem();
}

TEST(RdapBootstrap, ShippedCopyNamesTheRdapOnlyRegistries)
{
    TRdapBootstrap bootstrap;
    ASSERT_TRUE(bootstrap.Load(std::string(QUARROW_SOURCE_DATA_DIR) + "/rdap-dns.json")) << bootstrap.Problem();
    for (const char* name : {"a.com", "a.net", "a.org", "a.info", "a.mobi", "a.pro", "a.app", "a.dev", "a.xyz"})
        EXPECT_EQ(bootstrap.BaseFor(name).rfind("https://", 0), 0u) << name;
}

} // namespace
