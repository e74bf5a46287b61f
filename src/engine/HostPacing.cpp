#include "engine/HostPacing.h"

#include "base/AsciiText.h"
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

std::uint64_t THostPacing::DueAt(const TPacingLane& lane, int intervalMs) const
{
    // A host whose connections are all taken waits for a check's end, not for a tick.
    if (HostFull(lane.Host))
        return Never;
    const std::uint64_t rested = RestedUntil ? RestedUntil(lane.Proxy) : 0;
    if (intervalMs <= 0)
        return rested;
    const auto last = LastStartAt.find(lane);
    if (last == LastStartAt.end())
        return rested;
    return std::max(rested, last->second + static_cast<std::uint64_t>(intervalMs));
}

std::uint64_t THostPacing::FreeAt(const TPacingLane& lane, int intervalMs) const
{
    const std::uint64_t dueAt = DueAt(lane, intervalMs);
    // A full host is full through every proxy: no lane of it is better than another.
    if (dueAt == Never)
        return Never;
    return std::max(Now(), dueAt) +
           static_cast<std::uint64_t>(std::max(0, intervalMs)) * static_cast<std::uint64_t>(Waiting.CountIn(lane));
}

void THostPacing::Started(std::uint64_t serial, const TPacingLane& lane, bool rdap)
{
    LastStartAt[lane] = Now();
    if (rdap) {
        ++RdapRunning[lane.Host];
        RdapHostOf[serial] = lane.Host;
    }
}

void THostPacing::Release(std::uint64_t serial)
{
    const auto check = RdapHostOf.find(serial);
    if (check == RdapHostOf.end())
        return;
    if (const auto running = RdapRunning.find(check->second); running != RdapRunning.end() && --running->second <= 0)
        RdapRunning.erase(running);
    RdapHostOf.erase(check);
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

std::uint64_t THostPacing::NextDueTick() const
{
    return Waiting.NextDueTick([this](const TPacingLane& lane, int intervalMs) { return DueAt(lane, intervalMs); });
}
