#include "engine/LearntPace.h"

#include <algorithm>
#include <cmath>

int TLearntPace::IntervalMs(const TLane& lane, int floorMs) const
{
    return std::max(LearntMs(lane), std::max(floorMs, 0));
}

int TLearntPace::LearntMs(const TLane& lane) const
{
    const auto found = Lanes.find(lane);
    return found == Lanes.end() ? 0 : static_cast<int>(std::ceil(found->second.IntervalMs));
}

void TLearntPace::Refused(const TLane& lane, int floorMs, std::uint64_t startedAt, std::uint64_t now)
{
    TState& state = Lanes[lane];
    if (state.Grew && startedAt < state.GrewAt)
        return;
    const double floor = std::max(floorMs, 0);
    const double from = std::max(state.IntervalMs, floor);
    double grown = from * GrowFactor;
    if (state.IntervalMs <= 0)
        grown = std::max(grown, static_cast<double>(FirstRefusalMs));
    state.IntervalMs = std::min(grown, static_cast<double>(std::max(LongestMs, floorMs)));
    state.GrewAt = now;
    state.Grew = true;
    Dirty = true;
}

void TLearntPace::Answered(const TLane& lane, int floorMs)
{
    const auto found = Lanes.find(lane);
    if (found == Lanes.end() || found->second.IntervalMs <= 0)
        return;
    const double shrunk = std::max(found->second.IntervalMs * ShrinkFactor, static_cast<double>(std::max(floorMs, 0)));
    if (shrunk != found->second.IntervalMs) {
        found->second.IntervalMs = shrunk;
        Dirty = true;
    }
}

std::map<TLearntPace::TLane, int> TLearntPace::Entries() const
{
    std::map<TLane, int> entries;
    for (const auto& [lane, state] : Lanes)
        if (state.IntervalMs > 0)
            entries.emplace(lane, static_cast<int>(std::ceil(state.IntervalMs)));
    return entries;
}

void TLearntPace::Set(const TLane& lane, int intervalMs)
{
    if (intervalMs <= 0) {
        Lanes.erase(lane);
        return;
    }
    TState& state = Lanes[lane];
    state.IntervalMs = std::min(intervalMs, LongestMs);
    state.Grew = false;
}
