#include "engine/JobMaker.h"

#include "settings/ProxyUrl.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

// What the job maker makes of a row, without starting anything: the server table and bootstrap
// of a folder the test writes.
namespace {

using TKind = TJobMaker::TMade::TKind;

struct TJobRig
{
    TTempDir Dir;
    TJobMaker Maker;
    TEngineSettings Settings;

    TJobRig() : Maker(Options(Dir)) { Settings.Attempts = 4; }

    static TCheckOptions Options(const TTempDir& dir)
    {
        dir.Write("rdap-dns.json", R"({"services": [[["boot", "wh", "ns"], ["https://rdap.boot.test/"]]]})");
        TCheckOptions options;
        options.ConfigPath =
            dir.Write("mvwhois.ini", "[TLD]\nde=whois.de.test\nwh=whois.wh.test\nns=whois.ns.test\nemp=\n"
                                     "[whois.wh.test]\nnot_found_strings=No match\n");
        options.WhoisPort = 4343;
        options.ConnectTimeoutMs = 1234;
        options.RdapTimeoutMs = 5678;
        return options;
    }
    TJobMaker::TMade Make(const std::string& caption, TRowId row = 7)
    {
        return Maker.Make(row, caption, TProxySettings{}, false, Settings);
    }
};

TEST(JobMakerTest, RowsThatNoServerIsAskedAboutAreBlankOrRefusedWithTheReason)
{
    TJobRig rig;
    EXPECT_EQ(rig.Make("  ").Kind, TKind::Blank);
    const struct
    {
        const char* caption;
        const char* refusalStart;
    } cases[] = {
        {"-lead.de", "Not sent to any WHOIS server: "}, {"two words.de", "Not sent to any WHOIS server: "},
        {"a..de", "Not sent to any WHOIS server: "},    {"name.zz", "Not sent to any server: "},
        {"name.emp", "Not sent to any server: "},
    };
    for (const auto& c : cases) {
        const TJobMaker::TMade made = rig.Make(c.caption);
        EXPECT_EQ(made.Kind, TKind::Refused) << c.caption;
        EXPECT_EQ(made.Refusal.rfind(c.refusalStart, 0), 0u) << c.caption << ": " << made.Refusal;
        EXPECT_GT(made.Refusal.size(), std::string(c.refusalStart).size()) << c.caption;
    }
    // Nothing that could ask RDAP was made.
    EXPECT_EQ(rig.Maker.Rdap(), nullptr);
}

TEST(JobMakerTest, AWhoisJobCarriesTheNamesALabelsTheHostAndCopiesOfTheSettings)
{
    TJobRig rig;
    std::string error;
    const TProxySettings proxy = ParseProxyUrl("socks5://127.0.0.1:1080", error).value();
    const TJobMaker::TMade made = rig.Maker.Make(9, "café.de", proxy, true, rig.Settings);
    ASSERT_EQ(made.Kind, TKind::Job) << made.Refusal;
    const TWhoisJob& job = made.Job;
    EXPECT_EQ(job.DomainName, "xn--caf-dma.de");
    EXPECT_EQ(job.WhoisServer, "whois.de.test");
    EXPECT_FALSE(job.ViaRdap);
    EXPECT_EQ(job.RdapFallback, "");
    EXPECT_EQ(job.Rdap, nullptr);
    EXPECT_EQ(job.RowIndex, 9u);
    EXPECT_EQ(job.Attempts, 4);
    EXPECT_EQ(job.Port, 4343);
    EXPECT_EQ(job.ConnectTimeoutMs, 1234);
    EXPECT_EQ(ProxyUrl(job.ProxySettings, false), "socks5://127.0.0.1:1080");
    EXPECT_TRUE(job.FailOverProxy);
    EXPECT_EQ(job.ConfigPath, rig.Dir.File("mvwhois.ini"));
    ASSERT_NE(job.DateMasks, nullptr);
    EXPECT_EQ(rig.Maker.Rdap(), nullptr);
}

TEST(JobMakerTest, JobsThatMayAskRdapShareOneClientMadeAtTheFirstOfThem)
{
    TJobRig rig;
    const TJobMaker::TMade rdap = rig.Make("name.boot");
    ASSERT_EQ(rdap.Kind, TKind::Job);
    EXPECT_TRUE(rdap.Job.ViaRdap);
    EXPECT_EQ(rdap.Job.WhoisServer, "https://rdap.boot.test/");
    EXPECT_EQ(rdap.Job.RdapTimeoutMs, 5678);
    ASSERT_NE(rdap.Job.Rdap, nullptr);
    ASSERT_NE(rdap.Job.RdapHosts, nullptr);
    EXPECT_EQ(rdap.Job.Rdap, rig.Maker.Rdap());

    // A WHOIS host whose TLD has an RDAP service to fall back on gets the same client.
    const TJobMaker::TMade fallback = rig.Make("name.wh");
    ASSERT_EQ(fallback.Kind, TKind::Job);
    EXPECT_FALSE(fallback.Job.ViaRdap);
    EXPECT_EQ(fallback.Job.WhoisServer, "whois.wh.test");
    EXPECT_EQ(fallback.Job.RdapFallback, "https://rdap.boot.test/");
    EXPECT_EQ(fallback.Job.Rdap, rdap.Job.Rdap);
    EXPECT_EQ(fallback.Job.WhoisFallback, "");
    // The dispatcher owns the pace: the maker leaves the interval alone.
    EXPECT_EQ(fallback.Job.MinIntervalMs, 0);

    // A WHOIS host without a section of its own: RDAP first, the host kept for when RDAP fails.
    const TJobMaker::TMade first = rig.Make("name.ns");
    ASSERT_EQ(first.Kind, TKind::Job);
    EXPECT_TRUE(first.Job.ViaRdap);
    EXPECT_EQ(first.Job.WhoisServer, "https://rdap.boot.test/");
    EXPECT_EQ(first.Job.WhoisFallback, "whois.ns.test");
    EXPECT_EQ(first.Job.RdapFallback, "");
    EXPECT_EQ(first.Job.Rdap, rdap.Job.Rdap);
}

} // namespace
