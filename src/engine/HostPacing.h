#pragma once

#include "engine/PacingQueue.h"
#include "engine/TickClock.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// When the queries of a pass may go out, per lane (a way out and a host): the host's
// min_interval counted from the last query started through the lane, the lane's proxy resting
// after a failure, and the RDAP host slots (a check started beyond the connections the RDAP
// client keeps to a host would only wait inside the client, holding a worker). It keeps the rows
// that wait for their lane, so that they hold no worker.
//
// min_interval is read from the configuration file once per host until Reload (the start of a
// pass, a change of the settings), not once per row: a pass of a million rows would otherwise
// look at the file twice for every row. No timers and no threads: the dispatcher asks it when the
// next waiting row is due and arms its own timer.
class THostPacing
{
public:
    // The tick until which a proxy rests after a failure; 0: it does not rest.
    using TRestedUntil = std::function<std::uint64_t(std::size_t proxy)>;
    using TWaitingRow = std::pair<TRowId, TPacingLane>;

    THostPacing(std::string configPath, TTickClock clock, TRestedUntil restedUntil);

    // The host whose queries a target (a WHOIS host, or an RDAP base address) paces: the target
    // itself, or the host name inside an https:// address.
    static std::string PacedHost(const std::string& target);

    // Forgets the intervals read, so that each is read from the file again at its next use.
    void Reload();
    // The host's min_interval in ms (0 for no host, a missing key or a negative value).
    int IntervalOf(const std::string& host);

    // When a query may go out through the lane: the largest value while its host is full.
    std::uint64_t DueAt(const TPacingLane& lane, int intervalMs) const;
    bool Due(const TPacingLane& lane, int intervalMs) const { return Now() >= DueAt(lane, intervalMs); }
    // When a row passed now would go through the lane, behind the rows already waiting there.
    std::uint64_t FreeAt(const TPacingLane& lane, int intervalMs) const;

    // A check starts through the lane now: the host's interval counts from here, and an RDAP check
    // holds one of the host's slots until Release with the same serial.
    void Started(std::uint64_t serial, const TPacingLane& lane, bool rdap);
    // The check ended or was given up; a serial without a slot is left alone.
    void Release(std::uint64_t serial);
    // Every connection the RDAP client keeps to the host is taken by a running check.
    bool HostFull(const std::string& host) const;

    // The rows that wait for their lane.
    void Wait(TRowId row, const TPacingLane& lane, int intervalMs) { Waiting.Push(row, lane, intervalMs); }
    // Takes the first waiting row whose lane is due now, with its lane.
    std::optional<TWaitingRow> TakeDue();
    // The earliest tick at which a waiting lane becomes due; the largest value when none can
    // (nothing waits, or every waiting host is full).
    std::uint64_t NextDueTick() const;
    // Takes the rows waiting in the lanes of one proxy, in the order they were passed.
    std::vector<TWaitingRow> TakeProxyRows(std::size_t proxy) { return Waiting.TakeProxyRows(proxy); }
    int WaitingCount() const { return Waiting.Count(); }
    bool NoneWaiting() const { return Waiting.Empty(); }
    void ClearWaiting() { Waiting.Clear(); }

private:
    std::uint64_t Now() const { return Clock ? Clock() : SystemTickCount(); }

    std::string ConfigPath;
    TTickClock Clock;
    TRestedUntil RestedUntil;
    std::unordered_map<std::string, int> Intervals; // read since the last Reload
    TPacingQueue Waiting;
    // Tick of the last query started through each lane.
    std::unordered_map<TPacingLane, std::uint64_t, TPacingLaneHash> LastStartAt;
    // Running RDAP checks by paced host, and the host of each such check by serial.
    std::unordered_map<std::string, int> RdapRunning;
    std::unordered_map<std::uint64_t, std::string> RdapHostOf;
};
