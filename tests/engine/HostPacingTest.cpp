#include "engine/HostPacing.h"

#include "rdap/RdapClient.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <string>

// The pacing of hosts by ticks: a clock the test moves, rests the test sets, a configuration file
// the test writes.
namespace {

constexpr std::uint64_t Never = std::numeric_limits<std::uint64_t>::max();

struct TPacingRig
{
    TTempDir Dir;
    std::string Config = Dir.Write("mvwhois.ini", "[slow.test]\nmin_interval=500\n[odd.test]\nmin_interval=-20\n");
    std::uint64_t Now = 10000;
    std::map<std::size_t, std::uint64_t> Rests;
    THostPacing Pacing{Config, [this] { return Now; },
                       [this](std::size_t proxy) { return Rests.count(proxy) ? Rests[proxy] : 0; }};
};

TPacingLane Lane(const std::string& host, std::size_t proxy = 0)
{
    return TPacingLane{proxy, host};
}

TEST(HostPacingTest, IntervalsAreReadOnceUntilReload)
{
    TPacingRig rig;
    EXPECT_EQ(rig.Pacing.IntervalOf("slow.test"), 500);
    EXPECT_EQ(rig.Pacing.IntervalOf("SLOW.test"), 500); // sections compare without case
    EXPECT_EQ(rig.Pacing.IntervalOf("odd.test"), 0);
    EXPECT_EQ(rig.Pacing.IntervalOf("other.test"), 0);
    EXPECT_EQ(rig.Pacing.IntervalOf(""), 0);
    rig.Dir.Write("mvwhois.ini", "[slow.test]\nmin_interval=900\n[other.test]\nmin_interval=30\n");
    EXPECT_EQ(rig.Pacing.IntervalOf("slow.test"), 500);
    EXPECT_EQ(rig.Pacing.IntervalOf("other.test"), 0);
    rig.Pacing.Reload();
    EXPECT_EQ(rig.Pacing.IntervalOf("slow.test"), 900);
    EXPECT_EQ(rig.Pacing.IntervalOf("other.test"), 30);
}

TEST(HostPacingTest, ALaneIsDueOneIntervalAfterItsLastStartAndAfterItsProxysRest)
{
    TPacingRig rig;
    EXPECT_TRUE(rig.Pacing.Due(Lane("slow.test"), 500));
    rig.Pacing.Started(1, Lane("slow.test"), false);
    EXPECT_EQ(rig.Pacing.DueAt(Lane("slow.test"), 500), 10500u);
    rig.Now = 10499;
    EXPECT_FALSE(rig.Pacing.Due(Lane("slow.test"), 500));
    rig.Now = 10500;
    EXPECT_TRUE(rig.Pacing.Due(Lane("slow.test"), 500));
    // Each way out has its own pace to the host; a host without an interval is always due.
    EXPECT_EQ(rig.Pacing.DueAt(Lane("slow.test", 1), 500), 0u);
    EXPECT_EQ(rig.Pacing.DueAt(Lane("slow.test"), 0), 0u);
    // A resting proxy holds every lane through it, interval or not.
    rig.Rests[0] = 20000;
    EXPECT_EQ(rig.Pacing.DueAt(Lane("slow.test"), 500), 20000u);
    EXPECT_EQ(rig.Pacing.DueAt(Lane("fast.test"), 0), 20000u);
    rig.Rests[0] = 10100;
    EXPECT_EQ(rig.Pacing.DueAt(Lane("slow.test"), 500), 10500u);
    // A refused check makes its lane wait the grown interval (500 x 1.25) from the refusal, not
    // from the check's start.
    rig.Pacing.Started(2, Lane("slow.test"), false);
    rig.Now = 10600;
    rig.Pacing.Refused(2);
    EXPECT_EQ(rig.Pacing.DueAt(Lane("slow.test"), 500), 11225u);
}

// A host limits each source address alike: the first refusal through one proxy starts the other
// proxies to that host at the pace it taught (the refused one waits it out from the refusal, the
// others from their last start) and leaves other hosts be.
TEST(HostPacingTest, ARefusalThroughOneProxyTeachesTheOthersToTheSameHost)
{
    TPacingRig rig;
    rig.Pacing.SetWays({"direct", "socks5://127.0.0.1:1080", "socks5://127.0.0.1:1081"}, 5);
    for (std::uint64_t serial = 1; serial <= 3; ++serial)
        rig.Pacing.Started(serial, Lane("busy.test", serial - 1), false);
    rig.Pacing.Started(4, Lane("calm.test", 1), false);
    rig.Now += 20;
    rig.Pacing.Refused(1);
    for (std::size_t proxy = 0; proxy < 3; ++proxy)
        EXPECT_EQ(rig.Pacing.LaneIntervalMs(Lane("busy.test", proxy), 0), TLearntPace::FirstRefusalMs) << proxy;
    EXPECT_EQ(rig.Pacing.DueAt(Lane("busy.test"), 0), rig.Now + TLearntPace::FirstRefusalMs);
    EXPECT_EQ(rig.Pacing.DueAt(Lane("busy.test", 2), 0), rig.Now - 20 + TLearntPace::FirstRefusalMs);
    EXPECT_EQ(rig.Pacing.LaneIntervalMs(Lane("calm.test", 1), 0), 0);
    // The second proxy's query, sent before, is refused too: no further growth anywhere.
    rig.Pacing.Refused(2);
    EXPECT_EQ(rig.Pacing.LaneIntervalMs(Lane("busy.test", 1), 0), TLearntPace::FirstRefusalMs);
}

TEST(HostPacingTest, ARowPassedNowQueuesBehindTheRowsWaitingInItsLane)
{
    TPacingRig rig;
    rig.Pacing.Started(1, Lane("slow.test"), false);
    EXPECT_EQ(rig.Pacing.FreeAt(Lane("slow.test"), 500), 10500u);
    rig.Pacing.Wait(2, Lane("slow.test"), 500);
    rig.Pacing.Wait(3, Lane("slow.test"), 500);
    EXPECT_EQ(rig.Pacing.FreeAt(Lane("slow.test"), 500), 11500u);
    // A lane due in the past frees now, not then.
    rig.Now = 30000;
    EXPECT_EQ(rig.Pacing.FreeAt(Lane("slow.test"), 500), 31000u);
    EXPECT_EQ(rig.Pacing.FreeAt(Lane("slow.test", 1), 500), 30000u);
}

TEST(HostPacingTest, WaitingRowsLeaveWhenTheirLaneIsDueInTheOrderTheyWerePassed)
{
    TPacingRig rig;
    rig.Pacing.Started(1, Lane("slow.test"), false);
    rig.Pacing.Started(2, Lane("mid.test"), false);
    rig.Pacing.Wait(10, Lane("slow.test"), 500);
    rig.Pacing.Wait(11, Lane("mid.test"), 200);
    rig.Pacing.Wait(12, Lane("slow.test"), 500);
    EXPECT_EQ(rig.Pacing.WaitingCount(), 3);
    EXPECT_EQ(rig.Pacing.NextDueTick(), 10200u);
    EXPECT_FALSE(rig.Pacing.TakeDue());
    rig.Now = 10200;
    EXPECT_EQ(rig.Pacing.TakeDue()->first, 11u);
    EXPECT_FALSE(rig.Pacing.TakeDue());
    rig.Now = 10500;
    const auto due = rig.Pacing.TakeDue();
    ASSERT_TRUE(due);
    EXPECT_EQ(due->first, 10u);
    EXPECT_EQ(due->second, Lane("slow.test"));
    // The lane's next row is due again only an interval after the start it makes.
    rig.Pacing.Started(3, due->second, false);
    EXPECT_FALSE(rig.Pacing.TakeDue());
    EXPECT_EQ(rig.Pacing.NextDueTick(), 11000u);
    rig.Pacing.ClearWaiting();
    EXPECT_TRUE(rig.Pacing.NoneWaiting());
    EXPECT_EQ(rig.Pacing.NextDueTick(), Never);
}

TEST(HostPacingTest, AFullRdapHostOrWhoisLaneWaitsForAnEndNotATick)
{
    TPacingRig rig;
    const TPacingLane rdap = Lane("rdap.test");
    for (std::uint64_t serial = 1; serial < TRdapClient::ConnectionsPerHost; ++serial)
        rig.Pacing.Started(serial, rdap, true);
    // WHOIS checks of the host take no slot.
    rig.Pacing.Started(100, rdap, false);
    EXPECT_FALSE(rig.Pacing.HostFull("rdap.test"));
    rig.Pacing.Started(TRdapClient::ConnectionsPerHost, Lane("rdap.test", 1), true);
    // The slots are the host's, whichever proxy its checks go through.
    EXPECT_TRUE(rig.Pacing.HostFull("rdap.test"));
    EXPECT_EQ(rig.Pacing.DueAt(rdap, 0), Never);
    EXPECT_EQ(rig.Pacing.FreeAt(Lane("rdap.test", 2), 0), Never);
    rig.Pacing.Wait(50, rdap, 0);
    EXPECT_EQ(rig.Pacing.NextDueTick(), Never);
    EXPECT_FALSE(rig.Pacing.TakeDue());

    rig.Pacing.Release(100); // holds no slot
    rig.Pacing.Release(999);
    EXPECT_TRUE(rig.Pacing.HostFull("rdap.test"));
    rig.Pacing.Release(3);
    rig.Pacing.Release(3); // a second release of the same check frees nothing more
    EXPECT_FALSE(rig.Pacing.HostFull("rdap.test"));
    rig.Pacing.Started(200, rdap, true);
    EXPECT_TRUE(rig.Pacing.HostFull("rdap.test"));
    rig.Pacing.Release(200);
    EXPECT_EQ(rig.Pacing.TakeDue()->first, 50u);

    // A WHOIS lane holds MaxChecksPerLane checks; other ways out to the host are not held by them.
    const TPacingLane whois = Lane("whois.test");
    for (std::uint64_t serial = 301; serial < 301 + THostPacing::MaxChecksPerLane - 1; ++serial)
        rig.Pacing.Started(serial, whois, false);
    EXPECT_NE(rig.Pacing.DueAt(whois, 0), Never);
    rig.Pacing.Started(300, whois, false);
    EXPECT_EQ(rig.Pacing.DueAt(whois, 0), Never);
    EXPECT_NE(rig.Pacing.DueAt(Lane("whois.test", 1), 0), Never);
    rig.Pacing.Release(300);
    EXPECT_NE(rig.Pacing.DueAt(whois, 0), Never);
}

} // namespace
