#include "CheckRig.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

// How a worker deals with answers that are no answers: refusals and throttle pages, answers cut
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

// Back-offs are recorded, not slept: the test decides time, not the clock.
struct TBackOffLog
{
    std::mutex Lock;
    std::vector<int> Waits;
    TBackOffWait Hook()
    {
        return [this](int ms) {
            std::lock_guard guard(Lock);
            Waits.push_back(ms);
        };
    }
};

// One pass over `names` at the host on `port`, `threads` at a time, with the back-offs recorded.
void RunPass(TCheckRig& rig, int port, const std::string& limits, int threads, int attempts,
             const std::vector<std::string>& names, TBackOffLog& backOffs)
{
    rig.WriteConfig(Config(limits));
    TCheckOptions options;
    options.BackOff = backOffs.Hook();
    rig.Start(port, threads, attempts, 1, options);
    rig.Generate(names);
    ASSERT_TRUE(rig.RunPass());
}

TEST(WorkerRetryTest, RefusedAnswersAreRetriedAfterABackOffAndNeverReadAsAVerdict)
{
    const std::string throttle = "Query rate limit exceeded, try again later\r\n";
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, throttle, 0});
    server.SetReplies("later.com", {{TBehaviour::Answer, throttle, 0},
                                    {TBehaviour::Answer, throttle, 0},
                                    {TBehaviour::Answer, Free("later.com"), 0}});
    // The page of a throttling registry that also carries the free phrase.
    server.SetAnswer("trap.com", "%% Rate limit reached\r\n" + Free("trap.com"));
    server.SetAnswer("short.com", "%% busy\r\n");
    TCheckRig rig;
    TBackOffLog backOffs;
    RunPass(rig, server.Port(), "RATE LIMIT|quota exceeded", 1, 3, {"always.com", "later.com", "trap.com", "short.com"},
            backOffs);

    EXPECT_EQ(rig.Slot("always.com", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(server.RequestCount("always.com"), 3);
    EXPECT_NE(rig.Answer("always.com").find(throttle), std::string::npos);
    EXPECT_EQ(rig.Slot("later.com", SlotAvailability), "YES");
    EXPECT_EQ(rig.Answer("later.com"), Free("later.com") + "\r\n" + Dashes);
    EXPECT_EQ(rig.Slot("trap.com", SlotAvailability), "RESULT ERROR");
    // A short text in words no table knows is no refusal but no verdict either: asking again would
    // bring the same text.
    EXPECT_EQ(rig.Slot("short.com", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(server.RequestCount("short.com"), 1);
    EXPECT_EQ(rig.Answer("short.com")
                  .rfind("No verdict: The answer holds neither a not-found text nor a registration "
                         "field.\r\n%% busy",
                         0),
              0u);
    // One row at a time: each refused attempt but the last waits, longer each time.
    EXPECT_EQ(backOffs.Waits, (std::vector<int>{1000, 2000, 1000, 2000, 1000, 2000}));
}

TEST(WorkerRetryTest, ARetryToAPacedHostWaitsAtLeastItsInterval)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TBehaviour::Answer, "Query rate limit exceeded\r\n", 0});
    TCheckRig rig;
    TBackOffLog backOffs;
    RunPass(rig, server.Port(), "rate limit\nmin_interval=3000", 1, 4, {"paced.com"}, backOffs);
    EXPECT_EQ(rig.Slot("paced.com", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(backOffs.Waits, (std::vector<int>{3000, 3000, 4000}));
}

TEST(WorkerRetryTest, CutOrDroppedConnectionsAreFailedAttempts)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    // The part before the reset lacks the free phrase: read whole, it would say "NO".
    const TReply cut{TBehaviour::PartThenReset, "   Domain Name: X.COM\r\n   Regis", 0};
    server.SetReplies("cut.com", {cut, {TBehaviour::Answer, Free("cut.com"), 0}});
    server.SetReply("allcut.com", cut);
    server.SetReplies("dropped.com", {{TBehaviour::CloseAtOnce, "", 0}, {TBehaviour::Answer, Free("dropped.com"), 0}});
    TCheckRig rig;
    TBackOffLog backOffs;
    RunPass(rig, server.Port(), "", 3, 3, {"cut.com", "allcut.com", "dropped.com"}, backOffs);

    EXPECT_EQ(rig.Slot("cut.com", SlotAvailability), "YES");
    EXPECT_EQ(server.RequestCount("cut.com"), 2);
    EXPECT_EQ(rig.Slot("allcut.com", SlotAvailability), "RESULT ERROR");
    EXPECT_EQ(server.RequestCount("allcut.com"), 3);
    EXPECT_NE(rig.Answer("allcut.com").find("broke off"), std::string::npos);
    EXPECT_EQ(rig.Slot("dropped.com", SlotAvailability), "YES");
    EXPECT_EQ(server.RequestCount("dropped.com"), 2);
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
