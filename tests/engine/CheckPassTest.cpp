#include "CheckAnswers.h"
#include "CheckDispatcherProbe.h"
#include "CheckRig.h"

#include "engine/WhoisThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <system_error>

// How a pass goes: thread limits, stop, order, the table changing under it, pacing.
namespace {

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
    for (TFakeWhoisServer* host : {hosts.First.get(), hosts.Second.get()}) {
        host->SetDefaultReply({TBehaviour::Answer, ShortTaken, 0});
        host->HoldReplies();
    }
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
    // A row that only goes into its host's queue costs no tick: the next row is passed at once.
    const std::vector<std::string> afterEachTick = {"x----", "x-x--", "x-x-x", "x-x-x"};
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
    server.SetDefaultReply({TBehaviour::Answer, ShortTaken, 0});
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

    // The first answers end their workers; a3 starts on that, without a dispatcher tick. Its host
    // sees the query; a3's start tick is no witness, as its own answer may clear it again before
    // the test looks.
    server.ReleaseReplies();
    ASSERT_TRUE(rig.WaitUntil([&] { return server.RequestCount("a3.com") == 1; }));
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
    EXPECT_EQ(TCheckDispatcher::PacedHost("https://[::1]:8443/rdap/"), "[::1]");
    EXPECT_EQ(TCheckDispatcher::PacedHost("https://[::1]/rdap/"), "[::1]");
}

} // namespace
