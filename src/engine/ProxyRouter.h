#pragma once

#include "engine/TickClock.h"
#include "models/DomainTableModel.h" // TRowId
#include "settings/ProxySettings.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// The ways out that checks are spread over (the proxy pool; one entry without one): which proxy a
// row goes through, the rest of a proxy that failed, and each row's trail of attempts, which heads
// its answers entry. It knows nothing of hosts or their pacing: the caller says when each proxy
// would take the row (FreeAt), so the choice and the rests can be driven by a clock alone.
class TProxyRouter
{
public:
    // A failed proxy rests this long, twice as long after each further failure up to the last.
    static constexpr int FirstRestMs = 10000;
    static constexpr int LastRestMs = 160000;

    // When a row would go out through a proxy (its lane's turn, rows already waiting counted).
    using TFreeAt = std::function<std::uint64_t(std::size_t proxy)>;

    explicit TProxyRouter(TTickClock clock);

    // A new pool; the rests are kept while the pool keeps its size.
    void Load(std::vector<TProxySettings> pool);
    std::size_t Count() const { return Pool.size(); }
    // The proxy's settings; null before a pool was loaded.
    const TProxySettings* Proxy(std::size_t proxy) const;
    // More than one way out: a failing proxy moves the row to another.
    bool Pooled() const { return Pool.size() > 1; }
    // The tick until which the proxy rests (0: not resting).
    std::uint64_t RestsUntil(std::size_t proxy) const { return proxy < Rests.size() ? Rests[proxy].Until : 0; }

    // Of the proxies that have not failed for the row, the one that takes it first; equally good
    // ones take turns. Nothing when every proxy failed for it; 0 without a pool.
    std::optional<std::size_t> Choose(TRowId row, const TFreeAt& freeAt);

    // The proxy has not failed for the row (a row may be moved to it).
    bool Allows(TRowId row, std::size_t proxy) const;
    // The row's check through `proxy` could not get through it: the trail says so, the proxy is
    // not chosen for the row again, and it rests.
    void Failed(TRowId row, std::size_t proxy, const std::string& failure);
    // The row's check got through `proxy`: the trail says so and the proxy's next rest is short.
    void GotThrough(TRowId row, std::size_t proxy);
    // A line of the router's own at the end of the row's trail (why no other proxy was tried).
    void Note(TRowId row, const std::string& line);
    // The row's trail ("" without one), after which the row may take every proxy again.
    std::string TakeTrail(TRowId row);
    // Forgets the row's attempts (a new check of it), or every row's (a new pass).
    void Forget(TRowId row) { Routes.erase(row); }
    void ForgetRows() { Routes.clear(); }

private:
    std::uint64_t Now() const { return Clock ? Clock() : SystemTickCount(); }
    // "Asked directly" or "Asked through socks5://user@host:port", never with the password.
    std::string Through(std::size_t proxy) const;

    TTickClock Clock;
    std::vector<TProxySettings> Pool;
    struct TRest
    {
        std::uint64_t Until = 0;
        int NextMs = FirstRestMs;
    };
    std::vector<TRest> Rests;    // one per entry of Pool
    std::size_t ProxyCursor = 0; // where the search for an equally good proxy starts, in turn
    // Per row of a pool check: the proxies that failed for it and what each attempt did.
    struct TRoute
    {
        std::vector<bool> Failed;
        std::string Trail;
    };
    std::unordered_map<TRowId, TRoute> Routes;
};
