#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>

// How fast a running check goes and how long it still needs, for a progress line. The rate is
// taken over the last minute of results (a check slows down when it reaches a slow registry's
// names); the time left is the remaining names at that rate, unless a forecast that knows better
// is given (the pace learnt of each host, say), which is then asked instead.
class TCheckProgress
{
public:
    using TClock = std::chrono::steady_clock;
    // Seconds the given number of names still to check will take, given the rate of the last
    // minute (std::nullopt while there is none); std::nullopt: no forecast.
    using TForecast = std::function<std::optional<double>(int remaining, std::optional<double> rate)>;

    TCheckProgress(int total, TClock::time_point start);

    void SetForecast(TForecast forecast) { Forecast = std::move(forecast); }
    // `done` names have their results at `now`.
    void Update(int done, TClock::time_point now);

    // Results a second; std::nullopt until there is a second of results to go by.
    std::optional<double> Rate() const;
    std::optional<double> SecondsLeft() const;
    // ", 3.2/s, about 4 min left", or empty while nothing is known.
    std::string Text() const;

    // "45 s", "12 min", "2 h 05 min".
    static std::string DurationText(double seconds);

private:
    static constexpr std::chrono::seconds Window{60};

    int Total;
    int Done = 0;
    TClock::time_point Now;
    // (when, how many were done then), oldest first, spanning at most the window.
    std::deque<std::pair<TClock::time_point, int>> Samples;
    TForecast Forecast;
};
