#include "engine/DnsDelegationCheck.h"
#include "settings/DnsServerAddress.h"

#include "engine/CheckRig.h"
#include "support/DnsServers.h"
#include "support/FakeWhoisServer.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

namespace {

using TBehaviour = TFakeWhoisServer::TBehaviour;

// Runs one stage over `names` and waits for every verdict (or the deadline).
std::map<std::string, TDnsVerdict> AskAll(const std::vector<std::string>& names, TDnsCheckOptions options)
{
    std::mutex mutex;
    std::condition_variable arrived;
    std::map<TRowId, TDnsVerdict> verdicts;
    TDnsDelegationCheck::TNames rows;
    for (std::size_t i = 0; i < names.size(); ++i)
        rows.emplace_back(static_cast<TRowId>(i), names[i]);
    TDnsDelegationCheck check(std::move(options), rows, [&](TDnsVerdict verdict) {
        std::lock_guard lock(mutex);
        verdicts[verdict.Row] = std::move(verdict);
        arrived.notify_all();
    });
    check.Start();
    std::unique_lock lock(mutex);
    arrived.wait_for(lock, std::chrono::seconds(20), [&] { return verdicts.size() == names.size(); });
    std::map<std::string, TDnsVerdict> byName;
    for (const auto& [row, verdict] : verdicts)
        byName[names[row]] = verdict;
    return byName;
}

// One try; a server that answers gets ample time, so that a loaded machine cannot turn its answer
// into a time-out, while a silent one costs only the short time-out it is given.
TDnsCheckOptions At(const std::string& server, int timeoutMs = 5000)
{
    TDnsCheckOptions options;
    options.Server = server;
    options.TimeoutMs = timeoutMs;
    options.Tries = 1;
    return options;
}

// The header flags of the server's plain UDP reply to an NS query for wide.com (no EDNS, so at
// most 512 bytes); -1 without a reply.
int UdpReplyFlags(int port)
{
    const unsigned char query[] = {0x12, 0x34, 0x01, 0x00, 0, 1,   0,   0,   0, 0, 0, 0, 4,
                                   'w',  'i',  'd',  'e',  3, 'c', 'o', 'm', 0, 0, 2, 0, 1};
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    unsigned char reply[4096];
    ssize_t got = -1;
    pollfd ready{fd, POLLIN, 0};
    if (::sendto(fd, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) > 0 &&
        ::poll(&ready, 1, 5000) == 1)
        got = ::recv(fd, reply, sizeof reply, 0);
    ::close(fd);
    return got >= 4 ? (reply[2] << 8 | reply[3]) : -1;
}

std::string Config()
{
    return "[TLD]\ncom=127.0.0.1\nnet=127.0.0.1\n\n[127.0.0.1]\nnot_found_strings=No match for \"%DOMAIN%\".\n"
           "registrar_string=Registrar:\n";
}

// The rig against `whoisPort` with "Ask DNS first" on, `dnsServer` the resolver; one try.
TEngineSettings StartAskingDns(TCheckRig& rig, int whoisPort, const std::string& dnsServer, int timeoutMs = 5000)
{
    rig.WriteConfig(Config());
    TCheckOptions options;
    options.DnsTimeoutMs = timeoutMs;
    options.DnsTries = 1;
    rig.Start(whoisPort, 10, 1, 1, options);
    TEngineSettings settings = rig.Dispatcher->Settings();
    settings.DnsFirst = true;
    settings.DnsServer = dnsServer;
    rig.Dispatcher->LoadSettings(settings);
    return settings;
}

} // namespace

TEST(DnsDelegationCheckTest, OnlyNsRecordsMakeADelegationAndEveryOtherAnswerGivesItsReason)
{
    TUnboundServer dns;
    ASSERT_TRUE(dns.Started()) << dns.Failure();
    auto verdicts =
        AskAll({"taken.com", "wide.com", "free.com", "nons.com", "refused.com", "broken.org"}, At(dns.Address()));
    ASSERT_EQ(verdicts.size(), 6u);

    EXPECT_TRUE(verdicts["taken.com"].Delegated);
    EXPECT_EQ(verdicts["taken.com"].NameServers, (std::vector<std::string>{"ns1.taken.net", "ns2.taken.net"}));
    // Too large for a plain UDP reply: only the retry over TCP brings every record.
    const int flags = UdpReplyFlags(dns.Port());
    ASSERT_GE(flags, 0);
    EXPECT_NE(flags & 0x0200, 0) << "the UDP reply is not truncated";
    EXPECT_TRUE(verdicts["wide.com"].Delegated);
    ASSERT_EQ(verdicts["wide.com"].NameServers.size(), static_cast<std::size_t>(TUnboundServer::WideNameServerCount));
    EXPECT_EQ(verdicts["wide.com"].NameServers.back(),
              TUnboundServer::WideNameServer(TUnboundServer::WideNameServerCount - 1));

    for (const char* name : {"free.com", "nons.com", "refused.com", "broken.org"}) {
        EXPECT_FALSE(verdicts[name].Delegated) << name;
        EXPECT_TRUE(verdicts[name].NameServers.empty()) << name;
    }
    EXPECT_NE(verdicts["free.com"].Reason.find("NXDOMAIN"), std::string::npos) << verdicts["free.com"].Reason;
    EXPECT_NE(verdicts["nons.com"].Reason.find("no NS records"), std::string::npos);
    EXPECT_NE(verdicts["refused.com"].Reason.find("refused"), std::string::npos);
    EXPECT_NE(verdicts["broken.org"].Reason.find("SERVFAIL"), std::string::npos) << verdicts["broken.org"].Reason;
}

TEST(DnsDelegationCheckTest, SilentAndGarbageResolversDelegateNothingAndEveryNameGetsItsVerdict)
{
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i)
        names.push_back("name" + std::to_string(i) + ".com");
    for (auto mode : {TQuietDnsSocket::TMode::Silent, TQuietDnsSocket::TMode::Garbage}) {
        TQuietDnsSocket quiet(mode);
        TDnsCheckOptions options = At(quiet.Address(), 300);
        options.MaxInFlight = 4; // the later names go out only as earlier ones time out
        auto verdicts = AskAll(names, options);
        ASSERT_EQ(verdicts.size(), names.size());
        for (const auto& [name, verdict] : verdicts)
            EXPECT_FALSE(verdict.Delegated) << name;
        EXPECT_GE(quiet.Queries(), static_cast<int>(names.size()));
        if (mode == TQuietDnsSocket::TMode::Silent) {
            // One try each: a name is asked once, never again after its time-out.
            EXPECT_EQ(quiet.Queries(), static_cast<int>(names.size()));
            EXPECT_NE(verdicts["name0.com"].Reason.find("in time"), std::string::npos) << verdicts["name0.com"].Reason;
        }
    }
}

TEST(DnsDelegationCheckTest, ServerAddressesAreIpAddressesWithAnOptionalPort)
{
    // A server the library cannot use still gives every name its verdict, the last one too.
    const auto unusable = AskAll({"a.com", "b.com", "c.com"}, At("not an address"));
    ASSERT_EQ(unusable.size(), 3u);
    for (const auto& [name, verdict] : unusable) {
        EXPECT_FALSE(verdict.Delegated) << name;
        EXPECT_FALSE(verdict.Reason.empty()) << name;
    }

    for (const char* good : {"127.0.0.1", "127.0.0.1:5353", "::1", "[::1]:53", "[2001:db8::53]", "192.0.2.1:65535"})
        EXPECT_EQ(DnsServerProblem(good), "") << good;
    for (const char* bad : {"", "localhost", "127.0.0.1:", "127.0.0.1:0", "127.0.0.1:65536", "127.0.0.1:53x", "1.2.3",
                            "[::1", "[::1]53", "[127.0.0.1]:53", "::1:53x", " 127.0.0.1"}) {
        const std::string problem = DnsServerProblem(bad);
        EXPECT_NE(problem.find("\"" + std::string(bad) + "\""), std::string::npos) << bad << ": " << problem;
    }
}

TEST(DnsFirstPassTest, DelegatedRowsReadNoWithoutAQueryAndTheRestGoToWhois)
{
    TUnboundServer dns;
    ASSERT_TRUE(dns.Started()) << dns.Failure();
    TFakeWhoisServer whois("127.0.0.1", 0);
    whois.SetDefaultReply({TBehaviour::Answer, "Registrar: Hold Reg\r\nDomain: x\r\n", 0});
    whois.SetAnswer("free.com", "No match for \"free.com\".\r\n");
    TCheckRig rig;
    TEngineSettings settings = StartAskingDns(rig, whois.Port(), dns.Address());
    rig.Generate({"taken.com", "free.com", "nons.com", "wide.com", "broken.org", "unticked.com"});
    rig.Model.SetChecked(rig.Row("unticked.com"), false);
    ASSERT_TRUE(rig.RunPass());

    for (const char* name : {"taken.com", "wide.com"}) {
        EXPECT_EQ(rig.Slot(name, SlotAvailability), "NO") << name;
        EXPECT_EQ(rig.Slot(name, SlotRegistrar), "") << name;
        EXPECT_EQ(rig.Slot(name, SlotExpires), "") << name;
        EXPECT_EQ(whois.RequestCount(name), 0) << name;
        EXPECT_NE(rig.Answer(name).find("No WHOIS query was made"), std::string::npos) << name;
    }
    EXPECT_NE(rig.Answer("taken.com").find("ns1.taken.net\r\n  ns2.taken.net"), std::string::npos)
        << rig.Answer("taken.com");
    // Not delegated: only WHOIS decides, free or (on hold) taken.
    EXPECT_EQ(rig.Slot("free.com", SlotAvailability), "YES");
    EXPECT_EQ(rig.Slot("nons.com", SlotAvailability), "NO");
    EXPECT_EQ(rig.Slot("nons.com", SlotRegistrar), "Hold Reg");
    EXPECT_EQ(rig.Slot("broken.org", SlotAvailability), "RESULT ERROR"); // no .org server in this table
    EXPECT_EQ(whois.RequestCount("free.com"), 1);
    EXPECT_EQ(whois.RequestCount("nons.com"), 1);
    EXPECT_EQ(whois.RequestCount("unticked.com"), 0);
    EXPECT_EQ(rig.Dispatcher->DnsAskedCount(), 5);
    EXPECT_EQ(rig.Dispatcher->DnsDelegatedCount(), 2);
    EXPECT_NE(rig.Dispatcher->TotalText().find("DNS: 5/5, 2 delegated"), std::string::npos);

    // Off again: every ticked row is asked of WHOIS as before.
    settings.DnsFirst = false;
    rig.Dispatcher->LoadSettings(settings);
    ASSERT_TRUE(rig.RunPass());
    EXPECT_EQ(whois.RequestCount("taken.com"), 1);
    EXPECT_EQ(rig.Slot("taken.com", SlotRegistrar), "Hold Reg");
    EXPECT_EQ(rig.Dispatcher->TotalText().find("DNS"), std::string::npos);
}

TEST(DnsFirstPassTest, ResolverThatNeverAnswersOnlyDelaysThePassByItsTimeOut)
{
    TQuietDnsSocket quiet(TQuietDnsSocket::TMode::Silent);
    TFakeWhoisServer whois("127.0.0.1", 0);
    whois.SetAnswer("a.com", "No match for \"a.com\".\r\n");
    whois.SetAnswer("b.com", "No match for \"b.com\".\r\n");
    TCheckRig rig;
    StartAskingDns(rig, whois.Port(), quiet.Address(), 300);
    rig.Generate({"a.com", "b.com"});
    ASSERT_TRUE(rig.RunPass());
    EXPECT_EQ(rig.Slot("a.com", SlotAvailability), "YES");
    EXPECT_EQ(rig.Slot("b.com", SlotAvailability), "YES");
    EXPECT_EQ(rig.Dispatcher->DnsDelegatedCount(), 0);
}
