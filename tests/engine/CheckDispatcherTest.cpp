#include "CheckDispatcherProbe.h"
#include "CheckRig.h"

#include "engine/WhoisThread.h"
#include "whois/ExpiryDate.h"
#include "whois/ExpiryDateFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <system_error>

namespace {

using TBehaviour = TFakeWhoisServer::TBehaviour;

const std::string Dashes(69, '-');
const std::string Equals(69, '=');
// A taken answer: it lacks the not-found text and carries the registrar label.
const std::string ShortTaken = "   Registrar: Reg\r\n";

// The registry on 127.0.0.1 and a registrar host on 127.0.0.2, as the configuration knows them.
std::string StandardConfig(const std::string& extra = "")
{
    return "[TLD]\n"
           "com=127.0.0.1\n"
           "net=127.0.0.2\n" +
           extra +
           "\n[127.0.0.1]\n"
           "not_found_strings=No match for \"%DOMAIN%\".\n"
           "registrar_string=Registrar:\n"
           "whois_server_string=Registrar WHOIS Server:\n"
           "expires_string=Registry Expiry Date:\n"
           "\n[127.0.0.2]\n"
           "registrar_string=Sponsoring Registrar:\n"
           "expires_string=Registrar Registration Expiration Date:\n";
}

std::string TakenAnswer(const std::string& domain, const std::string& registrar, const std::string& expiry)
{
    return "   Domain Name: " + domain + "\r\n   Registrar: " + registrar + "\r\n   Registry Expiry Date: " + expiry +
           "\r\n";
}

std::string Formatted(int year, int month, int day)
{
    return FormatDayNumber(DayNumberFromDate(year, month, day));
}

TEST(CheckDispatcherTest, FreeAndTakenNamesWithThePlaceholderInEitherCase)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetAnswer("free.com", "No match for \"FREE.COM\".\r\n");
    server.SetAnswer("lower.com", "no MATCH for \"lower.com\".\r\n");
    server.SetAnswer("other.com",
                     "No match for \"another.com\".\r\n" + std::string(THostStrings::ShortAnswerBytes, '.'));
    server.SetAnswer("taken.com", TakenAnswer("TAKEN.COM", "Example Registrar, Inc.", "2030-05-12T04:00:00Z"));
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port());
    rig.Generate({"free.com", "lower.com", "other.com", "taken.com"});
    ASSERT_TRUE(rig.RunPass());

    EXPECT_EQ(rig.Slot("free.com", SlotAvailability), "YES");
    EXPECT_EQ(rig.Slot("lower.com", SlotAvailability), "YES");
    // The placeholder stands for the checked name only.
    EXPECT_EQ(rig.Slot("other.com", SlotAvailability), "NO");
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

TEST(CheckDispatcherTest, HostWithoutNotFoundTextCallsEveryAnswerTaken)
{
    TFakeWhoisServer server("127.0.0.2", 0);
    server.SetDefaultReply({TBehaviour::Answer, "No match for \"x.net\".\r\n", 0});
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port());
    rig.Generate({"x.net"});
    ASSERT_TRUE(rig.RunPass());
    EXPECT_EQ(rig.Slot("x.net", SlotAvailability), "NO");
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
    EXPECT_EQ(rig.Model.AnswerLog()[0], "old answers");
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

TEST(CheckDispatcherTest, DispatcherKeepsToTheThreadLimitButCheckSelectedMayExceedIt)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, ShortTaken, 0});
    server.HoldReplies();
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port(), 3, 1, TCheckRig::ManualTicks);
    std::vector<std::string> names;
    for (int i = 0; i < 12; ++i)
        names.push_back("n" + std::to_string(i) + ".com");
    rig.Generate(names);
    TCheckDispatcherProbe probe(*rig.Dispatcher);
    rig.Dispatcher->StartAll();
    for (int tick = 0; tick < 6; ++tick)
        probe.DispatcherTick();
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 3);
    EXPECT_EQ(rig.Dispatcher->NextRow(), 3);

    rig.Dispatcher->CheckSelected(rig.Model.IdAt(11));
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 4);
    EXPECT_EQ(rig.Dispatcher->ThreadsText(), "Threads: 4");
    EXPECT_TRUE(rig.Dispatcher->ProgressFrozen());
    rig.Dispatcher->CheckSelected(NoRowId); // nothing selected: nothing happens
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 4);

    server.ReleaseReplies();
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Dispatcher->RunningCount() == 0; }));
    for (int tick = 0; tick < 3; ++tick)
        probe.DispatcherTick();
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 3);
    EXPECT_EQ(rig.Dispatcher->NextRow(), 6);
    rig.Dispatcher->Stop();
}

TEST(CheckDispatcherTest, HugeThreadLimitIsBoundedByTheDescriptorsAtHand)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, "Registrar: R\r\n", 0});
    server.HoldReplies();
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    TCheckOptions options;
    options.OpenFileLimit = 64 + 3 * 4; // room for four workers
    rig.Start(server.Port(), 1000000, 1, TCheckRig::ManualTicks, options);
    EXPECT_EQ(rig.Dispatcher->WorkerLimit(), 4);
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i)
        names.push_back("n" + std::to_string(i) + ".com");
    rig.Generate(names);
    TCheckDispatcherProbe probe(*rig.Dispatcher);
    rig.Dispatcher->StartAll();
    for (int tick = 0; tick < 6; ++tick)
        probe.DispatcherTick();
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 4);

    server.ReleaseReplies();
    TEngineSettings settings = rig.Dispatcher->Settings();
    settings.Pause = 1;
    rig.Dispatcher->LoadSettings(settings);
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Finished; }));
    EXPECT_LE(rig.MaxRunning, 4);
    for (const std::string& name : names)
        EXPECT_EQ(rig.Slot(name, SlotAvailability), "NO") << name;
}

TEST(CheckDispatcherTest, StopLetsRunningWorkersDeliverWhileTheCountFalls)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, ShortTaken, 0});
    server.HoldReplies();
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port(), 3);
    rig.Generate({"a.com", "b.com", "c.com", "d.com", "e.com", "f.com"});
    rig.Dispatcher->StartAll();
    EXPECT_FALSE(rig.Dispatcher->StartAllEnabled());
    EXPECT_TRUE(rig.Dispatcher->StopEnabled());
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Dispatcher->RunningCount() == 3; }));
    rig.Dispatcher->Stop();
    EXPECT_EQ(rig.Dispatcher->NextRow(), 0);
    EXPECT_TRUE(rig.Dispatcher->StartAllEnabled());
    EXPECT_FALSE(rig.Dispatcher->StopEnabled());
    EXPECT_EQ(rig.Dispatcher->ProgressPosition(), 0);

    std::vector<int> seen;
    QObject::connect(rig.Dispatcher.get(), &TCheckDispatcher::StatusChanged,
                     [&] { seen.push_back(rig.Dispatcher->RunningCount()); });
    server.ReleaseReplies();
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Dispatcher->RunningCount() == 0; }));
    ASSERT_TRUE(rig.Drain());
    EXPECT_TRUE(std::is_sorted(seen.rbegin(), seen.rend()));
    EXPECT_EQ(rig.Dispatcher->ProgressPosition(), 0);
    for (const char* name : {"a.com", "b.com", "c.com"})
        EXPECT_EQ(rig.Slot(name, SlotAvailability), "NO") << name;
    for (const char* name : {"d.com", "e.com", "f.com"})
        EXPECT_EQ(rig.Slot(name, SlotAvailability), "") << name;
    EXPECT_EQ(server.ConnectionCount(), 3);
    EXPECT_FALSE(rig.Dispatcher->DispatcherEnabled());
}

TEST(CheckDispatcherTest, CheckSelectedRightAfterStopDoesNotRestartThePass)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, ShortTaken, 0});
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port(), 10, 1, TCheckRig::ManualTicks);
    rig.Generate({"a.com", "b.com", "c.com", "d.com"});
    TCheckDispatcherProbe probe(*rig.Dispatcher);
    rig.Dispatcher->StartAll();
    probe.DispatcherTick();
    rig.Dispatcher->Stop();
    rig.Dispatcher->CheckSelected(rig.Model.IdAt(3));
    // Ticks that still arrive must not start the pass over from a.com.
    for (int tick = 0; tick < 3; ++tick)
        probe.DispatcherTick();
    ASSERT_TRUE(rig.Drain());
    EXPECT_EQ(server.RequestCount("a.com"), 1);
    EXPECT_EQ(server.RequestCount("b.com"), 0);
    EXPECT_EQ(server.RequestCount("d.com"), 1);
    EXPECT_EQ(rig.Dispatcher->NextRow(), 0);
    EXPECT_FALSE(probe.DispatcherTimerActive());
    EXPECT_FALSE(rig.Dispatcher->StopEnabled());
}

TEST(CheckDispatcherTest, WatchdogReplacesAnOverdueWorkerWithABeepAndTheCountUnchanged)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetReply("hang.com", {TBehaviour::NeverClose, "partial", 0});
    server.SetAnswer("quick.com", "No match for \"quick.com\".\r\n");
    std::uint64_t now = 1000;
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    TCheckOptions options;
    options.WatchdogBudgetMs = 150;
    options.Clock = [&now] { return now; };
    rig.Start(server.Port(), 10, 1, 1, options);
    rig.Generate({"hang.com", "quick.com"});
    int lowest = 99;
    QObject::connect(rig.Dispatcher.get(), &TCheckDispatcher::StatusChanged, [&] {
        if (rig.Dispatcher->NextRow() == 2)
            lowest = std::min(lowest, rig.Dispatcher->RunningCount());
    });
    rig.Dispatcher->StartAll();
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Slot("quick.com", SlotAvailability) == "YES"; }));
    // Each budget that runs out gives up one worker and starts another for the same row.
    for (int replaced = 1; replaced <= 2; ++replaced) {
        now += 151;
        ASSERT_TRUE(rig.WaitUntil([&] { return rig.Beeps == replaced; }));
        EXPECT_TRUE(rig.WaitUntil([&] { return server.RequestCount("hang.com") == replaced + 1; }));
    }
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 1);
    EXPECT_EQ(lowest, 1);
    EXPECT_NE(rig.Slot("hang.com", SlotStartTick), "");
    EXPECT_EQ(rig.Slot("hang.com", SlotAvailability), "");
    // The abandoned workers left their connections and ended without touching the row.
    ASSERT_TRUE(rig.WaitUntil([&] { return server.FinishedCount() >= 2; }));

    server.SetAnswer("hang.com", "No match for \"hang.com\".\r\n");
    now += 151;
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Finished; }));
    EXPECT_EQ(rig.Slot("hang.com", SlotAvailability), "YES");
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 0);
    ASSERT_TRUE(rig.Drain());
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 0);
}

// One thread, and a table whose first row's host never closes the connection: the hanging worker
// holds the only slot.
class HangingFirstRowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.SetReply("hang.com", {TBehaviour::NeverClose, "", 0});
        server.SetDefaultReply({TBehaviour::Answer, ShortTaken, 0});
        rig.WriteConfig(StandardConfig());
    }

    void StartOneThread(const TCheckOptions& options, int pause = 1)
    {
        rig.Start(server.Port(), 1, 1, pause, options);
        rig.Generate({"hang.com", "later.com"});
    }

    TFakeWhoisServer server{"127.0.0.1", 0};
    TCheckRig rig;
};

TEST_F(HangingFirstRowTest, WatchdogWaitsUntilEveryRowWasPassed)
{
    std::uint64_t now = 1000;
    TCheckOptions options;
    options.WatchdogBudgetMs = 50;
    options.Clock = [&now] { return now; };
    options.StatusIntervalMs = TCheckRig::ManualTicks;
    StartOneThread(options, TCheckRig::ManualTicks);
    TCheckDispatcherProbe probe(*rig.Dispatcher);
    rig.Dispatcher->StartAll();
    probe.DispatcherTick();
    ASSERT_EQ(rig.Dispatcher->RunningCount(), 1);
    // Long overdue, but the pass never reaches the last row, so nothing is replaced.
    now += 1000;
    for (int tick = 0; tick < 3; ++tick) {
        probe.DispatcherTick();
        probe.StatusTick();
    }
    EXPECT_EQ(rig.Beeps, 0);
    EXPECT_EQ(rig.Dispatcher->NextRow(), 1);
    rig.Dispatcher->Stop();
    probe.StatusTick();
    EXPECT_EQ(rig.Beeps, 0);
    // The hanging worker is still blocked; leave it to the rig's destructor through its abandonment.
    rig.Dispatcher.reset();
}

TEST_F(HangingFirstRowTest, CommandLineGivesUpARowAfterOneReplacement)
{
    std::uint64_t now = 1000;
    TCheckOptions options;
    options.WatchdogBudgetMs = 100;
    options.MaxReplacements = 1;
    options.WatchdogDuringPass = true;
    // The status timer runs, but only the test's clock makes a worker overdue.
    options.Clock = [&now] { return now; };
    // The watchdog cannot wait for the last row here.
    StartOneThread(options, TCheckRig::ManualTicks);
    TCheckDispatcherProbe probe(*rig.Dispatcher);
    rig.Dispatcher->StartAll();
    probe.DispatcherTick();
    ASSERT_TRUE(rig.WaitUntil([&] { return server.RequestCount("hang.com") == 1; }));
    now += 100;
    probe.StatusTick();
    EXPECT_EQ(rig.Beeps, 0);
    now += 1;
    probe.StatusTick();
    EXPECT_EQ(rig.Beeps, 1);
    // The replacement asks again and hangs as well; the next overdue tick gives the row up.
    ASSERT_TRUE(rig.WaitUntil([&] { return server.RequestCount("hang.com") == 2; }));
    EXPECT_EQ(rig.Slot("hang.com", SlotStartTick), std::to_string(now));
    now += 101;
    probe.StatusTick();
    EXPECT_EQ(rig.Beeps, 2);
    EXPECT_EQ(rig.Slot("hang.com", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(rig.Slot("hang.com", SlotStartTick), "");
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 0);

    probe.DispatcherTick();
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Slot("later.com", SlotAvailability) == "NO"; }));
    probe.DispatcherTick();
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Finished; }));
    EXPECT_EQ(rig.Beeps, 2);
    EXPECT_EQ(server.RequestCount("hang.com"), 2);
    EXPECT_EQ(server.RequestCount("later.com"), 1);
    EXPECT_EQ(rig.MaxRunning, 1);
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 0);
}

TEST(CheckDispatcherTest, AbandonedWorkerNeverWritesTheRowTheLogOrTheCount)
{
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(43);
    rig.Generate({"a.com"});
    auto worker = std::make_shared<TWorkerState>();
    worker->Row = rig.Model.IdAt(0);
    worker->Abandoned = true;
    TSyncSendResult result;
    result.Answer = "No match for \"a.com\".";
    result.RowIndex = rig.Model.IdAt(0);
    result.WhoisServer = "127.0.0.1";
    result.DomainName = "a.com";
    TCheckDispatcherProbe(*rig.Dispatcher).DeliverResult(worker, result);
    EXPECT_EQ(rig.Slot("a.com", SlotAvailability), "");
    EXPECT_EQ(rig.Model.AnswerLog()[0], "");
    TCheckDispatcherProbe(*rig.Dispatcher).WorkerEnded(worker);
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 0);

    // A worker that is not (or no longer) counted does not lower the count either.
    auto stranger = std::make_shared<TWorkerState>();
    stranger->Serial = 999;
    TCheckDispatcherProbe(*rig.Dispatcher).WorkerEnded(stranger);
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 0);
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

TEST(CheckDispatcherTest, APassKeepsTheOrderItStartedWith)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, ShortTaken, 20});
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port(), 1);
    rig.Generate({"a.com", "b.com", "c.com", "d.com", "e.com"});
    std::vector<int> order = {2, 0, 4, 1, 3};
    rig.Dispatcher->SetViewOrder([&] {
        std::vector<TRowId> ids;
        for (int row : order)
            ids.push_back(rig.Model.IdAt(row));
        return ids;
    });
    rig.Dispatcher->StartAll();
    ASSERT_TRUE(rig.WaitUntil([&] { return server.RequestCount("c.com") == 1; }));
    order = {4, 3, 2, 1, 0}; // the user re-sorts during the pass
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Finished; }));
    EXPECT_EQ(server.Requests(),
              (std::vector<std::string>{"c.com\r\n", "a.com\r\n", "e.com\r\n", "b.com\r\n", "d.com\r\n"}));
}

TEST(CheckDispatcherTest, CheckingErrorsAgainPassesOnlyTheErrorRowsInViewOrderAndTicksThem)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, ShortTaken, 0});
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port(), 1, 1, TCheckRig::ManualTicks);
    std::vector<std::string> names;
    for (int i = 0; i < 200; ++i)
        names.push_back("n" + std::to_string(i) + ".com");
    rig.Generate(names);
    for (const int row : {150, 7, 90})
        rig.Model.SetSlot(row, SlotAvailability, "RESULT ERROR");
    rig.Model.SetChecked(150, false);
    rig.Model.SetSlot(8, SlotAvailability, "YES");
    rig.Dispatcher->SetViewOrder([&] {
        std::vector<TRowId> ids;
        for (int row = rig.Model.RowCount() - 1; row >= 0; --row)
            ids.push_back(rig.Model.IdAt(row));
        return ids;
    });
    EXPECT_TRUE(rig.Dispatcher->CheckErrorsEnabled());
    EXPECT_EQ(rig.Dispatcher->CheckErrorsAgain(), 3);
    EXPECT_TRUE(rig.Model.Checked(150));
    EXPECT_EQ(rig.Dispatcher->TotalText(), "Current/Servers Total: 0/3");
    EXPECT_FALSE(rig.Dispatcher->CheckErrorsEnabled()); // a pass runs

    // Three rows, three dispatcher ticks: the pass does not walk the other 197 rows.
    TCheckDispatcherProbe probe(*rig.Dispatcher);
    for (int tick = 0; tick < 3; ++tick) {
        probe.DispatcherTick();
        ASSERT_TRUE(rig.WaitUntil([&] { return rig.Dispatcher->RunningCount() == 0; }));
    }
    EXPECT_EQ(rig.Dispatcher->NextRow(), 3);
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Finished; }));
    EXPECT_EQ(server.Requests(), (std::vector<std::string>{"n150.com\r\n", "n90.com\r\n", "n7.com\r\n"}));
    EXPECT_EQ(rig.Model.ResultCount(TRowResult::Error), 0);
    EXPECT_EQ(rig.Model.ResultCount(TRowResult::Registered), 3);
    EXPECT_FALSE(rig.Dispatcher->CheckErrorsEnabled()); // nothing left in error

    // "Check domains" afterwards walks the whole table again.
    rig.Dispatcher->StartAll();
    EXPECT_EQ(rig.Dispatcher->TotalText(), "Current/Servers Total: 0/200");
    rig.Dispatcher->Stop();
}

TEST(CheckDispatcherTest, ResultsOfARegeneratedTableAreDroppedAndThePassStops)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, ShortTaken, 0});
    server.HoldReplies();
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port(), 2);
    rig.Generate({"old1.com", "old2.com", "old3.com"});
    rig.Dispatcher->StartAll();
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Dispatcher->RunningCount() == 2; }));
    rig.Model.Clear();
    rig.Generate({"new1.com", "new2.com"});
    EXPECT_TRUE(rig.Dispatcher->StopRequested());
    server.ReleaseReplies();
    ASSERT_TRUE(rig.Drain());
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 0);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(rig.Model.Slot(row, SlotAvailability), "");
        EXPECT_EQ(rig.Model.Slot(row, SlotStartTick), "");
    }
    EXPECT_EQ(rig.Model.AnswerLog(), (std::vector<std::string>{"", ""}));
}

TEST(CheckDispatcherTest, NewPassCountsTheWorkersOfAStoppedOne)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, ShortTaken, 0});
    server.HoldReplies();
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port(), 3);
    rig.Generate({"a.com", "b.com", "c.com", "d.com"});
    rig.Dispatcher->StartAll();
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Dispatcher->RunningCount() == 3; }));
    rig.Dispatcher->Stop();
    rig.Dispatcher->StartAll();
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 3);
    int lowest = 3;
    QObject::connect(rig.Dispatcher.get(), &TCheckDispatcher::StatusChanged,
                     [&] { lowest = std::min(lowest, rig.Dispatcher->RunningCount()); });
    server.ReleaseReplies();
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Finished; }));
    ASSERT_TRUE(rig.Drain());
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 0);
    EXPECT_GE(lowest, 0);
    EXPECT_LE(rig.MaxRunning, 3);
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

TEST(CheckDispatcherTest, UncheckedRowsCostATickButNoWorker)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, ShortTaken, 0});
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port(), 10, 1, TCheckRig::ManualTicks);
    rig.Generate({"a.com", "b.com", "c.com", "d.com"});
    rig.Model.SetChecked(1, false);
    rig.Model.SetChecked(3, false);
    bool modified = false;
    QObject::connect(rig.Dispatcher.get(), &TCheckDispatcher::ModifiedSet, [&] { modified = true; });
    TCheckDispatcherProbe probe(*rig.Dispatcher);
    rig.Dispatcher->StartAll();
    for (int tick = 1; tick <= 4; ++tick) {
        probe.DispatcherTick();
        EXPECT_EQ(rig.Dispatcher->NextRow(), tick);
    }
    probe.DispatcherTick();
    EXPECT_EQ(rig.Dispatcher->PassState(), TCheckDispatcher::TPassState::Draining);
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Finished; }));
    EXPECT_TRUE(modified);
    EXPECT_EQ(server.ConnectionCount(), 2);
    EXPECT_EQ(rig.Slot("b.com", SlotAvailability), "");
    EXPECT_EQ(rig.Slot("a.com", SlotAvailability), "NO");
    EXPECT_EQ(rig.Dispatcher->NextRow(), 4);
    EXPECT_EQ(rig.Dispatcher->TotalText(), "Current/Servers Total: 4/4");
    EXPECT_EQ(rig.Dispatcher->ThreadsText(), "Threads: 0");
    EXPECT_TRUE(rig.Dispatcher->StartAllEnabled());
    EXPECT_FALSE(rig.Dispatcher->StopEnabled());
}

TEST(CheckDispatcherTest, PauseZeroOrNoThreadsNeverStartsAnything)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    for (const auto& [threads, pause] : {std::pair{10, 0}, std::pair{0, 1}}) {
        TCheckRig rig;
        rig.WriteConfig(StandardConfig());
        rig.Start(server.Port(), threads, 1, pause);
        rig.Generate({"a.com"});
        TCheckDispatcherProbe probe(*rig.Dispatcher);
        rig.Dispatcher->StartAll();
        if (pause == 0) {
            EXPECT_FALSE(probe.DispatcherTimerActive());
        } else {
            probe.DispatcherTick();
            probe.StatusTick();
        }
        EXPECT_EQ(rig.Dispatcher->NextRow(), 0);
        EXPECT_FALSE(rig.Finished);
        EXPECT_FALSE(rig.Dispatcher->StartAllEnabled());
        rig.Dispatcher->Stop();
    }
    EXPECT_EQ(server.ConnectionCount(), 0);
}

TEST(CheckDispatcherTest, EmptyTableEndsThePassAtOnce)
{
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(43);
    ASSERT_TRUE(rig.RunPass(2000));
    EXPECT_EQ(rig.Dispatcher->ProgressMaximum(), 0);
    EXPECT_TRUE(rig.Dispatcher->StartAllEnabled());
}

TEST(CheckDispatcherTest, ThreadLimitRaisedMidPassHoldsFromTheNextTick)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, ShortTaken, 0});
    server.HoldReplies();
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port(), 1, 1, TCheckRig::ManualTicks);
    rig.Generate({"a.com", "b.com", "c.com"});
    TCheckDispatcherProbe probe(*rig.Dispatcher);
    rig.Dispatcher->StartAll();
    probe.DispatcherTick();
    probe.DispatcherTick();
    EXPECT_EQ(rig.Dispatcher->NextRow(), 1);

    TEngineSettings settings = rig.Dispatcher->Settings();
    settings.ThreadLimit = 3;
    rig.Dispatcher->LoadSettings(settings);
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 1);
    probe.DispatcherTick();
    EXPECT_EQ(rig.Dispatcher->NextRow(), 2);
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 2);
    server.ReleaseReplies();
}

TEST(CheckDispatcherTest, CheckSelectedFreezesTheProgressForTheRestOfThePass)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, ShortTaken, 0});
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    TCheckOptions options;
    options.StatusIntervalMs = TCheckRig::ManualTicks;
    rig.Start(server.Port(), 10, 1, TCheckRig::ManualTicks, options);
    rig.Generate({"a.com", "b.com", "c.com", "d.com"});
    TCheckDispatcherProbe probe(*rig.Dispatcher);
    const auto tickAndSettle = [&] {
        probe.DispatcherTick();
        ASSERT_TRUE(rig.Drain());
        probe.StatusTick();
    };
    rig.Dispatcher->StartAll();
    tickAndSettle();
    EXPECT_EQ(rig.Dispatcher->ProgressPosition(), 1);

    rig.Dispatcher->CheckSelected(rig.Model.IdAt(3));
    ASSERT_TRUE(rig.Drain());
    tickAndSettle();
    tickAndSettle();
    EXPECT_EQ(rig.Dispatcher->NextRow(), 3);
    EXPECT_EQ(rig.Dispatcher->ProgressPosition(), 1);
    EXPECT_TRUE(rig.Dispatcher->ProgressFrozen());

    rig.Dispatcher->StartAll();
    tickAndSettle();
    EXPECT_EQ(rig.Dispatcher->ProgressPosition(), 1);
    tickAndSettle();
    EXPECT_EQ(rig.Dispatcher->ProgressPosition(), 2);
}

// Three workers on a host that holds its replies, all overdue at once on a clock the test moves.
TEST(CheckDispatcherTest, CommandLineGivesUpEveryOverdueRowInOneTick)
{
    for (const bool everyRow : {false, true}) {
        TFakeWhoisServer server("127.0.0.1", 0);
        server.HoldReplies();
        std::uint64_t now = 1000;
        TCheckRig rig;
        rig.WriteConfig(StandardConfig());
        TCheckOptions options;
        options.WatchdogBudgetMs = 100;
        options.MaxReplacements = 0;
        options.WatchdogDuringPass = true;
        options.EveryOverdueRowPerTick = everyRow;
        options.Clock = [&now] { return now; };
        options.StatusIntervalMs = TCheckRig::ManualTicks;
        rig.Start(server.Port(), 10, 1, TCheckRig::ManualTicks, options);
        rig.Generate({"a.com", "b.com", "c.com"});
        TCheckDispatcherProbe probe(*rig.Dispatcher);
        rig.Dispatcher->StartAll();
        for (int tick = 0; tick < 3; ++tick)
            probe.DispatcherTick();
        now += 101;
        probe.StatusTick();
        EXPECT_EQ(rig.Beeps, everyRow ? 3 : 1) << everyRow;
        EXPECT_EQ(rig.Dispatcher->RunningCount(), everyRow ? 0 : 2) << everyRow;
        EXPECT_EQ(rig.Slot("a.com", SlotAvailability), "RESULT ERROR");
        EXPECT_EQ(rig.Slot("c.com", SlotAvailability), everyRow ? "RESULT ERROR" : "") << everyRow;
        server.ReleaseReplies();
    }
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

TEST(CheckDispatcherTest, AThreadThatCannotBeMadeFailsItsRowOnly)
{
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    TCheckOptions options;
    options.ThreadStarter = [](std::function<void()>) {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    };
    rig.Start(43, 10, 1, TCheckRig::ManualTicks, options);
    rig.Generate({"a.com"});
    TCheckDispatcherProbe probe(*rig.Dispatcher);
    rig.Dispatcher->StartAll();
    probe.DispatcherTick();
    EXPECT_EQ(rig.Slot("a.com", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(rig.Slot("a.com", SlotStartTick), "");
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 0);
    EXPECT_EQ(rig.Dispatcher->LiveWorkerThreads(), 0);
    EXPECT_EQ(rig.Results, 1);
}

TEST(CheckDispatcherTest, AFailureDuringTheHandOverEndsOnlyThatWorker)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, ShortTaken, 0});
    TCheckRig rig;
    rig.WriteConfig(StandardConfig());
    rig.Start(server.Port(), 1);
    rig.Generate({"a.com", "b.com"});
    QObject::connect(rig.Dispatcher.get(), &TCheckDispatcher::ResultApplied, [&](TRowId row) {
        if (row == rig.Model.IdAt(0))
            throw std::runtime_error("failure inside the hand-over");
    });
    // The failure goes back to the worker, which still sends its end notice: the count falls and
    // the next row gets its thread.
    ASSERT_TRUE(rig.RunPass());
    EXPECT_EQ(rig.Slot("b.com", SlotAvailability), "NO");
    ASSERT_TRUE(rig.Drain());
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 0);
}

// The registry on 127.0.0.1 takes one query a second from us.
std::string PacedConfig()
{
    std::string config = StandardConfig();
    const std::string section = "[127.0.0.1]\n";
    return config.insert(config.find(section) + section.size(), "min_interval=1000\n");
}

// Starts `rig` on the paced configuration with hand-driven ticks and `now` as its clock.
TCheckDispatcherProbe StartPaced(TCheckRig& rig, int port, int threads, std::uint64_t& now,
                                 const std::vector<std::string>& names)
{
    rig.WriteConfig(PacedConfig());
    TCheckOptions options;
    options.Clock = [&now] { return now; };
    rig.Start(port, threads, 1, TCheckRig::ManualTicks, options);
    rig.Generate(names);
    return TCheckDispatcherProbe(*rig.Dispatcher);
}

// A host with min_interval gets one query per interval; its other rows wait without a thread
// while the pass goes on with other hosts, then come back, each checked exactly once.
TEST(CheckDispatcherTest, RowsOfAPacedHostWaitWithoutAWorkerWhileOtherHostsGoOn)
{
    TServerPair hosts;
    hosts.First->HoldReplies();
    hosts.Second->HoldReplies();
    TCheckRig rig;
    std::uint64_t now = 50000;
    TCheckDispatcherProbe probe =
        StartPaced(rig, hosts.First->Port(), 10, now, {"a1.com", "a2.com", "b1.net", "a3.com", "b2.net"});
    const auto started = [&] {
        std::string rows;
        for (const char* name : {"a1.com", "a2.com", "b1.net", "a3.com", "b2.net"})
            rows += rig.Slot(name, SlotStartTick).empty() ? '-' : 'x';
        return rows;
    };
    rig.Dispatcher->StartAll();
    const std::vector<std::string> afterEachTick = {"x----", "x----", "x-x--", "x-x--", "x-x-x", "x-x-x"};
    for (const std::string& expected : afterEachTick) {
        probe.DispatcherTick();
        EXPECT_EQ(started(), expected);
    }
    EXPECT_EQ(rig.Dispatcher->WaitingCount(), 2);
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 3);
    // Every row was looked at, but the pass is not over while two of them wait.
    EXPECT_EQ(rig.Dispatcher->NextRow(), 5);
    EXPECT_EQ(rig.Dispatcher->PassState(), TCheckDispatcher::TPassState::Passing);
    probe.StatusTick();
    EXPECT_EQ(rig.Dispatcher->ProgressPosition(), 0);

    now += 999;
    probe.DispatcherTick();
    EXPECT_EQ(started(), "x-x-x");
    now += 1;
    probe.DispatcherTick();
    probe.DispatcherTick();
    EXPECT_EQ(started(), "xxx-x");
    EXPECT_EQ(rig.Slot("a2.com", SlotStartTick), std::to_string(now));
    now += 1000;
    probe.DispatcherTick();
    EXPECT_EQ(started(), "xxxxx");
    probe.DispatcherTick();
    EXPECT_EQ(rig.Dispatcher->PassState(), TCheckDispatcher::TPassState::Draining);

    hosts.First->ReleaseReplies();
    hosts.Second->ReleaseReplies();
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Finished; }));
    for (const char* name : {"a1.com", "a2.com", "a3.com"})
        EXPECT_EQ(hosts.First->RequestCount(name), 1) << name;
    for (const char* name : {"b1.net", "b2.net"})
        EXPECT_EQ(hosts.Second->RequestCount(name), 1) << name;
}

// A waiting row starts the moment its host is due rather than at the next dispatcher tick, one
// row per host and interval; while every worker slot is taken it waits for a worker to end.
TEST(CheckDispatcherTest, AWaitingRowStartsWhenItsHostIsDueAndASlotIsFree)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.HoldReplies();
    TCheckRig rig;
    std::uint64_t now = 50000;
    TCheckDispatcherProbe probe = StartPaced(rig, server.Port(), 2, now, {"a1.com", "a2.com", "a3.com"});
    rig.Dispatcher->StartAll();
    EXPECT_EQ(probe.PacingTimerDelay(), -1);
    for (int tick = 0; tick < 3; ++tick)
        probe.DispatcherTick();
    EXPECT_EQ(rig.Dispatcher->WaitingCount(), 2);
    EXPECT_EQ(probe.PacingTimerDelay(), 1000);

    now += 400;
    probe.PacingTick();
    EXPECT_EQ(rig.Slot("a2.com", SlotStartTick), "");
    EXPECT_EQ(probe.PacingTimerDelay(), 600);
    now += 600;
    probe.PacingTick();
    EXPECT_EQ(rig.Slot("a2.com", SlotStartTick), std::to_string(now));
    EXPECT_EQ(rig.Slot("a3.com", SlotStartTick), "");
    // Both slots are taken: the timer stays off however long a3's host has been due.
    EXPECT_EQ(rig.Dispatcher->RunningCount(), 2);
    EXPECT_EQ(probe.PacingTimerDelay(), -1);
    now += 5000;
    probe.PacingTick();
    EXPECT_EQ(rig.Slot("a3.com", SlotStartTick), "");

    // The first answers end their workers; a3 starts on that, without a dispatcher tick.
    server.ReleaseReplies();
    ASSERT_TRUE(rig.WaitUntil([&] { return !rig.Slot("a3.com", SlotStartTick).empty(); }));
    EXPECT_EQ(rig.Slot("a3.com", SlotStartTick), std::to_string(now));
    EXPECT_EQ(rig.Dispatcher->WaitingCount(), 0);
    probe.DispatcherTick();
    ASSERT_TRUE(rig.WaitUntil([&] { return rig.Finished; }));
    for (const char* name : {"a1.com", "a2.com", "a3.com"})
        EXPECT_EQ(server.RequestCount(name), 1) << name;
}

TEST(CheckDispatcherTest, StopDropsTheWaitingRowsAndPacedHostsAreNamedByTheirHost)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.HoldReplies();
    TCheckRig rig;
    std::uint64_t now = 50000;
    TCheckDispatcherProbe probe = StartPaced(rig, server.Port(), 10, now, {"a1.com", "a2.com"});
    rig.Dispatcher->StartAll();
    probe.DispatcherTick();
    probe.DispatcherTick();
    EXPECT_EQ(rig.Dispatcher->WaitingCount(), 1);
    rig.Dispatcher->Stop();
    EXPECT_EQ(rig.Dispatcher->WaitingCount(), 0);
    now += 5000;
    probe.DispatcherTick();
    EXPECT_EQ(rig.Slot("a2.com", SlotStartTick), "");
    server.ReleaseReplies();
    ASSERT_TRUE(rig.Drain());
    EXPECT_EQ(server.RequestCount("a2.com"), 0);

    EXPECT_EQ(TCheckDispatcher::PacedHost("whois.nic.example"), "whois.nic.example");
    EXPECT_EQ(TCheckDispatcher::PacedHost("HTTPS://user@RDAP.Example.test:8443/com/v1/"), "rdap.example.test");
    EXPECT_EQ(TCheckDispatcher::PacedHost("https://rdap.example.test"), "rdap.example.test");
}

} // namespace
