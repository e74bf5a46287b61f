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
#include <string>

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

TEST(DnsDelegationCheckTest, SilentAndGarbageResolversAreGivenUpAfterTheirFirstQueries)
{
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i)
        names.push_back("name" + std::to_string(i) + ".com");
    for (auto mode : {TQuietDnsSocket::TMode::Silent, TQuietDnsSocket::TMode::Garbage}) {
        TQuietDnsSocket quiet(mode);
        TDnsCheckOptions options = At(quiet.Address(), 300);
        options.MaxInFlight = 4;
        auto verdicts = AskAll(names, options);
        ASSERT_EQ(verdicts.size(), names.size());
        for (const auto& [name, verdict] : verdicts) {
            EXPECT_FALSE(verdict.Delegated) << name;
            EXPECT_TRUE(verdict.ResolverSilent) << name;
            EXPECT_NE(verdict.Reason.find("answered none"), std::string::npos) << verdict.Reason;
        }
        // Only the first window went out: once those timed out without a reply, the rest was not
        // asked at all.
        EXPECT_EQ(quiet.Queries(), 4);
    }
}

TEST(DnsDelegationCheckTest, OneQueryTimingOutAfterOthersWereAnsweredIsNoSilentResolver)
{
    TScriptedDnsServer dns([](const std::string& query) {
        return TScriptedDnsServer::QuestionName(query) == "slow.com" ? std::string()
                                                                     : TScriptedDnsServer::ReplyTo(query, 0x8183, {});
    });
    // Time enough for the answers to come first on a loaded machine; slow.com costs it once.
    auto verdicts = AskAll({"a.com", "b.com", "slow.com", "c.com"}, At(dns.Address(), 2000));
    ASSERT_EQ(verdicts.size(), 4u);
    for (const auto& [name, verdict] : verdicts)
        EXPECT_FALSE(verdict.ResolverSilent) << name;
    EXPECT_NE(verdicts["slow.com"].Reason.find("in time"), std::string::npos) << verdicts["slow.com"].Reason;
    EXPECT_NE(verdicts["a.com"].Reason.find("NXDOMAIN"), std::string::npos) << verdicts["a.com"].Reason;
}

// Replies that do not answer the question asked: each would have made a free name read "NO".
std::string HostileReply(const std::string& query)
{
    using S = TScriptedDnsServer;
    const std::string name = S::QuestionName(query);
    const auto ns = [](const std::string& owner, const std::string& server) {
        return S::Record(owner, 2, S::WireName(server));
    };
    if (name == "other.com")
        return S::ReplyTo(query, 0x8180, {ns("else.com", "ns1.else.net")});
    if (name == "tld.com")
        return S::ReplyTo(query, 0x8180, {ns("com", "a.gtld.example"), ns("com", "b.gtld.example")});
    if (name == "noqr.com")
        return S::ReplyTo(query, 0x0180, {ns("noqr.com", "ns1.noqr.net")});
    if (name == "root.com")
        return S::ReplyTo(query, 0x8180, {ns("root.com", "")});
    if (name == "alias.com")
        return S::ReplyTo(query, 0x8180,
                          {S::Record("alias.com", 5, S::WireName("target.com")), ns("target.com", "ns1.target.net")});
    if (name == "rootowner.com")
        return S::ReplyTo(query, 0x8180, {ns("", "a.root.example")});
    if (name == "chaos.com")
        return S::ReplyTo(query, 0x8180, {S::Record("chaos.com", 2, S::WireName("ns1.chaos.net"), 3)});
    if (name == "otheralias.com")
        return S::ReplyTo(query, 0x8180, {S::Record("else.com", 5, S::WireName("target.com"))});
    if (name == "mixed.com")
        return S::ReplyTo(query, 0x8180, {ns("com", "a.gtld.example"), ns("MIXED.com", "ns1.mixed.net")});
    return S::ReplyTo(query, 0x8183, {});
}

TEST(DnsDelegationCheckTest, OnlyNsRecordsOfTheNameAskedInAResponseMakeADelegation)
{
    TScriptedDnsServer dns(HostileReply);
    struct TCase
    {
        const char* Name;
        const char* ReasonPart;
    };
    const TCase hostile[] = {{"other.com", "another name (else.com)"},
                             {"tld.com", "another name (com)"},
                             {"noqr.com", "no reply"},
                             {"root.com", "only the root"},
                             {"alias.com", "alias (CNAME)"},
                             {"rootowner.com", "another name (.)"},
                             {"chaos.com", "no NS records"},
                             {"otheralias.com", "no NS records"}};
    std::vector<std::string> names = {"mixed.com"};
    for (const TCase& c : hostile)
        names.push_back(c.Name);
    auto verdicts = AskAll(names, At(dns.Address()));
    ASSERT_EQ(verdicts.size(), names.size());
    for (const TCase& c : hostile) {
        EXPECT_FALSE(verdicts[c.Name].Delegated) << c.Name;
        EXPECT_TRUE(verdicts[c.Name].NameServers.empty()) << c.Name;
        EXPECT_NE(verdicts[c.Name].Reason.find(c.ReasonPart), std::string::npos) << verdicts[c.Name].Reason;
    }
    // The name's own records count, whatever else the reply holds and however it spells the owner.
    EXPECT_TRUE(verdicts["mixed.com"].Delegated);
    EXPECT_EQ(verdicts["mixed.com"].NameServers, (std::vector<std::string>{"ns1.mixed.net"}));
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
    // An expiry date from an earlier check goes with its text: no date stays behind the empty cell.
    rig.Model.SetExpiry(rig.Row("taken.com"), "12.05.2030", 47615, false);
    ASSERT_TRUE(rig.RunPass());

    for (const char* name : {"taken.com", "wide.com"}) {
        EXPECT_EQ(rig.Slot(name, SlotAvailability), "NO") << name;
        EXPECT_EQ(rig.Slot(name, SlotRegistrar), "") << name;
        EXPECT_EQ(rig.Slot(name, SlotExpires), "") << name;
        EXPECT_EQ(rig.Model.ExpiryDay(rig.Row(name)), 0) << name;
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

TEST(DnsFirstPassTest, RepliesThatDoNotAnswerTheQuestionSendTheNameOnToWhois)
{
    TScriptedDnsServer dns(HostileReply);
    TFakeWhoisServer whois("127.0.0.1", 0);
    const std::vector<std::string> names = {"other.com", "tld.com", "noqr.com", "root.com", "alias.com"};
    for (const std::string& name : names)
        whois.SetAnswer(name, "No match for \"" + name + "\".\r\n");
    TCheckRig rig;
    StartAskingDns(rig, whois.Port(), dns.Address());
    rig.Generate(names);
    ASSERT_TRUE(rig.RunPass());
    for (const std::string& name : names) {
        EXPECT_EQ(rig.Slot(name, SlotAvailability), "YES") << name;
        EXPECT_EQ(whois.RequestCount(name), 1) << name;
    }
    EXPECT_EQ(rig.Dispatcher->DnsDelegatedCount(), 0);
}

// A server that calls every name delegated: only the name check stands between an invalid name and
// a "NO" it never earned.
TEST(DnsFirstPassTest, InvalidNamesAreRefusedBeforeDnsAsBeforeWhois)
{
    TScriptedDnsServer dns([](const std::string& query) {
        const std::string name = TScriptedDnsServer::QuestionName(query);
        return TScriptedDnsServer::ReplyTo(
            query, 0x8180, {TScriptedDnsServer::Record(name, 2, TScriptedDnsServer::WireName("ns1.example.net"))});
    });
    TFakeWhoisServer whois("127.0.0.1", 0);
    TCheckRig rig;
    StartAskingDns(rig, whois.Port(), dns.Address());
    const std::vector<std::string> invalid = {
        "xn--abc.com",          // an A-label that decodes to nothing valid
        "\xF0\x9F\x98\x80.com", // an emoji
        "p\xD0\xB0ypal.com",    // a Cyrillic letter among Latin ones
        "a\xE2\x80\x8D"
        "b.com", // a zero-width joiner between Latin letters
        "\xCC\x81"
        "abc.com", // a leading combining mark
    };
    std::vector<std::string> names = invalid;
    names.push_back("valid.com");
    rig.Generate(names);
    ASSERT_TRUE(rig.RunPass());

    for (const std::string& name : invalid) {
        EXPECT_EQ(rig.Slot(name, SlotAvailability), "RESULT ERROR") << name;
        EXPECT_NE(rig.Answer(name).find("Not sent to any"), std::string::npos) << rig.Answer(name);
    }
    EXPECT_EQ(rig.Slot("valid.com", SlotAvailability), "NO");
    // Only the valid name went to DNS, and nothing to WHOIS.
    EXPECT_EQ(dns.Queries(), 1);
    EXPECT_EQ(dns.QueriesFor("valid.com"), 1);
    EXPECT_EQ(rig.Dispatcher->DnsAskedCount(), 1);
    EXPECT_EQ(whois.ConnectionCount(), 0);
}

// A resolver that never answers costs the pass its first window of time-outs, not one per name:
// the rest go to WHOIS at once, and the status bar says why, once.
TEST(DnsFirstPassTest, ASilentResolverIsGivenUpAfterItsFirstQueries)
{
    TQuietDnsSocket quiet(TQuietDnsSocket::TMode::Silent);
    TFakeWhoisServer whois("127.0.0.1", 0);
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i) {
        names.push_back("q" + std::to_string(i) + ".com");
        whois.SetAnswer(names.back(), "No match for \"" + names.back() + "\".\r\n");
    }
    TCheckRig rig;
    rig.WriteConfig(Config());
    TCheckOptions options;
    options.DnsTimeoutMs = 300;
    options.DnsTries = 2;
    options.DnsInFlight = 4;
    rig.Start(whois.Port(), 10, 1, 1, options);
    TEngineSettings settings = rig.Dispatcher->Settings();
    settings.DnsFirst = true;
    settings.DnsServer = quiet.Address();
    rig.Dispatcher->LoadSettings(settings);
    rig.Generate(names);
    ASSERT_TRUE(rig.RunPass(20000));

    for (const std::string& name : names) {
        EXPECT_EQ(rig.Slot(name, SlotAvailability), "YES") << name;
        EXPECT_EQ(whois.RequestCount(name), 1) << name;
    }
    // The first four names, each tried twice; nothing after them.
    EXPECT_EQ(quiet.Queries(), 8);
    EXPECT_TRUE(rig.Dispatcher->DnsResolverSilent());
    EXPECT_EQ(rig.Dispatcher->DnsDelegatedCount(), 0);
    EXPECT_NE(rig.Dispatcher->TotalText().find("the DNS server did not answer"), std::string::npos)
        << rig.Dispatcher->TotalText();
}
