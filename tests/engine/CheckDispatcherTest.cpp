#include "CheckAnswers.h"
#include "CheckDispatcherProbe.h"
#include "CheckRig.h"

#include "engine/WhoisThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <system_error>

// What a check makes of the answers: verdicts, referrals, expiry dates, attempts, servers.
namespace {

TEST(CheckDispatcherTest, FreeAndTakenNamesWithThePlaceholderInEitherCase)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetAnswer("free.com", "No match for \"FREE.COM\".\r\n");
    server.SetAnswer("lower.com", "no MATCH for \"lower.com\".\r\n");
    server.SetAnswer("other.com", "No match for \"another.com\".\r\n");
    server.SetAnswer("taken.com", TakenAnswer("TAKEN.COM", "Example Registrar, Inc.", "2030-05-12T04:00:00Z"));
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port());
    rig.Generate({"free.com", "lower.com", "other.com", "taken.com"});
    ASSERT_TRUE(rig.RunPass());

    EXPECT_EQ(rig.Slot("free.com", SlotAvailability), "YES");
    EXPECT_EQ(rig.Slot("lower.com", SlotAvailability), "YES");
    // The placeholder stands for the checked name only: another name's free answer holds no
    // evidence about this one.
    EXPECT_EQ(rig.Slot("other.com", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(rig.Slot("taken.com", SlotAvailability), "NO");
    EXPECT_EQ(rig.Slot("taken.com", SlotRegistrar), "Example Registrar, Inc.");
    EXPECT_EQ(rig.Slot("taken.com", SlotWhoisServer), "");
    EXPECT_EQ(rig.Slot("taken.com", SlotExpires), Formatted(2030, 5, 12));
    EXPECT_EQ(rig.Slot("free.com", SlotRegistrar), "");
    EXPECT_EQ(rig.Answer("free.com"), "No match for \"FREE.COM\".\r\n\r\n" + Dashes);
    for (const char* name : {"free.com", "lower.com", "other.com", "taken.com"})
        EXPECT_EQ(rig.Slot(name, SlotStartTick), "") << name;
    EXPECT_EQ(server.RequestCount("taken.com"), 1);
    EXPECT_EQ(server.Requests().front().substr(server.Requests().front().size() - 2), "\r\n");
}

// A host the table knows nothing of: an answer needs a registration field to read taken, and one
// without is no verdict, shown with its reason and not asked again.
TEST(CheckDispatcherTest, HostWithoutNotFoundTextNeedsEvidenceForTaken)
{
    TFakeWhoisServer server("127.0.0.2", 0);
    server.SetAnswer("x.net", "No match for \"x.net\".\r\n");
    server.SetAnswer("y.net", "Domain Name: Y.NET\r\nCreation Date: 2001-02-03\r\n");
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port());
    rig.Generate({"x.net", "y.net"});
    ASSERT_TRUE(rig.RunPass());
    EXPECT_EQ(rig.Slot("x.net", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(rig.Answer("x.net").rfind("No verdict: The answer holds neither a not-found text nor a registration "
                                        "field.\r\nNo match for",
                                        0),
              0u);
    EXPECT_EQ(server.RequestCount("x.net"), 1);
    EXPECT_EQ(rig.Slot("y.net", SlotAvailability), "NO");
}

TEST(CheckDispatcherTest, ReferralIsFollowedOnlyToAnotherHostAndOnlyWithoutExpiryDate)
{
    TServerPair hosts;
    TFakeWhoisServer& registry = *hosts.First;
    TFakeWhoisServer& registrar = *hosts.Second;
    const std::string refer = "   Registrar: Reg\r\n   Whois Server: 127.0.0.2\r\n";
    registry.SetAnswer("follow.com", refer);
    registry.SetAnswer("same.com", "   Registrar: Reg\r\n   Whois Server: 127.0.0.1\r\n");
    registry.SetAnswer("dated.com", refer + "   Registry Expiry Date: 2029-01-02\r\n");
    registry.SetAnswer("searched.com", refer + "   Expiration: 2028-03-04\r\n");
    registry.SetAnswer("lower.com", "   Registrar: Reg\r\n   whois server: 127.0.0.2\r\n");
    registrar.SetDefaultReply({TBehaviour::Answer, "Sponsoring Registrar: Real Reg\r\n", 0});
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(registry.Port());
    rig.Generate({"follow.com", "same.com", "dated.com", "searched.com", "lower.com"});
    ASSERT_TRUE(rig.RunPass());

    EXPECT_EQ(registrar.RequestCount("follow.com"), 1);
    EXPECT_EQ(rig.Answer("follow.com"), refer + "\r\n" + Equals + "\r\nSponsoring Registrar: Real Reg\r\n");
    EXPECT_EQ(registry.RequestCount("same.com"), 1);
    EXPECT_EQ(registrar.RequestCount("same.com"), 0);
    EXPECT_EQ(rig.Answer("same.com").substr(rig.Answer("same.com").size() - 69), Dashes);
    EXPECT_EQ(registrar.RequestCount("dated.com"), 0);
    EXPECT_EQ(registrar.RequestCount("searched.com"), 0);
    EXPECT_EQ(registrar.RequestCount("lower.com"), 0);
    EXPECT_EQ(rig.Slot("dated.com", SlotExpires), Formatted(2029, 1, 2));
    EXPECT_EQ(rig.Slot("searched.com", SlotExpires), Formatted(2028, 3, 4));
}

TEST(CheckDispatcherTest, ReferralLabelIsRemovedAndTheTextAroundItKept)
{
    // Read without a query: a host name such as "Ref 127.0.0.2" would go to the system's resolver.
    std::string server = "stale";
    EXPECT_TRUE(TWhoisThread::FindReferral("Whois Server: 127.0.0.9\r\nRef Whois Server:   127.0.0.2 \r\n", server));
    EXPECT_EQ(server, "Ref    127.0.0.2");
    EXPECT_TRUE(TWhoisThread::FindReferral("a\nWhois Server:x Whois Server:y\nb", server));
    EXPECT_EQ(server, "x y");
    EXPECT_FALSE(TWhoisThread::FindReferral("whois server: 127.0.0.2\nWHOIS SERVER: 127.0.0.3\n", server));
    EXPECT_EQ(server, "");
    // A label with nothing after it is no referral, even after an earlier one.
    EXPECT_FALSE(TWhoisThread::FindReferral("Whois Server: 127.0.0.2\nWhois Server: \t\n", server));
}

TEST(CheckDispatcherTest, LastOfTwoReferralLinesIsQueried)
{
    TServerPair hosts;
    hosts.First->SetAnswer("two.com", ShortTaken + "Whois Server: 127.0.0.9\r\nWhois Server: 127.0.0.2\r\n");
    hosts.Second->SetAnswer("two.com", "registrar answer\r\n");
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(hosts.First->Port());
    rig.Generate({"two.com"});
    ASSERT_TRUE(rig.RunPass());
    EXPECT_EQ(hosts.Second->RequestCount("two.com"), 1);
    EXPECT_NE(rig.Answer("two.com").find("registrar answer"), std::string::npos);
}

TEST(CheckDispatcherTest, ExpiryFromTheReferralAnswerOrTheMarks)
{
    TServerPair hosts;
    const std::string refer =
        "   Registrar: Reg\r\n   Registrar WHOIS Server: 127.0.0.2\r\n   Whois Server: 127.0.0.2\r\n";
    hosts.First->SetAnswer("deep.com", refer);
    hosts.First->SetAnswer("nodate.com", refer);
    hosts.First->SetAnswer("garbled.com", refer);
    hosts.First->SetAnswer("unreadable.com", refer + "   Registry Expiry Date: someday\r\n");
    hosts.Second->SetAnswer("deep.com", "Registrar Registration Expiration Date: 2027-07-08\r\n");
    hosts.Second->SetAnswer("nodate.com", "nothing here\r\n");
    hosts.Second->SetAnswer("garbled.com", "Registrar Registration Expiration Date: soon\r\n");
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(hosts.First->Port());
    rig.Generate({"deep.com", "nodate.com", "garbled.com", "unreadable.com"});
    ASSERT_TRUE(rig.RunPass());

    EXPECT_EQ(rig.Slot("deep.com", SlotWhoisServer), "127.0.0.2");
    EXPECT_EQ(rig.Slot("deep.com", SlotExpires), Formatted(2027, 7, 8));
    EXPECT_EQ(rig.Model.ExpiryDay(rig.Row("deep.com")), DayNumberFromDate(2027, 7, 8));
    EXPECT_EQ(rig.Slot("nodate.com", SlotExpires), "!  !");
    EXPECT_EQ(rig.Slot("garbled.com", SlotExpires), "! soon !");
    // An unreadable date in the first answer is not looked for anywhere else, and not marked.
    EXPECT_EQ(rig.Slot("unreadable.com", SlotExpires), "");
    EXPECT_EQ(hosts.Second->RequestCount("unreadable.com"), 0);
}

// Every attempt goes to a "proxy" that hangs up at once, so each attempt is one connection there.
class AttemptsTest : public ::testing::TestWithParam<std::pair<int, int>>
{
};

TEST_P(AttemptsTest, EveryFailedAttemptIsOneConnectionAndAllFailingIsResultError)
{
    const auto [attempts, expectedConnections] = GetParam();
    THangUpListener proxy;
    TCheckRig rig;
    rig.WriteConfig(StandardConfig() +
                    "\n[Proxy]\nUseProxy=1\nSOCKS=0\nServer=127.0.0.1\nPort=" + std::to_string(proxy.Port()) + "\n");
    rig.Start(43, 10, attempts);
    TEngineSettings settings = rig.Dispatcher->Settings();
    settings.Proxy.UseProxy = true;
    settings.Proxy.Server = "127.0.0.1";
    settings.Proxy.Port = std::to_string(proxy.Port());
    rig.Dispatcher->LoadSettings(settings);
    rig.Generate({"fail.com"});
    rig.Model.SetSlot(0, SlotRegistrar, "Old Reg");
    rig.Model.SetAnswer(0, "old answers");
    ASSERT_TRUE(rig.RunPass());

    EXPECT_EQ(proxy.Connections(), expectedConnections);
    EXPECT_EQ(rig.Slot("fail.com", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(rig.Slot("fail.com", SlotRegistrar), "Old Reg");
    EXPECT_EQ(rig.Slot("fail.com", SlotStartTick), "");
    EXPECT_EQ(rig.Slot("fail.com", SlotAnswerIndex), "0");
    // The entry says what failed and where instead of keeping the old answers.
    const std::string entry = rig.Model.AnswerLog()[0];
    EXPECT_EQ(entry.rfind("The proxy socks5://127.0.0.1:" + std::to_string(proxy.Port()) + " ", 0), 0u) << entry;
}

INSTANTIATE_TEST_SUITE_P(Counts, AttemptsTest,
                         ::testing::Values(std::pair{0, 1}, std::pair{-3, 1}, std::pair{1, 1}, std::pair{3, 3}));

TEST(CheckDispatcherTest, YesAfterNoKeepsRegistrarServerAndExpiry)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetAnswer("flip.com", TakenAnswer("FLIP.COM", "Old Registrar", "2030-01-01") +
                                     "   Registrar WHOIS Server: whois.old.example\r\n");
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port());
    rig.Generate({"flip.com"});
    ASSERT_TRUE(rig.RunPass());
    ASSERT_EQ(rig.Slot("flip.com", SlotAvailability), "NO");

    server.SetAnswer("flip.com", "No match for \"flip.com\".\r\n");
    ASSERT_TRUE(rig.RunPass());
    EXPECT_EQ(rig.Slot("flip.com", SlotAvailability), "YES");
    EXPECT_EQ(rig.Slot("flip.com", SlotRegistrar), "Old Registrar");
    EXPECT_EQ(rig.Slot("flip.com", SlotWhoisServer), "whois.old.example");
    EXPECT_EQ(rig.Slot("flip.com", SlotExpires), Formatted(2030, 1, 1));
    EXPECT_EQ(rig.Answer("flip.com"), "No match for \"flip.com\".\r\n\r\n" + Dashes);
}

TEST(CheckDispatcherTest, ResultsFindTheirRowsAndOwnLogEntriesWhateverTheOrder)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    std::vector<std::string> names;
    for (int i = 0; i < 6; ++i) {
        names.push_back("d" + std::to_string(i) + ".com");
        server.SetAnswer(names.back(), TakenAnswer(names.back(), "Registrar " + std::to_string(i), "2030-01-01"));
    }
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port(), 1);
    rig.Generate(names);
    rig.Dispatcher->SetViewOrder([&] {
        std::vector<TRowId> order;
        for (int row = rig.Model.RowCount() - 1; row >= 0; --row)
            order.push_back(rig.Model.IdAt(row));
        return order;
    });
    ASSERT_TRUE(rig.RunPass());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rig.Model.Slot(i, SlotRegistrar), "Registrar " + std::to_string(i));
        EXPECT_EQ(rig.Model.Slot(i, SlotAnswerIndex), std::to_string(i));
        EXPECT_NE(rig.Model.AnswerLog()[static_cast<std::size_t>(i)].find("Registrar " + std::to_string(i)),
                  std::string::npos);
    }
    // The pass went through the rows in the view's order.
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_EQ(requests.front(), "d5.com\r\n");
}

TEST(CheckDispatcherTest, ServerForTheLastLabelWithTheComNetFallbackAndTheBootstrap)
{
    TCheckRig rig;
    rig.WriteConfig("[TLD]\nuk=whois.uk.example\nnodot=127.0.0.5\nemp=\nCOM=127.0.0.1\n");
    rig.Dir.Write("rdap-dns.json", R"({"services": [[["boot"], ["https://rdap.boot.test/"]]]})");
    rig.Start(43);
    EXPECT_EQ(rig.Dispatcher->WhoisServerForDomain("name.co.uk"), "whois.uk.example");
    EXPECT_EQ(rig.Dispatcher->WhoisServerForDomain("nodot"), "127.0.0.5");
    EXPECT_EQ(rig.Dispatcher->WhoisServerForDomain("x.com"), "127.0.0.1");
    EXPECT_EQ(rig.Dispatcher->WhoisServerForDomain("x.net"), "whois.verisign-grs.com");
    EXPECT_EQ(rig.Dispatcher->WhoisServerForDomain("x.boot"), "https://rdap.boot.test/");
    // The com/net host answers "No match" for every name it does not keep: never asked for others.
    EXPECT_EQ(rig.Dispatcher->WhoisServerForDomain("x.zz"), "");
    EXPECT_EQ(rig.Dispatcher->WhoisServerForDomain("x.emp"), "");
}

TEST(CheckDispatcherTest, TopLevelDomainWithoutAServerGivesAnErrorRowWithoutAQuery)
{
    TCheckRig rig;
    rig.WriteConfig(StandardConfig("emp=\n"));
    rig.Start(43, 10, 2);
    rig.Generate({"x.emp", "free.zz"});
    ASSERT_TRUE(rig.RunPass());
    EXPECT_EQ(rig.Slot("x.emp", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(rig.Slot("free.zz", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(rig.Answer("free.zz"), "Not sent to any server: No WHOIS server or RDAP service is known for \".zz\": "
                                     "the server table does not list it and the RDAP bootstrap file names no service "
                                     "for it.");
    EXPECT_NE(rig.Answer("x.emp").find("the server table names no server for it"), std::string::npos);
}

TEST(CheckDispatcherTest, NamelessRowsAreSkippedAndInvalidNamesRefusedWithoutAQuery)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, ShortTaken, 0});
    TCheckRig rig;
    rig.WriteConfig(StandardConfig("x=127.0.0.1\n"));
    rig.Start(server.Port());
    const std::string label63(63, 'a');
    // Every name here ends in a top-level domain the configuration sends to the fake host.
    const std::string name253 = label63 + "." + label63 + "." + label63 + "." + std::string(59, 'b') + ".x";
    const std::vector<std::string> refused = {"free a.com", "tab\t.com", "-lead.com",       "trail-.com", "a..com",
                                              ".com",       "a.com.",    label63 + "a.com", "b" + name253};
    std::vector<TDomainRow> rows = {{"", true, {"YES", "R", "", "", "0", ""}}, {"  ", true, {"", "", "", "", "1", ""}}};
    for (const std::string& name : refused)
        rows.push_back({name, true, {}});
    rows.push_back({label63 + ".com", true, {}});
    rows.push_back({name253, true, {}});
    rig.Model.SetContents(rows, {"kept 0", "kept 1"});
    ASSERT_TRUE(rig.RunPass());

    EXPECT_EQ(rig.Model.RowAt(0), rows[0]);
    EXPECT_EQ(rig.Model.RowAt(1), rows[1]);
    EXPECT_EQ(rig.Model.AnswerLog()[0], "kept 0");
    for (const std::string& name : refused) {
        EXPECT_EQ(rig.Slot(name, SlotAvailability), "RESULT ERROR") << name;
        EXPECT_EQ(rig.Answer(name).rfind("Not sent to any WHOIS server: ", 0), 0u) << name;
    }
    EXPECT_EQ(server.ConnectionCount(), 2);
    EXPECT_EQ(rig.Slot(label63 + ".com", SlotAvailability), "NO");
}

} // namespace
