#include "engine/PaceForecast.h"

#include "engine/HostPacing.h"

#include <algorithm>

void TPaceForecast::Add(TRowId row, const std::string& host)
{
    const auto [found, added] = HostIndex.emplace(host, Hosts.size());
    if (added) {
        Hosts.push_back(host);
        Left.push_back(0);
    }
    if (HostOfRow.emplace(row, found->second).second)
        ++Left[found->second];
}

void TPaceForecast::Finished(TRowId row)
{
    const auto found = HostOfRow.find(row);
    if (found == HostOfRow.end())
        return;
    --Left[found->second];
    HostOfRow.erase(found);
}

std::optional<double> TPaceForecast::SecondsLeft(const TIntervals& intervals, std::optional<double> observedRate) const
{
    std::optional<double> paced;
    int unpaced = 0;
    for (std::size_t host = 0; host < Hosts.size(); ++host) {
        if (Left[host] <= 0)
            continue;
        // Queries a second the host takes through all its ways out together.
        double perSecond = 0;
        if (!Hosts[host].empty())
            for (const int ms : intervals(Hosts[host]))
                if (ms > 0)
                    perSecond += 1000.0 / ms;
        if (perSecond <= 0) {
            unpaced += Left[host];
            continue;
        }
        paced = std::max(paced.value_or(0.0), Left[host] / perSecond);
    }
    if (!paced)
        return std::nullopt;
    if (unpaced > 0 && observedRate && *observedRate > 0)
        paced = std::max(*paced, unpaced / *observedRate);
    return std::max(*paced, Remaining() * (StartSpacingMs / 1000.0));
}

std::vector<int> TPaceForecast::LaneIntervalsMs(THostPacing& pacing, std::size_t ways, const std::string& host)
{
    const int minInterval = pacing.IntervalOf(host);
    std::vector<int> intervals;
    for (std::size_t way = 0; way < std::max<std::size_t>(ways, 1); ++way)
        intervals.push_back(pacing.LaneIntervalMs(TPacingLane{way, host}, minInterval));
    return intervals;
}
