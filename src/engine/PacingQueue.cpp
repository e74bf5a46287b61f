#include "engine/PacingQueue.h"

#include <algorithm>

void TPacingQueue::Push(TRowId row, const TPacingLane& lane, int intervalMs)
{
    TLane& waiting = Lanes[lane];
    waiting.IntervalMs = intervalMs;
    waiting.Rows.emplace_back(Passed++, row);
}

void TPacingQueue::PushFront(TRowId row, const TPacingLane& lane, int intervalMs)
{
    TLane& waiting = Lanes[lane];
    waiting.IntervalMs = intervalMs;
    waiting.Rows.emplace_front(PutBack--, row);
}

int TPacingQueue::Count() const
{
    std::size_t rows = 0;
    for (const auto& [lane, waiting] : Lanes)
        rows += waiting.Rows.size();
    return static_cast<int>(rows);
}

int TPacingQueue::CountIn(const TPacingLane& lane) const
{
    const auto found = Lanes.find(lane);
    return found == Lanes.end() ? 0 : static_cast<int>(found->second.Rows.size());
}

std::vector<std::pair<TRowId, TPacingLane>> TPacingQueue::TakeProxyRows(std::size_t proxy)
{
    std::vector<std::pair<std::uint64_t, std::pair<TRowId, TPacingLane>>> taken;
    for (auto lane = Lanes.begin(); lane != Lanes.end();) {
        if (lane->first.Proxy != proxy) {
            ++lane;
            continue;
        }
        for (const auto& [order, row] : lane->second.Rows)
            taken.push_back({order, {row, lane->first}});
        lane = Lanes.erase(lane);
    }
    std::sort(taken.begin(), taken.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<TRowId, TPacingLane>> rows;
    rows.reserve(taken.size());
    for (auto& entry : taken)
        rows.push_back(std::move(entry.second));
    return rows;
}
