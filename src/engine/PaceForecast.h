#pragma once

#include "core/RowId.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class THostPacing;

// How long the rows of a pass still need, from the pace each host is known to keep. A registry
// answers each source address only so often, so a host's rows take their number times the host's
// interval, shared among the ways out to it, while the hosts are asked side by side: the pass
// ends with its slowest host. The rate of the last minute says little about that when the rows
// come in TLD blocks (it is the rate of the block being asked), the pace does.
//
// Hosts whose pace nothing says (no min_interval, nothing learnt) are asked as fast as the
// threads go: their rows count at the rate observed. With no known pace at all there is no
// forecast, and the observed rate is all there is. Kept on the thread of the dispatcher, whose
// pacing it reads: no locks.
class TPaceForecast
{
public:
    // The interval in ms of each lane to the host (one per way out); 0 where nothing holds the
    // lane back.
    using TIntervals = std::function<std::vector<int>(const std::string& host)>;

    // A row the pass asks, paced by `host` (empty: no host is asked about it).
    void Add(TRowId row, const std::string& host);
    // The row's result is final (a row not added, or finished already, is left alone).
    void Finished(TRowId row);
    int Remaining() const { return static_cast<int>(HostOfRow.size()); }
    // The dispatcher starts at most one check per `Pause` ms, whatever the hosts allow: the rows
    // left cannot be done sooner than their number times that. 0: no such bound.
    void SetStartSpacingMs(int ms) { StartSpacingMs = ms; }

    // Seconds until the last host has had its rows; `observedRate`: results a second lately.
    std::optional<double> SecondsLeft(const TIntervals& intervals, std::optional<double> observedRate) const;

    // The lanes' intervals to the host through `ways` ways out, as the pacing holds them now.
    static std::vector<int> LaneIntervalsMs(THostPacing& pacing, std::size_t ways, const std::string& host);

private:
    std::vector<std::string> Hosts;
    std::unordered_map<std::string, std::size_t> HostIndex;
    // Rows left by host index.
    std::vector<int> Left;
    std::unordered_map<TRowId, std::size_t> HostOfRow;
    int StartSpacingMs = 0;
};
