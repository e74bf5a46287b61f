#include "engine/ProxyRouter.h"

#include "settings/ProxyUrl.h"

#include <algorithm>

TProxyRouter::TProxyRouter(TTickClock clock) : Clock(std::move(clock)) {}

void TProxyRouter::Load(std::vector<TProxySettings> pool)
{
    Pool = std::move(pool);
    if (Rests.size() != Pool.size())
        Rests.assign(Pool.size(), TRest{});
}

const TProxySettings* TProxyRouter::Proxy(std::size_t proxy) const
{
    if (Pool.empty())
        return nullptr;
    return &Pool[proxy < Pool.size() ? proxy : 0];
}

bool TProxyRouter::Allows(TRowId row, std::size_t proxy) const
{
    const auto route = Routes.find(row);
    return route == Routes.end() || proxy >= route->second.Failed.size() || !route->second.Failed[proxy];
}

std::optional<std::size_t> TProxyRouter::Choose(TRowId row, const TFreeAt& freeAt)
{
    if (!Pooled())
        return 0;
    const auto route = Routes.find(row);
    std::optional<std::size_t> best;
    std::uint64_t bestAt = 0;
    for (std::size_t step = 0; step < Pool.size(); ++step) {
        const std::size_t proxy = (ProxyCursor + step) % Pool.size();
        if (route != Routes.end() && proxy < route->second.Failed.size() && route->second.Failed[proxy])
            continue;
        const std::uint64_t at = freeAt(proxy);
        if (!best || at < bestAt) {
            best = proxy;
            bestAt = at;
        }
    }
    // Proxies that are equally good take turns.
    if (best)
        ProxyCursor = (*best + 1) % Pool.size();
    return best;
}

std::string TProxyRouter::Through(std::size_t proxy) const
{
    const std::string way = ProxyUrl(Pool[proxy], false);
    return way == "direct" ? "Asked directly" : "Asked through " + way;
}

void TProxyRouter::Failed(TRowId row, std::size_t proxy, const std::string& failure)
{
    if (proxy >= Pool.size())
        return;
    TRoute& route = Routes[row];
    // A proxy's failure names the proxy itself ("The proxy socks5://... refused ...").
    route.Trail += (failure.rfind("The proxy ", 0) == 0 ? failure : Through(proxy) + ": " + failure) + "\r\n";
    route.Failed.resize(Pool.size());
    route.Failed[proxy] = true;
    TRest& rest = Rests[proxy];
    rest.Until = Now() + static_cast<std::uint64_t>(rest.NextMs);
    rest.NextMs = std::min(rest.NextMs * 2, LastRestMs);
}

void TProxyRouter::GotThrough(TRowId row, std::size_t proxy)
{
    if (proxy >= Pool.size())
        return;
    Rests[proxy].NextMs = FirstRestMs;
    Routes[row].Trail += Through(proxy) + "\r\n";
}

void TProxyRouter::Note(TRowId row, const std::string& line)
{
    Routes[row].Trail += line + "\r\n";
}

std::string TProxyRouter::TakeTrail(TRowId row)
{
    const auto route = Routes.find(row);
    if (route == Routes.end())
        return {};
    std::string trail = std::move(route->second.Trail);
    Routes.erase(route);
    return trail;
}
