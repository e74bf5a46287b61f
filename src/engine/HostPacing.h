#pragma once

#include "engine/LearntPace.h"
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

// When the queries of a pass may go out, per lane (a way out and a host): the lane's interval (the
// host's min_interval, or the pace learnt from its refusals when that is longer) counted from the
// last query started through the lane or its last refusal, the lane's proxy resting after a
// failure, the checks running at once through the lane, and the RDAP host slots (a check started beyond the connections
// the RDAP client keeps to a host would only wait inside the client, holding a worker). It keeps the rows that wait for
// their lane, so that they hold no worker.
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

    // Checks running at once on one WHOIS host through one way out: more would only be refused
    // together, each holding a worker (RDAP hosts keep to TRdapClient::ConnectionsPerHost).
    static constexpr int MaxChecksPerLane = 6;

    // The ways out by proxy as the learnt pace names them ("direct", "socks5://user@host:port"),
    // and Pause, below which no learnt interval goes.
    void SetWays(std::vector<std::string> ways, int pauseMs);
    // Another cap than MaxChecksPerLane (tests that need many checks blocked on one host).
    void SetLaneCap(int checks) { LaneCap = checks; }
    // The interval of a lane: the host's min_interval, or what was learnt when that is longer.
    int LaneIntervalMs(const TPacingLane& lane, int minIntervalMs) const;
    // What was learnt of the lane (0: nothing yet).
    int LearntMs(const TPacingLane& lane) const { return Pace.LearntMs(PaceLane(lane)); }
    TLearntPace& Learnt() { return Pace; }
    // Reads the pace file at `path` (none when empty): a damaged one is set aside, `message` says
    // so, and nothing is learnt from it. SavePace writes it when something was learnt since;
    // `message` says when that failed, if it says nothing yet.
    void LoadPace(const std::string& path, std::string& message);
    void SavePace(const std::string& path, std::string& message);
    // The check with this serial was refused: the lane's interval grows, and its next query waits
    // that long from now, or `restMs` when the host asked for longer (an RDAP Retry-After). Or it
    // brought an answer about its name: the interval shrinks a little.
    void Refused(std::uint64_t serial, int restMs = 0);
    void Answered(std::uint64_t serial);

    // The host whose queries a target (a WHOIS host, or an RDAP base address) paces: the target
    // itself, or the host name inside an https:// address.
    static std::string PacedHost(const std::string& target);

    // Forgets the intervals read, so that each is read from the file again at its next use.
    void Reload();
    // The host's min_interval in ms (0 for no host, a missing key or a negative value).
    int IntervalOf(const std::string& host);

    // When a query may go out through the lane (`intervalMs`: the host's min_interval, to which the
    // learnt pace is added): the largest value while its host or the lane is full.
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
    // A refused row goes back to the head of its lane.
    void PutBack(TRowId row, const TPacingLane& lane, int intervalMs) { Waiting.PushFront(row, lane, intervalMs); }
    // Takes the first waiting row whose lane is due now, with its lane.
    std::optional<TWaitingRow> TakeDue();
    // With several ways out: takes the first row waiting for a lane that is not due when another
    // way out to its host is due and has no rows of its own, with that lane (`allowed`: whether the
    // row may go through a proxy). Rows are spread over the ways out when they are passed; a way
    // out the host has since slowed down by refusals must not keep them while another idles.
    std::optional<TWaitingRow> TakeMovable(std::size_t proxies,
                                           const std::function<bool(TRowId, std::size_t)>& allowed);
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
    TLearntPace::TLane PaceLane(const TPacingLane& lane) const;
    // The floor of the lane's learnt interval: min_interval and Pause.
    int FloorMs(const std::string& host);

    std::string ConfigPath;
    TTickClock Clock;
    TRestedUntil RestedUntil;
    std::unordered_map<std::string, int> Intervals; // read since the last Reload
    TPacingQueue Waiting;
    // Tick of the last query started through each lane.
    std::unordered_map<TPacingLane, std::uint64_t, TPacingLaneHash> LastStartAt;
    // Every running check by serial: its lane, when it started, whether it asks RDAP.
    struct TRunning
    {
        TPacingLane Lane;
        std::uint64_t StartedAt = 0;
        bool Rdap = false;
    };
    std::unordered_map<std::uint64_t, TRunning> Checks;
    // Running RDAP checks by paced host, and running WHOIS checks by lane.
    std::unordered_map<std::string, int> RdapRunning;
    std::unordered_map<TPacingLane, int, TPacingLaneHash> LaneRunning;
    std::vector<std::string> Ways;
    int PauseMs = 0;
    int LaneCap = MaxChecksPerLane;
    TLearntPace Pace;
};
