#include "engine/HostPacing.h"

#include "base/AsciiText.h"
#include "engine/PaceFile.h"
#include "rdap/RdapClient.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"

#include <algorithm>
#include <limits>
#include <string_view>

namespace {

constexpr std::uint64_t Never = std::numeric_limits<std::uint64_t>::max();

} // namespace

THostPacing::THostPacing(std::string configPath, TTickClock clock, TRestedUntil restedUntil)
    : ConfigPath(std::move(configPath)), Clock(std::move(clock)), RestedUntil(std::move(restedUntil))
{
}

std::string THostPacing::PacedHost(const std::string& target)
{
    static const std::string_view Scheme = "https://";
    if (target.size() < Scheme.size() || LowerAscii(target.substr(0, Scheme.size())) != Scheme)
        return target;
    std::string authority = target.substr(Scheme.size(), target.find_first_of("/?#", Scheme.size()) - Scheme.size());
    if (const std::size_t at = authority.rfind('@'); at != std::string::npos)
        authority.erase(0, at + 1);
    if (const std::size_t colon = authority.rfind(':');
        colon != std::string::npos && authority.find(']', colon) == std::string::npos)
        authority.erase(colon);
    return LowerAscii(authority);
}

void THostPacing::Reload()
{
    Intervals.clear();
}

int THostPacing::IntervalOf(const std::string& host)
{
    if (host.empty())
        return 0;
    const auto known = Intervals.find(host);
    if (known != Intervals.end())
        return known->second;
    const int interval = std::max(0, TIniFile(ConfigPath).ReadInteger(host, std::string(ConfigKeys::MinInterval), 0));
    Intervals.emplace(host, interval);
    return interval;
}

void THostPacing::SetWays(std::vector<std::string> ways, int pauseMs)
{
    Ways = std::move(ways);
    PauseMs = std::max(0, pauseMs);
}

TLearntPace::TLane THostPacing::PaceLane(const TPacingLane& lane) const
{
    return {lane.Proxy < Ways.size() ? Ways[lane.Proxy] : std::string("direct"), lane.Host};
}

int THostPacing::FloorMs(const std::string& host)
{
    return std::max(IntervalOf(host), PauseMs);
}

void THostPacing::LoadPace(const std::string& path, std::string& message)
{
    if (!path.empty())
        TPaceFile::Load(path, Pace, message);
}

void THostPacing::SavePace(const std::string& path, std::string& message)
{
    if (path.empty() || !Pace.Changed())
        return;
    std::string error;
    if (TPaceFile::Save(path, Pace, error))
        Pace.MarkSaved();
    else if (message.empty())
        message = "The learnt pace could not be saved in " + path + ": " + error;
}

int THostPacing::LaneIntervalMs(const TPacingLane& lane, int minIntervalMs) const
{
    return Pace.IntervalMs(PaceLane(lane), minIntervalMs);
}

void THostPacing::Refused(std::uint64_t serial, int restMs)
{
    const auto check = Checks.find(serial);
    if (check == Checks.end())
        return;
    const TPacingLane& lane = check->second.Lane;
    const std::uint64_t now = Now();
    const TLearntPace::TLane learnt = PaceLane(lane);
    Pace.Refused(learnt, FloorMs(lane.Host), check->second.StartedAt, now);
    for (std::size_t proxy = 0; proxy < Ways.size(); ++proxy)
        if (proxy != lane.Proxy)
            Pace.Teach(learnt, PaceLane(TPacingLane{proxy, lane.Host}), now);
    // The host has just said it had enough: the next query waits a whole interval from here, or as
    // long as it asked.
    std::uint64_t& last = LastStartAt[lane];
    last = std::max(last, now);
    const int intervalMs = std::max(LaneIntervalMs(lane, IntervalOf(lane.Host)), 0);
    if (restMs > intervalMs)
        last = std::max(last, now + static_cast<std::uint64_t>(restMs - intervalMs));
}

void THostPacing::Answered(std::uint64_t serial)
{
    const auto check = Checks.find(serial);
    if (check != Checks.end())
        Pace.Answered(PaceLane(check->second.Lane), FloorMs(check->second.Lane.Host), check->second.StartedAt);
}

std::uint64_t THostPacing::DueAt(const TPacingLane& lane, int minIntervalMs) const
{
    // A host whose connections are all taken waits for a check's end, not for a tick.
    if (HostFull(lane.Host))
        return Never;
    if (const auto running = LaneRunning.find(lane); running != LaneRunning.end() && running->second >= LaneCap)
        return Never;
    const int intervalMs = LaneIntervalMs(lane, minIntervalMs);
    const std::uint64_t rested = RestedUntil ? RestedUntil(lane.Proxy) : 0;
    if (intervalMs <= 0)
        return rested;
    const auto last = LastStartAt.find(lane);
    if (last == LastStartAt.end())
        return rested;
    return std::max(rested, last->second + static_cast<std::uint64_t>(intervalMs));
}

std::uint64_t THostPacing::FreeAt(const TPacingLane& lane, int minIntervalMs) const
{
    const std::uint64_t dueAt = DueAt(lane, minIntervalMs);
    // A full host is full through every proxy: no lane of it is better than another.
    if (dueAt == Never)
        return Never;
    return std::max(Now(), dueAt) + static_cast<std::uint64_t>(std::max(0, LaneIntervalMs(lane, minIntervalMs))) *
                                        static_cast<std::uint64_t>(Waiting.CountIn(lane));
}

void THostPacing::Started(std::uint64_t serial, const TPacingLane& lane, bool rdap)
{
    const std::uint64_t now = Now();
    LastStartAt[lane] = now;
    Checks[serial] = TRunning{lane, now, rdap};
    if (rdap)
        ++RdapRunning[lane.Host];
    else
        ++LaneRunning[lane];
}

void THostPacing::Release(std::uint64_t serial)
{
    const auto check = Checks.find(serial);
    if (check == Checks.end())
        return;
    if (check->second.Rdap) {
        if (const auto running = RdapRunning.find(check->second.Lane.Host);
            running != RdapRunning.end() && --running->second <= 0)
            RdapRunning.erase(running);
    } else if (const auto running = LaneRunning.find(check->second.Lane);
               running != LaneRunning.end() && --running->second <= 0) {
        LaneRunning.erase(running);
    }
    Checks.erase(check);
}

bool THostPacing::HostFull(const std::string& host) const
{
    const auto running = RdapRunning.find(host);
    return running != RdapRunning.end() && running->second >= TRdapClient::ConnectionsPerHost;
}

std::optional<THostPacing::TWaitingRow> THostPacing::TakeDue()
{
    return Waiting.TakeDue([this](const TPacingLane& lane, int intervalMs) { return Due(lane, intervalMs); });
}

std::optional<THostPacing::TWaitingRow>
THostPacing::TakeMovable(std::size_t proxies, const std::function<bool(TRowId, std::size_t)>& allowed)
{
    if (proxies <= 1)
        return std::nullopt;
    return Waiting.TakeMovable([&](const TPacingLane& lane, int intervalMs, TRowId row) -> std::optional<TPacingLane> {
        if (Due(lane, intervalMs))
            return std::nullopt;
        for (std::size_t proxy = 0; proxy < proxies; ++proxy) {
            const TPacingLane other{proxy, lane.Host};
            if (proxy != lane.Proxy && Waiting.CountIn(other) == 0 && Due(other, intervalMs) && allowed(row, proxy))
                return other;
        }
        return std::nullopt;
    });
}

std::uint64_t THostPacing::NextDueTick() const
{
    return Waiting.NextDueTick([this](const TPacingLane& lane, int intervalMs) { return DueAt(lane, intervalMs); });
}
