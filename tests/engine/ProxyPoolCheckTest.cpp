#include "CheckAnswers.h"
#include "CheckDispatcherProbe.h"
#include "CheckRig.h"

#include "settings/ProxyUrl.h"
#include "support/HangUpListener.h"
#include "support/LoopbackSockets.h"
#include "support/ScriptedProxy.h"
#include "support/SocksDaemons.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

// Checks spread over a pool of real SOCKS servers on loopback: pacing per proxy and host, and a
// failing proxy whose rows go through the others.
namespace {

TProxySettings Socks5(int port, const std::string& user = "", const std::string& password = "")
{
    std::string error;
    std::string url = "socks5://";
    if (!user.empty())
        url += user + ":" + password + "@";
    return ParseProxyUrl(url + "127.0.0.1:" + std::to_string(port), error).value();
}

// A dispatcher whose checks go through a pool of proxies, on a clock the test holds (it stands
// still unless the test moves Now), with the standard configuration unless the test sets another.
struct TPoolRig
{
    TCheckRig Rig;
    std::uint64_t Now = 70000;
    std::string Config = StandardConfig();

    void Start(int whoisPort, const std::vector<TProxySettings>& pool, int threads = 1, int attempts = 3, int pause = 1,
               TCheckOptions options = {})
    {
        Rig.WriteConfig(Config);
        options.Clock = [this] { return Now; };
        Rig.Start(whoisPort, threads, attempts, pause, options);
        TEngineSettings settings = Rig.Dispatcher->Settings();
        settings.ThreadLimit = threads;
        settings.Proxy = pool.front();
        settings.FurtherProxies.assign(pool.begin() + 1, pool.end());
        Rig.Dispatcher->LoadSettings(settings);
    }
};

TCheckOptions NegotiationTimeout(int ms)
{
    TCheckOptions options;
    options.NegotiationTimeoutMs = ms;
    return options;
}

std::string Through(int port)
{
    return "Asked through socks5://127.0.0.1:" + std::to_string(port);
}

void AnswerFree(TFakeWhoisServer& server, const std::vector<std::string>& names)
{
    for (const std::string& name : names)
        server.SetAnswer(name, "No match for \"" + name + "\".\r\n");
}

bool Holds(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The registry's min_interval holds per source address: through two proxies the same host takes
// two queries per interval, each lane keeping its own pace.
TEST(ProxyPoolCheckTest, EachProxyHasItsOwnPaceToAHost)
{
    TMicrosocksServer first;
    TMicrosocksServer second;
    ASSERT_TRUE(first.Started()) << first.Failure();
    ASSERT_TRUE(second.Started()) << second.Failure();
    TFakeWhoisServer server("127.0.0.1", 0);
    server.HoldReplies();
    TPoolRig pool;
    pool.Config.insert(pool.Config.find("[127.0.0.1]\n") + 12, "min_interval=1000\n");
    pool.Start(server.Port(), {Socks5(first.Port()), Socks5(second.Port())}, 10, 1, TCheckRig::ManualTicks);
    TCheckRig& rig = pool.Rig;
    std::uint64_t& now = pool.Now;
    const std::vector<std::string> names = {"a1.com", "a2.com", "a3.com", "a4.com", "a5.com"};
    rig.Generate(names);
    AnswerFree(server, names);
    TCheckDispatcherProbe probe(*rig.Dispatcher);
    const auto started = [&] {
        std::string rows;
        for (const std::string& name : names)
            rows += rig.Slot(name, SlotStartTick).empty() ? '-' : 'x';
        return rows;
    };

    rig.Dispatcher->StartAll();
    for (const char* expected : {"x----", "xx---", "xx---", "xx---", "xx---"}) {
        probe.DispatcherTick();
        EXPECT_EQ(started(), expected);
    }
    EXPECT_EQ(rig.Dispatcher->WaitingCount(), 3);
    now += 999;
    probe.PacingTick();
    EXPECT_EQ(started(), "xx---");
    // One interval later each lane lets one row go, at the same moment.
    now += 1;
    probe.PacingTick();
    EXPECT_EQ(started(), "xxxx-");
    EXPECT_EQ(rig.Slot("a4.com", SlotStartTick), std::to_string(now));
    now += 1000;
    probe.PacingTick();
    EXPECT_EQ(started(), "xxxxx");

    server.ReleaseReplies();
    probe.DispatcherTick();
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Finished; }));
    int firstRows = 0;
    for (const std::string& name : names) {
        EXPECT_EQ(rig.Slot(name, SlotAvailability), "YES") << name;
        EXPECT_EQ(server.RequestCount(name), 1) << name;
        firstRows += Holds(rig.Answer(name), Through(first.Port())) ? 1 : 0;
        EXPECT_NE(Holds(rig.Answer(name), Through(first.Port())), Holds(rig.Answer(name), Through(second.Port())))
            << rig.Answer(name);
    }
    EXPECT_EQ(firstRows, 3);
}

// A proxy that refuses rests; the row it failed goes through the next proxy, later rows avoid it
// while it rests, and the answers entry tells both attempts.
TEST(ProxyPoolCheckTest, AFailedProxyRestsAndItsRowIsAskedThroughAnother)
{
    // Method selection answered with "no acceptable method".
    TScriptedProxy refusing({{3, std::string("\x05\xFF", 2)}});
    TMicrosocksServer working;
    ASSERT_TRUE(working.Started()) << working.Failure();
    TFakeWhoisServer server("127.0.0.1", 0);
    TPoolRig pool;
    pool.Start(server.Port(), {Socks5(refusing.Port()), Socks5(working.Port())});
    TCheckRig& rig = pool.Rig;
    rig.Generate({"b1.com", "b2.com", "b3.com"});
    AnswerFree(server, {"b1.com", "b2.com", "b3.com"});
    ASSERT_TRUE(rig.RunPass());

    for (const char* name : {"b1.com", "b2.com", "b3.com"}) {
        EXPECT_EQ(rig.Slot(name, SlotAvailability), "YES") << name;
        EXPECT_EQ(server.RequestCount(name), 1) << name;
    }
    // One connection only: the failure ended the check at once instead of using up its attempts,
    // and the resting proxy got no further rows.
    EXPECT_EQ(refusing.Connections(), 1);
    EXPECT_EQ(rig.Dispatcher->ProxyRestsUntil(0), pool.Now + TCheckDispatcher::FirstRestMs);
    EXPECT_EQ(rig.Dispatcher->ProxyRestsUntil(1), 0u);
    const std::string first = rig.Answer("b1.com");
    const std::string refused = "The proxy socks5://127.0.0.1:" + std::to_string(refusing.Port()) + " accepts none";
    EXPECT_TRUE(Holds(first, refused)) << first;
    EXPECT_LT(first.find(refused), first.find(Through(working.Port()) + "\r\n")) << first;
    EXPECT_FALSE(Holds(rig.Answer("b2.com"), Through(refusing.Port())));
}

// Only when every proxy failed for a name does it read RESULT ERROR, its entry naming each proxy
// and its failure; a wrong password never shows up in the entry.
TEST(ProxyPoolCheckTest, ANameReadsResultErrorOnlyWhenEveryProxyFailedForIt)
{
    TMicrosocksServer guarded("quarrow", "s3cret");
    ASSERT_TRUE(guarded.Started()) << guarded.Failure();
    TReservedPort dead;
    TFakeWhoisServer server("127.0.0.1", 0);
    TPoolRig pool;
    pool.Start(server.Port(), {Socks5(guarded.Port(), "quarrow", "badpass"), Socks5(dead.Port())}, 4, 2);
    TCheckRig& rig = pool.Rig;
    rig.Generate({"c1.com"});
    ASSERT_TRUE(rig.RunPass());

    EXPECT_EQ(rig.Slot("c1.com", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(server.RequestCount("c1.com"), 0);
    const std::string entry = rig.Answer("c1.com");
    EXPECT_TRUE(Holds(entry, "The proxy socks5://quarrow@127.0.0.1:" + std::to_string(guarded.Port()) +
                                 " refused the user name and password\r\n"))
        << entry;
    EXPECT_TRUE(Holds(entry, "The proxy socks5://127.0.0.1:" + std::to_string(dead.Port()) + " could not be reached"))
        << entry;
    EXPECT_TRUE(Holds(entry, "No proxy got through")) << entry;
    EXPECT_FALSE(Holds(entry, "badpass")) << entry;
}

// A proxy that takes the connection and never answers fails at the negotiation's deadline, as a
// proxy failure: it rests and its row goes through the next proxy, instead of holding the row until
// the check's time limit and taking its share of the later rows.
TEST(ProxyPoolCheckTest, ABlackHoleProxyRestsAtItsNegotiationDeadline)
{
    THangUpListener blackHole(THangUpListener::TMode::Hold);
    TMicrosocksServer working;
    ASSERT_TRUE(working.Started()) << working.Failure();
    TFakeWhoisServer server("127.0.0.1", 0);
    TPoolRig pool;
    pool.Start(server.Port(), {Socks5(blackHole.Port()), Socks5(working.Port())}, 1, 3, 1, NegotiationTimeout(300));
    TCheckRig& rig = pool.Rig;
    const std::vector<std::string> names = {"h1.com", "h2.com", "h3.com", "h4.com"};
    rig.Generate(names);
    AnswerFree(server, names);
    ASSERT_TRUE(rig.RunPass(20000));

    for (const std::string& name : names) {
        EXPECT_EQ(rig.Slot(name, SlotAvailability), "YES") << name;
        EXPECT_EQ(server.RequestCount(name), 1) << name;
    }
    EXPECT_EQ(blackHole.Connections(), 1);
    EXPECT_EQ(rig.Dispatcher->ProxyRestsUntil(0), pool.Now + TCheckDispatcher::FirstRestMs);
    EXPECT_TRUE(Holds(rig.Answer("h1.com"), "The proxy socks5://127.0.0.1:" + std::to_string(blackHole.Port()) +
                                                " did not complete the SOCKS negotiation within 300 ms"))
        << rig.Answer("h1.com");
}

// A registrar's host asked through a proxy that fails sends the name through another proxy too:
// the first proxy answers the registry's query, then takes the referral's connection and never
// answers it.
TEST(ProxyPoolCheckTest, AReferralThroughAFailedProxyGoesThroughAnother)
{
    const std::string referred = "   Registrar: Reg\r\n   Whois Server: 127.0.0.2\r\n";
    const std::string request = "r.com\r\n";
    const std::string connect = std::string("\x05\x01\x00\x01\x7F\x00\x00\x01", 8) + "XX";
    TScriptedProxy once({{3, std::string("\x05\x00", 2)},
                         {connect.size(), std::string("\x05\x00\x00\x01\x7F\x00\x00\x01\x00\x2B", 10)},
                         {request.size(), referred}});
    TMicrosocksServer working;
    ASSERT_TRUE(working.Started()) << working.Failure();
    TServerPair hosts;
    hosts.First->SetAnswer("r.com", referred);
    hosts.Second->SetAnswer("r.com", "   Sponsoring Registrar: Reg\r\n"
                                     "   Registrar Registration Expiration Date: 2031-05-06\r\n");
    TPoolRig pool;
    pool.Start(hosts.First->Port(), {Socks5(once.Port()), Socks5(working.Port())}, 1, 3, 1, NegotiationTimeout(300));
    TCheckRig& rig = pool.Rig;
    rig.Generate({"r.com"});
    ASSERT_TRUE(rig.RunPass(20000));

    EXPECT_EQ(rig.Slot("r.com", SlotAvailability), "NO");
    EXPECT_EQ(rig.Slot("r.com", SlotRegistrar), "Reg");
    EXPECT_EQ(hosts.Second->RequestCount("r.com"), 1);
    EXPECT_EQ(rig.Dispatcher->ProxyRestsUntil(0), pool.Now + TCheckDispatcher::FirstRestMs);
    const std::string entry = rig.Answer("r.com");
    EXPECT_TRUE(Holds(entry, "The proxy socks5://127.0.0.1:" + std::to_string(once.Port()) +
                                 " did not complete the SOCKS negotiation"))
        << entry;
    EXPECT_TRUE(Holds(entry, Through(working.Port()) + "\r\n")) << entry;
}

// A registrar's host that is down says so through every proxy: the registry's answer stands alone
// and the proxy that carried the referral does not rest.
TEST(ProxyPoolCheckTest, AReferralToAHostThatIsDownRestsNoProxy)
{
    TMicrosocksServer first;
    TMicrosocksServer second;
    ASSERT_TRUE(first.Started()) << first.Failure();
    ASSERT_TRUE(second.Started()) << second.Failure();
    TFakeWhoisServer server("127.0.0.1", 0);
    // Nothing listens on 127.0.0.3: the proxy's connection there is refused.
    server.SetAnswer("d.com", "   Registrar: Reg\r\n   Whois Server: 127.0.0.3\r\n");
    TPoolRig pool;
    pool.Start(server.Port(), {Socks5(first.Port()), Socks5(second.Port())});
    TCheckRig& rig = pool.Rig;
    rig.Generate({"d.com"});
    ASSERT_TRUE(rig.RunPass(20000));

    EXPECT_EQ(rig.Slot("d.com", SlotAvailability), "NO");
    EXPECT_EQ(rig.Slot("d.com", SlotRegistrar), "Reg");
    EXPECT_EQ(server.RequestCount("d.com"), 1);
    EXPECT_EQ(rig.Dispatcher->ProxyRestsUntil(0), 0u);
    EXPECT_EQ(rig.Dispatcher->ProxyRestsUntil(1), 0u);
}

// Without a pool a name that was never asked says in its answers entry what failed and where.
TEST(ProxyPoolCheckTest, TheOnlyWayOutFailingIsNamedInTheAnswersEntry)
{
    TMicrosocksServer guarded("quarrow", "s3cret");
    ASSERT_TRUE(guarded.Started()) << guarded.Failure();
    TScriptedProxy garbage({{3, "HTTP/1.0 400 Bad Request\r\n\r\n"}});
    TReservedPort dead;
    TFakeWhoisServer server("127.0.0.1", 0);
    struct TCase
    {
        std::optional<TProxySettings> Proxy; // none: direct
        int WhoisPort;
        std::string Entry;
    };
    const std::string at = "127.0.0.1:";
    const TCase cases[] = {
        {Socks5(guarded.Port(), "quarrow", "badpass"), server.Port(),
         "The proxy socks5://quarrow@" + at + std::to_string(guarded.Port()) + " refused the user name and password"},
        {Socks5(garbage.Port()), server.Port(),
         "The proxy socks5://" + at + std::to_string(garbage.Port()) +
             " sent a SOCKS 5 method selection with wrong version 72 (expected 5)"},
        {Socks5(dead.Port()), server.Port(),
         "The proxy socks5://" + at + std::to_string(dead.Port()) + " could not be reached: Connection refused"},
        {std::nullopt, dead.Port(),
         "The WHOIS host 127.0.0.1 port " + std::to_string(dead.Port()) + " could not be reached: Connection refused"},
    };
    for (const TCase& c : cases) {
        TCheckRig rig;
        rig.WriteConfig(StandardConfig());
        rig.Start(c.WhoisPort, 1, 1, 1);
        TEngineSettings settings = rig.Dispatcher->Settings();
        if (c.Proxy)
            settings.Proxy = *c.Proxy;
        rig.Dispatcher->LoadSettings(settings);
        rig.Generate({"n.com"});
        ASSERT_TRUE(rig.RunPass());
        EXPECT_EQ(rig.Slot("n.com", SlotAvailability), "RESULT ERROR");
        EXPECT_EQ(rig.Answer("n.com"), c.Entry);
    }
    EXPECT_EQ(server.RequestCount("n.com"), 0);
}

} // namespace
