#include "core/CheckProgress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

TCheckProgress::TCheckProgress(int total, TClock::time_point start) : Total(total), Now(start)
{
    Samples.emplace_back(start, 0);
}

void TCheckProgress::Update(int done, TClock::time_point now)
{
    Done = done;
    Now = now;
    if (Samples.back().second != done)
        Samples.emplace_back(now, done);
    // The oldest sample kept is the last one at or before the window's start, so the window stays
    // spanned.
    while (Samples.size() > 2 && Samples[1].first <= now - Window)
        Samples.pop_front();
}

std::optional<double> TCheckProgress::Rate() const
{
    const double seconds = std::chrono::duration<double>(Now - Samples.front().first).count();
    const int results = Done - Samples.front().second;
    if (seconds < 1.0 || results <= 0)
        return std::nullopt;
    return results / seconds;
}

std::optional<double> TCheckProgress::SecondsLeft() const
{
    const int remaining = Total - Done;
    if (remaining <= 0)
        return 0.0;
    const std::optional<double> rate = Rate();
    if (Forecast)
        if (const std::optional<double> forecast = Forecast(remaining, rate))
            return forecast;
    if (rate)
        return remaining / *rate;
    return std::nullopt;
}

std::string TCheckProgress::DurationText(double seconds)
{
    const long whole = std::lround(std::max(seconds, 0.0));
    char text[48];
    if (whole < 60)
        std::snprintf(text, sizeof text, "%ld s", whole);
    else if (whole < 3600)
        std::snprintf(text, sizeof text, "%ld min", (whole + 30) / 60);
    else
        std::snprintf(text, sizeof text, "%ld h %02ld min", whole / 3600, whole % 3600 / 60);
    return text;
}

std::string TCheckProgress::Text() const
{
    std::string text;
    if (const std::optional<double> rate = Rate()) {
        char shown[32];
        std::snprintf(shown, sizeof shown, ", %.1f/s", *rate);
        text += shown;
    }
    if (Done < Total)
        if (const std::optional<double> left = SecondsLeft())
            text += ", about " + DurationText(*left) + " left";
    return text;
}
