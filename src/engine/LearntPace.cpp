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
    // A query started at the tick it grew was not sent at the new pace either: that pace lets none
    // go at once.
    if (state.Grew && startedAt <= state.GrewAt)
        return;
    const double floor = std::max(floorMs, 0);
    const double from = std::max(state.IntervalMs, floor);
    double grown = from * GrowFactor;
    if (state.IntervalMs <= 0) {
        grown = std::max(grown, static_cast<double>(FirstRefusalMs));
        state.Probing = true;
    } else if (state.Probing && state.Answers > 0 && now > state.GrewAt) {
        // Refused at GrewAt and now, the host let through what it answered in between. Without an
        // answer there is nothing to measure, and the pace stays a guess.
        grown = std::max(grown, static_cast<double>(now - state.GrewAt) / state.Answers * SettleMargin);
        state.Probing = false;
    }
    state.IntervalMs = std::min(grown, static_cast<double>(std::max(LongestMs, floorMs)));
    state.GrewAt = now;
    state.Grew = true;
    state.Answers = 0;
    Dirty = true;
}

void TLearntPace::Answered(const TLane& lane, int floorMs, std::uint64_t startedAt)
{
    const auto found = Lanes.find(lane);
    if (found == Lanes.end() || found->second.IntervalMs <= 0)
        return;
    TState& state = found->second;
    if (!state.Grew || startedAt > state.GrewAt)
        ++state.Answers;
    const double factor = state.Probing ? ProbeShrinkFactor : ShrinkFactor;
    const double shrunk = std::max(state.IntervalMs * factor, static_cast<double>(std::max(floorMs, 0)));
    if (shrunk != state.IntervalMs) {
        state.IntervalMs = shrunk;
        Dirty = true;
    }
}

void TLearntPace::Teach(const TLane& from, const TLane& to, std::uint64_t now)
{
    const auto source = Lanes.find(from);
    if (source == Lanes.end() || source->second.IntervalMs <= 0 || from == to)
        return;
    // Nothing learnt knows least, a guess more, a settled pace most.
    const auto knowledge = [](const TState* state) {
        return !state || state->IntervalMs <= 0 ? 0 : state->Probing ? 1 : 2;
    };
    const auto target = Lanes.find(to);
    if (knowledge(target == Lanes.end() ? nullptr : &target->second) >= knowledge(&source->second))
        return;
    TState& state = Lanes[to];
    state.IntervalMs = source->second.IntervalMs;
    state.Probing = source->second.Probing;
    state.GrewAt = now;
    state.Grew = true;
    state.Answers = 0;
    Dirty = true;
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
    state.Probing = false;
    state.Answers = 0;
}
