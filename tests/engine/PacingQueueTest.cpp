#include "engine/PacingQueue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <unordered_map>

namespace {

// Rows 1..5 passed in that order: a.test gets 1, 3, 5 and b.test 2, 4.
TPacingQueue TwoHosts()
{
    TPacingQueue queue;
    queue.Push(1, "a.test", 1000);
    queue.Push(2, "b.test", 500);
    queue.Push(3, "a.test", 1000);
    queue.Push(4, "b.test", 500);
    queue.Push(5, "a.test", 1000);
    return queue;
}

TEST(PacingQueueTest, TheRowPassedFirstAmongDueHostsLeavesFirstAndEachHostKeepsItsOrder)
{
    TPacingQueue queue = TwoHosts();
    std::set<std::string> dueHosts = {"a.test", "b.test"};
    const auto take = [&] {
        return queue.TakeDue([&](const std::string& host, int) { return dueHosts.count(host) > 0; });
    };
    EXPECT_EQ(take(), 1u);
    EXPECT_EQ(take(), 2u);
    // Only b.test is due: its next row goes ahead of a.test's earlier one.
    dueHosts = {"b.test"};
    EXPECT_EQ(take(), 4u);
    EXPECT_EQ(take(), std::nullopt);
    EXPECT_EQ(queue.Count(), 2);
    dueHosts = {"a.test"};
    EXPECT_EQ(take(), 3u);
    EXPECT_EQ(take(), 5u);
    EXPECT_TRUE(queue.Empty());
    EXPECT_EQ(queue.Count(), 0);
    EXPECT_EQ(take(), std::nullopt);
}

TEST(PacingQueueTest, TheNextDueTickIsTheEarliestOfTheWaitingHosts)
{
    TPacingQueue queue = TwoHosts();
    std::unordered_map<std::string, std::uint64_t> lastStart = {{"a.test", 10000}, {"b.test", 10900}};
    EXPECT_EQ(queue.NextDueTick(lastStart), 11000u);
    lastStart["b.test"] = 10200;
    EXPECT_EQ(queue.NextDueTick(lastStart), 10700u);
    // A host that never had a query is due at once.
    queue.Push(6, "c.test", 2000);
    EXPECT_EQ(queue.NextDueTick(lastStart), 0u);
    // A host whose connections are all in use waits for a worker's end, however due it is.
    const auto held = [](const std::string& host) { return host == "c.test" || host == "b.test"; };
    EXPECT_EQ(queue.NextDueTick(lastStart, held), 11000u);
    EXPECT_EQ(queue.NextDueTick(lastStart, [](const std::string&) { return true; }),
              std::numeric_limits<std::uint64_t>::max());
    queue.Clear();
    EXPECT_TRUE(queue.Empty());
    EXPECT_EQ(queue.NextDueTick(lastStart), std::numeric_limits<std::uint64_t>::max());
}

} // namespace
