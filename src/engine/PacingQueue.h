#pragma once

#include "models/DomainTableModel.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

// The rows of a pass that wait for their host's min_interval, one queue per host. Rows of one host
// leave in the order they came; among the hosts that are due, the row passed first goes first.
// Every step costs in the number of waiting hosts, not rows: a pass may leave tens of thousands
// of rows waiting for one slow host while the dispatcher ticks every few milliseconds.
class TPacingQueue
{
public:
    void Push(TRowId row, const std::string& host, int intervalMs);

    // Takes the first waiting row whose host `due(host, intervalMs)` lets go now.
    template <typename TDue> std::optional<TRowId> TakeDue(TDue due);

    // The earliest tick at which a waiting host becomes due, given each host's last start; 0 for
    // a host that never had one. Hosts `held` names (every connection to them in use) wait for a
    // worker's end, not for a tick, and are left out. The largest value when nothing is left.
    std::uint64_t NextDueTick(const std::unordered_map<std::string, std::uint64_t>& lastStartAt,
                              const std::function<bool(const std::string& host)>& held = {}) const;

    int Count() const;
    // A host leaves the queue with its last row.
    bool Empty() const { return Hosts.empty(); }
    void Clear() { Hosts.clear(); }

private:
    struct THost
    {
        int IntervalMs = 0;                                // as read when its latest row was passed
        std::deque<std::pair<std::uint64_t, TRowId>> Rows; // (order of passing, row)
    };
    std::unordered_map<std::string, THost> Hosts;
    std::uint64_t Passed = 0;
};

template <typename TDue> std::optional<TRowId> TPacingQueue::TakeDue(TDue due)
{
    auto first = Hosts.end();
    for (auto host = Hosts.begin(); host != Hosts.end(); ++host)
        if (due(host->first, host->second.IntervalMs) &&
            (first == Hosts.end() || host->second.Rows.front().first < first->second.Rows.front().first))
            first = host;
    if (first == Hosts.end())
        return std::nullopt;
    const TRowId row = first->second.Rows.front().second;
    first->second.Rows.pop_front();
    if (first->second.Rows.empty())
        Hosts.erase(first);
    return row;
}
