#include "CheckAnswers.h"
#include "CheckDispatcherProbe.h"
#include "CheckRig.h"

#include "engine/WhoisThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <system_error>

// Workers that hang or fail: the watchdog, abandoned workers, threads that cannot start.
namespace {

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
    EXPECT_EQ(rig.Answer("hang.com"), "gave up after 0.1 s");
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
    result.Verdict = TRowResult::Available;
    result.LogEntry = "No match for \"a.com\".";
    result.RowIndex = rig.Model.IdAt(0);
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
        // Given up at the first overdue tick, the entry saying why.
        EXPECT_EQ(rig.Answer("a.com"), "gave up after 0.1 s");
        server.ReleaseReplies();
    }
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

} // namespace
