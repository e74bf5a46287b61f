#include "engine/PaceForecast.h"

#include "engine/HostPacing.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Intervals the test gives per host.
TPaceForecast::TIntervals Known(std::map<std::string, std::vector<int>> byHost)
{
    return [byHost = std::move(byHost)](const std::string& host) {
        const auto found = byHost.find(host);
        return found == byHost.end() ? std::vector<int>{0} : found->second;
    };
}

// Rows 0..count-1 above `first`, all of one host.
void AddRows(TPaceForecast& forecast, TRowId first, int count, const std::string& host)
{
    for (int i = 0; i < count; ++i)
        forecast.Add(first + static_cast<TRowId>(i), host);
}

TEST(PaceForecast, TheSlowestHostsRowsAtItsPaceSharedByItsWaysOut)
{
    TPaceForecast forecast;
    AddRows(forecast, 0, 100, "a.test");   // 100 x 200 ms through one way: 20 s
    AddRows(forecast, 1000, 50, "b.test"); // 50 at 2 + 2 a second through two ways: 12.5 s
    AddRows(forecast, 2000, 1, "c.test");  // paced by nothing, and no rate yet: no say
    const auto intervals = Known({{"a.test", {200}}, {"b.test", {500, 500}}});
    ASSERT_TRUE(forecast.SecondsLeft(intervals, std::nullopt));
    EXPECT_DOUBLE_EQ(*forecast.SecondsLeft(intervals, std::nullopt), 20.0);

    // Half of a.test's rows have their results: b.test is the slowest now.
    for (TRowId row = 0; row < 50; ++row)
        forecast.Finished(row);
    forecast.Finished(0);    // twice
    forecast.Finished(9999); // never added
    EXPECT_EQ(forecast.Remaining(), 101);
    EXPECT_DOUBLE_EQ(*forecast.SecondsLeft(intervals, std::nullopt), 12.5);
    // A host that has learnt a slower pace since counts at that pace.
    EXPECT_DOUBLE_EQ(*forecast.SecondsLeft(Known({{"a.test", {1000}}, {"b.test", {500, 500}}}), std::nullopt), 50.0);
    // The dispatcher's one start per Pause bounds the whole pass: 101 rows at 250 ms outlast both.
    forecast.SetStartSpacingMs(250);
    EXPECT_DOUBLE_EQ(*forecast.SecondsLeft(intervals, std::nullopt), 25.25);
    forecast.SetStartSpacingMs(100);
    EXPECT_DOUBLE_EQ(*forecast.SecondsLeft(intervals, std::nullopt), 12.5);
}

TEST(PaceForecast, RowsOfHostsWithoutAPaceGoAtTheObservedRate)
{
    TPaceForecast forecast;
    AddRows(forecast, 0, 300, "free.test");
    AddRows(forecast, 500, 5, "");
    // Nothing is known of any host: the progress line keeps to the rate it sees.
    EXPECT_FALSE(forecast.SecondsLeft(Known({}), 10.0));
    AddRows(forecast, 1000, 10, "slow.test");
    const auto intervals = Known({{"slow.test", {1000}}});
    // 305 rows at 10 a second outlast slow.test's 10 s; without a rate only the pace speaks.
    EXPECT_DOUBLE_EQ(*forecast.SecondsLeft(intervals, 10.0), 30.5);
    EXPECT_DOUBLE_EQ(*forecast.SecondsLeft(intervals, 1000.0), 10.0);
    EXPECT_DOUBLE_EQ(*forecast.SecondsLeft(intervals, std::nullopt), 10.0);
    for (TRowId row = 1000; row < 1010; ++row)
        forecast.Finished(row);
    EXPECT_FALSE(forecast.SecondsLeft(intervals, 10.0));
}

TEST(PaceForecast, TheLanesOfAHostAsThePacingHoldsThem)
{
    TTempDir dir;
    THostPacing pacing(
        dir.Write("mvwhois.ini", "[slow.test]\nmin_interval=500\n"), [] { return 0; }, nullptr);
    pacing.SetWays({"direct", "socks5://proxy:1080"}, 5);
    pacing.Learnt().Set({"socks5://proxy:1080", "slow.test"}, 800);
    pacing.Learnt().Set({"direct", "fast.test"}, 300);
    // min_interval, or the learnt pace where that is longer; nothing for a lane nothing holds back.
    EXPECT_EQ(TPaceForecast::LaneIntervalsMs(pacing, 2, "slow.test"), (std::vector<int>{500, 800}));
    EXPECT_EQ(TPaceForecast::LaneIntervalsMs(pacing, 2, "fast.test"), (std::vector<int>{300, 0}));
    EXPECT_EQ(TPaceForecast::LaneIntervalsMs(pacing, 2, "other.test"), (std::vector<int>{0, 0}));
    EXPECT_EQ(TPaceForecast::LaneIntervalsMs(pacing, 0, "slow.test"), (std::vector<int>{500}));

    TPaceForecast forecast;
    AddRows(forecast, 0, 13, "slow.test");
    const auto intervals = [&](const std::string& host) { return TPaceForecast::LaneIntervalsMs(pacing, 2, host); };
    // 2 + 1.25 queries a second.
    EXPECT_DOUBLE_EQ(*forecast.SecondsLeft(intervals, std::nullopt), 4.0);
}

} // namespace
