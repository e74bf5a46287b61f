#include "engine/DnsStage.h"

#include <QCoreApplication>
#include <QObject>

#include <gtest/gtest.h>

#include <vector>

// The stage's bookkeeping, with verdicts handed in by the test: which rows it asks, how the pass
// skips the settled ones, and that stale or second verdicts change nothing. The asking itself (a
// thread and a resolver) is proved by the passes with "Ask DNS first".
namespace {

struct TStageRig
{
    QObject Context;
    TDnsStage Stage{Context, [](std::uint64_t, const TDnsVerdict&) {}};
};

TDnsVerdict Verdict(TRowId row, bool delegated)
{
    TDnsVerdict verdict;
    verdict.Row = row;
    verdict.Delegated = delegated;
    return verdict;
}

TEST(DnsStageTest, OnlyNamesARegistryWouldTakeAreAskedEachOnce)
{
    TStageRig rig;
    EXPECT_TRUE(rig.Stage.Add(1, "lantern.com"));
    EXPECT_TRUE(rig.Stage.Add(2, "straße.de"));
    EXPECT_FALSE(rig.Stage.Add(1, "lantern.com"));
    EXPECT_FALSE(rig.Stage.Add(3, "   "));
    EXPECT_FALSE(rig.Stage.Add(4, "-lead.com"));
    EXPECT_FALSE(rig.Stage.Add(5, "a..com"));
    EXPECT_EQ(rig.Stage.Asked(), 2);
    rig.Stage.Stop();
    EXPECT_EQ(rig.Stage.Asked(), 0);
    EXPECT_TRUE(rig.Stage.Add(1, "lantern.com"));
}

TEST(DnsStageTest, ThePassWaitsAtAPendingRowAndSkipsTheSettledOnes)
{
    TStageRig rig;
    const std::vector<TRowId> order = {10, 11, 12, 13, 14};
    for (const TRowId row : {10u, 11u, 12u, 14u})
        rig.Stage.Add(row, "name" + std::to_string(row) + ".com");
    const std::uint64_t generation = rig.Stage.Generation();
    int next = 0;
    EXPECT_FALSE(rig.Stage.SkipSettled(order, 5, next));
    EXPECT_EQ(next, 0);

    EXPECT_TRUE(rig.Stage.Accept(generation, Verdict(10, true), true));
    EXPECT_TRUE(rig.Stage.Accept(generation, Verdict(11, true), true));
    EXPECT_FALSE(rig.Stage.Accept(generation, Verdict(12, false), true));
    EXPECT_EQ(rig.Stage.Answered(), 3);
    EXPECT_EQ(rig.Stage.Delegated(), 2);
    // 10 and 11 are settled; 12 goes to WHOIS, so the pass stops skipping there.
    EXPECT_TRUE(rig.Stage.SkipSettled(order, 5, next));
    EXPECT_EQ(next, 2);
    next = 3; // 13 was never asked (a refused name): it goes on at once
    EXPECT_TRUE(rig.Stage.SkipSettled(order, 5, next));
    EXPECT_EQ(next, 3);
    next = 4;
    EXPECT_FALSE(rig.Stage.SkipSettled(order, 5, next));
    // The pass's end bounds the skipping.
    next = 0;
    EXPECT_TRUE(rig.Stage.SkipSettled(order, 1, next));
    EXPECT_EQ(next, 1);
}

TEST(DnsStageTest, StaleSecondAndOrphanVerdictsSettleNothing)
{
    TStageRig rig;
    rig.Stage.Add(1, "one.com");
    rig.Stage.Add(2, "two.com");
    rig.Stage.Add(3, "three.com");
    const std::uint64_t generation = rig.Stage.Generation();
    EXPECT_FALSE(rig.Stage.Accept(generation + 1, Verdict(1, true), true));
    EXPECT_FALSE(rig.Stage.Accept(generation, Verdict(9, true), true));
    EXPECT_EQ(rig.Stage.Answered(), 0);
    // A delegated row that has left the table is counted as answered and goes on to a query.
    EXPECT_FALSE(rig.Stage.Accept(generation, Verdict(2, true), false));
    EXPECT_TRUE(rig.Stage.Accept(generation, Verdict(1, true), true));
    EXPECT_FALSE(rig.Stage.Accept(generation, Verdict(1, true), true));
    EXPECT_EQ(rig.Stage.Answered(), 2);
    EXPECT_EQ(rig.Stage.Delegated(), 1);
    // A verdict of a stage that was stopped is dropped, also when the rows are asked again.
    rig.Stage.Stop();
    rig.Stage.Add(3, "three.com");
    EXPECT_FALSE(rig.Stage.Accept(generation, Verdict(3, true), true));
    EXPECT_TRUE(rig.Stage.Accept(rig.Stage.Generation(), Verdict(3, true), true));
}

} // namespace
