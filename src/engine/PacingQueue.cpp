#include "engine/PacingQueue.h"

#include <algorithm>

void TPacingQueue::Push(TRowId row, const std::string& host, int intervalMs)
{
    THost& waiting = Hosts[host];
    waiting.IntervalMs = intervalMs;
    waiting.Rows.emplace_back(Passed++, row);
}

int TPacingQueue::Count() const
{
    std::size_t rows = 0;
    for (const auto& [host, waiting] : Hosts)
        rows += waiting.Rows.size();
    return static_cast<int>(rows);
}

std::uint64_t TPacingQueue::NextDueTick(const std::unordered_map<std::string, std::uint64_t>& lastStartAt,
                                        const std::function<bool(const std::string& host)>& held) const
{
    std::uint64_t next = std::numeric_limits<std::uint64_t>::max();
    for (const auto& [host, waiting] : Hosts) {
        if (held && held(host))
            continue;
        const auto last = lastStartAt.find(host);
        next = std::min(next, last == lastStartAt.end()
                                  ? 0
                                  : last->second + static_cast<std::uint64_t>(std::max(0, waiting.IntervalMs)));
    }
    return next;
}
