#include "CheckDispatcherProbe.h"
#include "CheckRig.h"
#include "DrivenPass.h"
#include "engine/LearntPace.h"
#include "engine/PaceFile.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

// How a check deals with answers that are no answers: refusals and throttle pages, answers cut
// short by a reset, connections dropped at once, and a registrar host that never answers.
namespace {

using TBehaviour = TFakeWhoisServer::TBehaviour;
using TReply = TFakeWhoisServer::TReply;

const std::string Dashes(69, '-');

std::string Config(const std::string& limits)
{
    return "[TLD]\ncom=127.0.0.1\n"
           "[127.0.0.1]\n"
           "not_found_strings=No match for \"%DOMAIN%\".\n"
           "registrar_string=Registrar:\n"
           "whois_server_string=Registrar WHOIS Server:\n"
           "expires_string=Registry Expiry Date:\n"
           "limit_strings=" +
           limits + "\n";
}

std::string Free(const std::string& domain)
{
    return "No match for \"" + domain + "\".\r\n";
}

const std::string Taken = "   Domain Name: X.COM\r\n   Registrar: Reg\r\n";

// A refused answer says nothing about the name: the row goes back to its host's queue and is
// asked again once the host's learnt pace allows, without using up an attempt, and a row the host
// keeps refusing ends "RESULT ERROR" after TCheckDispatcher::MaxRefusals refusals.
TEST(WorkerRetryTest, RefusedRowsAreAskedAgainWithoutUsingAttemptsUntilTheHostKeepsRefusing)
{
    const std::string throttle = "Query rate limit exceeded, try again later\r\n";
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetReplies("later.com", {{TBehaviour::Answer, throttle, 0},
                                    {TBehaviour::Answer, throttle, 0},
                                    {TBehaviour::Answer, Free("later.com"), 0}});
    // The page of a throttling registry that also carries the free phrase.
    server.SetAnswer("trap.com", "%% Rate limit reached\r\n" + Free("trap.com"));
    server.SetAnswer("short.com", "%% busy\r\n");
    // Closed without a word, then an answer.
    server.SetReplies("dropped.com", {{TBehaviour::CloseAtOnce, "", 0}, {TBehaviour::Answer, Free("dropped.com"), 0}});
    TCheckRig rig;
    std::uint64_t now = 100000;
    StartDriven(rig, server.Port(), Config("RATE LIMIT|quota exceeded"), 2, 1, now,
                {"later.com", "trap.com", "short.com", "dropped.com"});
    TDrivenPass pass{rig, now, {}};
    ASSERT_TRUE(pass.Run());

    EXPECT_EQ(rig.Slot("later.com", SlotAvailability), "YES");
    EXPECT_EQ(server.RequestCount("later.com"), 3);
    EXPECT_EQ(rig.Answer("later.com"), Free("later.com") + "\r\n" + Dashes);
    // A short text in words no table knows is no refusal but no verdict either: asking again would
    // bring the same text.
    EXPECT_EQ(rig.Slot("short.com", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(server.RequestCount("short.com"), 1);
    EXPECT_EQ(
        rig.Answer("short.com")
            .rfind("No verdict: The answer holds neither a not-found text nor a registration field.\r\n%% busy", 0),
        0u);
    EXPECT_EQ(rig.Slot("dropped.com", SlotAvailability), "YES");
    EXPECT_EQ(server.RequestCount("dropped.com"), 2);

    EXPECT_EQ(rig.Slot("trap.com", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(server.RequestCount("trap.com"), TCheckDispatcher::MaxRefusals);
    const std::string entry = rig.Answer("trap.com");
    EXPECT_EQ(entry.rfind("The host kept refusing (" + std::to_string(TCheckDispatcher::MaxRefusals) + " times in ", 0),
              0u)
        << entry;
    EXPECT_NE(entry.find("%% Rate limit reached"), std::string::npos) << "the host's last text is kept";
    // Each of trap.com's refusals was followed by a wait of at least the first refusal's interval.
    EXPECT_GE(pass.Starts.back() - pass.Starts.front(),
              static_cast<std::uint64_t>(TLearntPace::FirstRefusalMs) * (TCheckDispatcher::MaxRefusals - 1));
}

// A retry keeps to the host's pacing like a first query: min_interval bounds the learnt interval
// from below, and it counts from the refusal. Meanwhile the thread is free for other hosts.
TEST(WorkerRetryTest, ARetryWaitsOutTheHostsBackOffWhileOtherHostsGoOn)
{
    TServerPair hosts;
    hosts.First->SetReplies("paced.com", {{TBehaviour::Answer, "Query rate limit exceeded\r\n", 0},
                                          {TBehaviour::Answer, Free("paced.com"), 0}});
    hosts.Second->SetDefaultReply({TBehaviour::Answer, "No match for \"other.net\".\r\n", 0});
    std::string config = Config("rate limit\nmin_interval=3000");
    config += "[127.0.0.2]\nnot_found_strings=No match for \"%DOMAIN%\".\n";
    config.insert(config.find("com=127.0.0.1\n") + 14, "net=127.0.0.2\n");
    TCheckRig rig;
    std::uint64_t now = 100000;
    StartDriven(rig, hosts.First->Port(), config, 1, 1, now, {"paced.com", "other.net"});
    TDrivenPass pass{rig, now, {}};
    ASSERT_TRUE(pass.Run());

    EXPECT_EQ(rig.Slot("paced.com", SlotAvailability), "YES");
    EXPECT_EQ(rig.Slot("other.net", SlotAvailability), "YES");
    // paced.com at once, other.net on the next tick with one thread (the refused check held
    // it no longer than its query), paced.com again 3000 x 1.25 ms after its refusal.
    ASSERT_EQ(pass.Starts.size(), 3u);
    EXPECT_EQ(pass.Starts[1], pass.Starts[0]);
    EXPECT_EQ(pass.Starts[2] - pass.Starts[0], 3750u);
    EXPECT_EQ(hosts.Second->RequestCount("other.net"), 1);
}

// No more than TCheckDispatcher::MaxChecksPerLane checks run at once on one host through one way
// out, however many threads are free; the others wait without a worker.
TEST(WorkerRetryTest, ChecksRunningAtOnceOnOneHostAreCapped)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, Taken, 0});
    server.HoldReplies();
    TCheckRig rig;
    std::uint64_t now = 100000;
    std::vector<std::string> names;
    for (int i = 0; i < TCheckDispatcher::MaxChecksPerLane + 2; ++i)
        names.push_back("n" + std::to_string(i) + ".com");
    StartDriven(rig, server.Port(), Config(""), 50, 1, now, names);
    TCheckDispatcherProbe probe(*rig.Dispatcher);
    rig.Dispatcher->StartAll();
    for (std::size_t tick = 0; tick < names.size(); ++tick)
        probe.DispatcherTick();
    EXPECT_EQ(rig.Dispatcher->RunningCount(), TCheckDispatcher::MaxChecksPerLane);
    EXPECT_EQ(rig.Dispatcher->WaitingCount(), 2);
    server.ReleaseReplies();
    ASSERT_TRUE(rig.WaitUntil([&] {
        probe.StatusTick();
        return rig.Finished;
    }));
    for (const std::string& name : names)
        EXPECT_EQ(server.RequestCount(name), 1) << name;
}

// What was learnt outlives the dispatcher: the next one starts the host at that pace. A pace
// file that does not parse is set aside with a message, and the check goes on without it.
TEST(WorkerRetryTest, TheLearntPaceIsKeptInThePaceFileAndABadOneIsSetAside)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetReplies("a.com",
                      {{TBehaviour::Answer, "Query rate limit exceeded\r\n", 0}, {TBehaviour::Answer, Taken, 0}});
    server.SetDefaultReply({TBehaviour::Answer, Taken, 0});
    TCheckRig rig;
    std::uint64_t now = 100000;
    StartDriven(rig, server.Port(), Config("rate limit"), 5, 1, now, {"a.com"});
    TDrivenPass first{rig, now, {}};
    ASSERT_TRUE(first.Run());
    const std::string pace = rig.Dir.Read(TPaceFile::FileName);
    EXPECT_NE(pace.find("127.0.0.1\tdirect\t"), std::string::npos) << pace;

    // A new dispatcher: two rows of the host no longer start one tick after the other.
    rig.Generate({"b.com", "c.com"});
    StartDriven(rig, server.Port(), Config("rate limit"), 5, 1, now, {});
    TCheckDispatcherProbe probe(*rig.Dispatcher);
    rig.Dispatcher->StartAll();
    for (int tick = 0; tick < 3; ++tick)
        probe.DispatcherTick();
    EXPECT_EQ(rig.Dispatcher->WaitingCount(), 2);
    EXPECT_EQ(rig.Dispatcher->PaceNotice(), "");
    ASSERT_TRUE(rig.Drain());
    rig.Dispatcher.reset();

    rig.Dir.Write(TPaceFile::FileName, "not a pace file");
    StartDriven(rig, server.Port(), Config("rate limit"), 5, 1, now, {});
    EXPECT_NE(rig.Dispatcher->PaceNotice().find("set aside"), std::string::npos) << rig.Dispatcher->PaceNotice();
    EXPECT_EQ(rig.Dir.Read(std::string(TPaceFile::FileName) + TPaceFile::SetAsideSuffix), "not a pace file");
    TDrivenPass third{rig, now, {}};
    ASSERT_TRUE(third.Run());
    EXPECT_EQ(rig.Slot("c.com", SlotAvailability), "NO");
}

// An answer cut short by a reset is no answer either: it is asked again like a refused one.
TEST(WorkerRetryTest, AnswersCutShortAreAskedAgainLikeRefusedOnes)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    // The part before the reset lacks the free phrase: read whole, it would say "NO".
    const TReply cut{TBehaviour::PartThenReset, "   Domain Name: X.COM\r\n   Regis", 0};
    server.SetReplies("cut.com", {cut, {TBehaviour::Answer, Free("cut.com"), 0}});
    server.SetReply("allcut.com", cut);
    TCheckRig rig;
    std::uint64_t now = 100000;
    StartDriven(rig, server.Port(), Config(""), 3, 3, now, {"cut.com", "allcut.com"});
    TDrivenPass pass{rig, now, {}};
    ASSERT_TRUE(pass.Run());

    EXPECT_EQ(rig.Slot("cut.com", SlotAvailability), "YES");
    EXPECT_EQ(server.RequestCount("cut.com"), 2);
    EXPECT_EQ(rig.Slot("allcut.com", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(server.RequestCount("allcut.com"), TCheckDispatcher::MaxRefusals);
    EXPECT_NE(rig.Answer("allcut.com").find("broke off"), std::string::npos);
}

TEST(WorkerRetryTest, AReferralHostThatNeverAnswersLeavesTheRegistryAnswerToStand)
{
    TServerPair hosts;
    // The worker follows the fixed label, the row shows the configured one.
    const std::string registry = Taken + "   Registrar WHOIS Server: 127.0.0.2\r\n   Whois Server: 127.0.0.2\r\n";
    hosts.First->SetAnswer("hang.com", registry);
    hosts.Second->SetDefaultReply({TBehaviour::NeverClose, "", 0});
    TCheckRig rig;
    rig.WriteConfig(Config(""));
    TCheckOptions options;
    options.ReferralTimeoutMs = 300;
    rig.Start(hosts.First->Port(), 1, 2, 1, options);
    rig.Generate({"hang.com"});
    ASSERT_TRUE(rig.RunPass());

    EXPECT_EQ(hosts.Second->RequestCount("hang.com"), 1);
    EXPECT_EQ(rig.Slot("hang.com", SlotAvailability), "NO");
    EXPECT_EQ(rig.Slot("hang.com", SlotRegistrar), "Reg");
    EXPECT_EQ(rig.Slot("hang.com", SlotWhoisServer), "127.0.0.2");
    EXPECT_EQ(rig.Answer("hang.com"), registry + "\r\n" + Dashes);
    EXPECT_EQ(rig.Beeps, 0);
}

} // namespace
