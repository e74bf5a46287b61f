#pragma once

#include "models/DomainTableModel.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// A host's limit holds per source address, so queries are paced per way out (an entry of the
// proxy pool; 0 without one) and host.
struct TPacingLane
{
    std::size_t Proxy = 0;
    std::string Host;
    bool operator==(const TPacingLane&) const = default;
};

struct TPacingLaneHash
{
    std::size_t operator()(const TPacingLane& lane) const
    {
        return std::hash<std::string>{}(lane.Host) ^ (lane.Proxy * 0x9E3779B97F4A7C15ull);
    }
};

// The rows of a pass that wait for their lane's min_interval, one queue per lane. Rows of one
// lane leave in the order they came; among the lanes that are due, the row passed first goes
// first. Every step costs in the number of waiting lanes, not rows: a pass may leave tens of
// thousands of rows waiting for one slow host while the dispatcher ticks every few milliseconds.
class TPacingQueue
{
public:
    void Push(TRowId row, const TPacingLane& lane, int intervalMs);
    // Puts a row back at the head of its lane (a refused row: it was passed before the rows
    // still waiting there, and among the lanes it goes first when its lane is due).
    void PushFront(TRowId row, const TPacingLane& lane, int intervalMs);

    // Takes the first waiting row whose lane `due(lane, intervalMs)` lets go now, with its lane.
    template <typename TDue> std::optional<std::pair<TRowId, TPacingLane>> TakeDue(TDue due);

    // Takes the head row of the first lane, in the order rows were passed, for which
    // `moveTo(lane, intervalMs, row)` names another lane, with that lane: a row waiting for a way
    // out its host has slowed down may go through another that is free.
    template <typename TMoveTo> std::optional<std::pair<TRowId, TPacingLane>> TakeMovable(TMoveTo moveTo);

    // The earliest tick at which a waiting lane becomes due, `dueAt(lane, intervalMs)` giving
    // each lane's. The largest value when nothing waits.
    template <typename TDueAt> std::uint64_t NextDueTick(TDueAt dueAt) const;

    int Count() const;
    // Rows waiting in one lane (what a row passed now would queue behind).
    int CountIn(const TPacingLane& lane) const;
    // Takes every row waiting in the lanes of one proxy, in the order they were passed (the rows
    // of a proxy that has failed, to be sent through the others).
    std::vector<std::pair<TRowId, TPacingLane>> TakeProxyRows(std::size_t proxy);
    // A lane leaves the queue with its last row.
    bool Empty() const { return Lanes.empty(); }
    void Clear() { Lanes.clear(); }

private:
    struct TLane
    {
        int IntervalMs = 0;                                // as read when its latest row was passed
        std::deque<std::pair<std::uint64_t, TRowId>> Rows; // (order of passing, row)
    };
    std::unordered_map<TPacingLane, TLane, TPacingLaneHash> Lanes;
    std::uint64_t Passed = std::numeric_limits<std::uint64_t>::max() / 2 + 1;
    // Orders of rows put back at the head of their lane count down from here, ahead of every
    // row passed.
    std::uint64_t PutBack = std::numeric_limits<std::uint64_t>::max() / 2;
};

template <typename TDue> std::optional<std::pair<TRowId, TPacingLane>> TPacingQueue::TakeDue(TDue due)
{
    auto first = Lanes.end();
    for (auto lane = Lanes.begin(); lane != Lanes.end(); ++lane)
        if (due(lane->first, lane->second.IntervalMs) &&
            (first == Lanes.end() || lane->second.Rows.front().first < first->second.Rows.front().first))
            first = lane;
    if (first == Lanes.end())
        return std::nullopt;
    std::pair<TRowId, TPacingLane> taken{first->second.Rows.front().second, first->first};
    first->second.Rows.pop_front();
    if (first->second.Rows.empty())
        Lanes.erase(first);
    return taken;
}

template <typename TMoveTo> std::optional<std::pair<TRowId, TPacingLane>> TPacingQueue::TakeMovable(TMoveTo moveTo)
{
    auto first = Lanes.end();
    std::optional<TPacingLane> target;
    for (auto lane = Lanes.begin(); lane != Lanes.end(); ++lane) {
        if (first != Lanes.end() && lane->second.Rows.front().first > first->second.Rows.front().first)
            continue;
        if (std::optional<TPacingLane> to =
                moveTo(lane->first, lane->second.IntervalMs, lane->second.Rows.front().second)) {
            first = lane;
            target = std::move(to);
        }
    }
    if (first == Lanes.end())
        return std::nullopt;
    std::pair<TRowId, TPacingLane> taken{first->second.Rows.front().second, *target};
    first->second.Rows.pop_front();
    if (first->second.Rows.empty())
        Lanes.erase(first);
    return taken;
}

template <typename TDueAt> std::uint64_t TPacingQueue::NextDueTick(TDueAt dueAt) const
{
    std::uint64_t next = std::numeric_limits<std::uint64_t>::max();
    for (const auto& [lane, waiting] : Lanes)
        next = std::min<std::uint64_t>(next, dueAt(lane, waiting.IntervalMs));
    return next;
}
