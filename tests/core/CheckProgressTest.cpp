#include "core/CheckProgress.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using TClock = TCheckProgress::TClock;

TEST(CheckProgress, RateAndTimeLeftFromTheLastMinuteOfResults)
{
    const TClock::time_point start{};
    TCheckProgress progress(2000, start);
    // Nothing to go by yet.
    EXPECT_EQ(progress.Text(), "");
    progress.Update(0, start + 5s);
    EXPECT_FALSE(progress.Rate());
    EXPECT_EQ(progress.Text(), "");

    // 10 a second for two minutes.
    for (int s = 1; s <= 120; ++s)
        progress.Update(10 * s, start + std::chrono::seconds(s));
    ASSERT_TRUE(progress.Rate());
    EXPECT_NEAR(*progress.Rate(), 10.0, 0.2);
    EXPECT_NEAR(*progress.SecondsLeft(), 80.0, 2.0);
    EXPECT_EQ(progress.Text(), ", 10.0/s, about 1 min left");

    // Then a slow host: 1 a second. After a minute only the slow rate counts.
    for (int s = 1; s <= 61; ++s)
        progress.Update(1200 + s, start + 120s + std::chrono::seconds(s));
    EXPECT_NEAR(*progress.Rate(), 1.0, 0.05);
    EXPECT_NEAR(*progress.SecondsLeft(), 2000.0 - 1261, 15.0);
    EXPECT_EQ(progress.Text(), ", 1.0/s, about 12 min left");

    progress.Update(2000, start + 200s);
    EXPECT_EQ(*progress.SecondsLeft(), 0.0);
    EXPECT_EQ(progress.Text().find("left"), std::string::npos);
}

TEST(CheckProgress, AForecastThatKnowsBetterIsAskedFirst)
{
    const TClock::time_point start{};
    TCheckProgress progress(100, start);
    int askedFor = -1;
    std::optional<double> rateGiven;
    progress.SetForecast([&](int remaining, std::optional<double> rate) -> std::optional<double> {
        askedFor = remaining;
        rateGiven = rate;
        return remaining > 50 ? std::optional<double>(7200.0) : std::nullopt;
    });
    progress.Update(10, start + 2s);
    EXPECT_EQ(progress.Text(), ", 5.0/s, about 2 h 00 min left");
    EXPECT_EQ(askedFor, 90);
    ASSERT_TRUE(rateGiven);
    EXPECT_DOUBLE_EQ(*rateGiven, 5.0);
    // Without a forecast, the rate so far.
    progress.Update(60, start + 12s);
    EXPECT_EQ(progress.Text(), ", 5.0/s, about 8 s left");
}

TEST(CheckProgress, DurationTexts)
{
    EXPECT_EQ(TCheckProgress::DurationText(-3), "0 s");
    EXPECT_EQ(TCheckProgress::DurationText(59.4), "59 s");
    EXPECT_EQ(TCheckProgress::DurationText(89), "1 min");
    EXPECT_EQ(TCheckProgress::DurationText(91), "2 min");
    EXPECT_EQ(TCheckProgress::DurationText(3599), "60 min");
    EXPECT_EQ(TCheckProgress::DurationText(3 * 3600 + 5 * 60 + 20), "3 h 05 min");
}

} // namespace
