#include "engine/PacingQueue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <unordered_map>

namespace {

TPacingLane Lane(const std::string& host, std::size_t proxy = 0)
{
    return TPacingLane{proxy, host};
}

// Rows 1..5 passed in that order: a.test gets 1, 3, 5 and b.test 2, 4.
TPacingQueue TwoHosts()
{
    TPacingQueue queue;
    queue.Push(1, Lane("a.test"), 1000);
    queue.Push(2, Lane("b.test"), 500);
    queue.Push(3, Lane("a.test"), 1000);
    queue.Push(4, Lane("b.test"), 500);
    queue.Push(5, Lane("a.test"), 1000);
    return queue;
}

std::optional<TRowId> TakeFrom(TPacingQueue& queue, const std::set<std::string>& dueHosts)
{
    const auto taken = queue.TakeDue([&](const TPacingLane& lane, int) { return dueHosts.count(lane.Host) > 0; });
    return taken ? std::optional<TRowId>(taken->first) : std::nullopt;
}

TEST(PacingQueueTest, TheRowPassedFirstAmongDueHostsLeavesFirstAndEachHostKeepsItsOrder)
{
    TPacingQueue queue = TwoHosts();
    EXPECT_EQ(TakeFrom(queue, {"a.test", "b.test"}), 1u);
    EXPECT_EQ(TakeFrom(queue, {"a.test", "b.test"}), 2u);
    // Only b.test is due: its next row goes ahead of a.test's earlier one.
    EXPECT_EQ(TakeFrom(queue, {"b.test"}), 4u);
    EXPECT_EQ(TakeFrom(queue, {"b.test"}), std::nullopt);
    EXPECT_EQ(queue.Count(), 2);
    EXPECT_EQ(TakeFrom(queue, {"a.test"}), 3u);
    EXPECT_EQ(TakeFrom(queue, {"a.test"}), 5u);
    EXPECT_TRUE(queue.Empty());
    EXPECT_EQ(queue.Count(), 0);
    EXPECT_EQ(TakeFrom(queue, {"a.test"}), std::nullopt);
}

// A refused row put back goes ahead of its lane's waiting rows and, when its lane is due, of
// every other lane's.
TEST(PacingQueueTest, ARowPutBackLeavesBeforeTheRowsPassedBeforeIt)
{
    TPacingQueue queue = TwoHosts();
    queue.PushFront(6, Lane("b.test"), 500);
    EXPECT_EQ(TakeFrom(queue, {"a.test", "b.test"}), 6u);
    EXPECT_EQ(TakeFrom(queue, {"a.test", "b.test"}), 1u);
    queue.PushFront(7, Lane("c.test"), 0);
    EXPECT_EQ(TakeFrom(queue, {"a.test"}), 3u);
    EXPECT_EQ(TakeFrom(queue, {"a.test", "b.test", "c.test"}), 7u);
    EXPECT_EQ(TakeFrom(queue, {"a.test", "b.test", "c.test"}), 2u);
}

// A row may move to another lane of its host only when the caller names one; the row passed first
// among the movable ones moves, and the rest of its lane stays.
TEST(PacingQueueTest, TheFirstMovableHeadRowMovesToTheLaneNamed)
{
    TPacingQueue queue = TwoHosts();
    const auto toProxyOne = [](const std::set<std::string>& hosts) {
        return [hosts](const TPacingLane& lane, int, TRowId) -> std::optional<TPacingLane> {
            if (lane.Proxy == 0 && hosts.count(lane.Host) > 0)
                return Lane(lane.Host, 1);
            return std::nullopt;
        };
    };
    EXPECT_EQ(queue.TakeMovable(toProxyOne({})), std::nullopt);
    const auto moved = queue.TakeMovable(toProxyOne({"b.test"}));
    ASSERT_TRUE(moved.has_value());
    EXPECT_EQ(moved->first, 2u);
    EXPECT_EQ(moved->second, Lane("b.test", 1));
    EXPECT_EQ(queue.TakeMovable(toProxyOne({"a.test", "b.test"}))->first, 1u);
    EXPECT_EQ(queue.CountIn(Lane("a.test")), 2);
    EXPECT_EQ(queue.Count(), 3);
}

TEST(PacingQueueTest, TheNextDueTickIsTheEarliestOfTheWaitingLanes)
{
    TPacingQueue queue = TwoHosts();
    std::unordered_map<std::string, std::uint64_t> lastStart = {{"a.test", 10000}, {"b.test", 10900}};
    const auto dueAt = [&](const TPacingLane& lane, int intervalMs) {
        const auto last = lastStart.find(lane.Host);
        return last == lastStart.end() ? 0 : last->second + static_cast<std::uint64_t>(intervalMs);
    };
    EXPECT_EQ(queue.NextDueTick(dueAt), 11000u);
    lastStart["b.test"] = 10200;
    EXPECT_EQ(queue.NextDueTick(dueAt), 10700u);
    // A host that never had a query is due at once.
    queue.Push(6, Lane("c.test"), 2000);
    EXPECT_EQ(queue.NextDueTick(dueAt), 0u);
    // A lane whose host has every connection in use is never due by the clock (the dispatcher
    // gives it the largest tick): it waits for a worker's end and leaves the others' ticks alone.
    const auto heldDueAt = [&](const TPacingLane& lane, int intervalMs) {
        return lane.Host == "c.test" || lane.Host == "b.test" ? std::numeric_limits<std::uint64_t>::max()
                                                              : dueAt(lane, intervalMs);
    };
    EXPECT_EQ(queue.NextDueTick(heldDueAt), 11000u);
    // The interval a row was last pushed with holds for its lane (a configuration change).
    queue.Push(7, Lane("a.test"), 50);
    EXPECT_EQ(queue.NextDueTick(heldDueAt), 10050u);
    queue.Clear();
    EXPECT_TRUE(queue.Empty());
    EXPECT_EQ(queue.NextDueTick(dueAt), std::numeric_limits<std::uint64_t>::max());
}

TEST(PacingQueueTest, OneHostThroughTwoProxiesIsTwoLanesAndAFailedProxyGivesUpItsRowsInOrder)
{
    TPacingQueue queue;
    queue.Push(1, Lane("a.test", 0), 1000);
    queue.Push(2, Lane("a.test", 1), 1000);
    queue.Push(3, Lane("b.test", 1), 1000);
    queue.Push(4, Lane("a.test", 0), 1000);
    queue.Push(5, Lane("a.test", 1), 1000);
    EXPECT_EQ(queue.CountIn(Lane("a.test", 0)), 2);
    EXPECT_EQ(queue.CountIn(Lane("a.test", 1)), 2);
    EXPECT_EQ(queue.CountIn(Lane("a.test", 2)), 0);

    // Only proxy 1's lane to a.test is due: proxy 0's earlier row stays.
    const auto taken =
        queue.TakeDue([](const TPacingLane& lane, int) { return lane.Proxy == 1 && lane.Host == "a.test"; });
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->first, 2u);
    EXPECT_EQ(taken->second, Lane("a.test", 1));

    const auto rows = queue.TakeProxyRows(1);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].first, 3u);
    EXPECT_EQ(rows[0].second, Lane("b.test", 1));
    EXPECT_EQ(rows[1].first, 5u);
    EXPECT_EQ(queue.Count(), 2);
    EXPECT_EQ(queue.CountIn(Lane("a.test", 1)), 0);
    EXPECT_TRUE(queue.TakeProxyRows(1).empty());
}

} // namespace
