#pragma once

#include "settings/EngineSettings.h"
#include "settings/ProxyUrl.h"
#include "support/SocksDaemons.h"

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

// The microsocks servers the pool benchmarks check through, each on loopback.
namespace BenchProxies {

// Every proxy started; when one did not, says why.
inline bool Started(std::initializer_list<const TMicrosocksServer*> proxies)
{
    for (const TMicrosocksServer* proxy : proxies)
        if (!proxy->Started()) {
            std::printf("microsocks did not start: %s\n", proxy->Failure().c_str());
            return false;
        }
    return true;
}

// The settings' pool: the first proxy as the proxy, the others after it; none: direct.
inline void Use(TEngineSettings& settings, const std::vector<TMicrosocksServer*>& proxies)
{
    for (const TMicrosocksServer* proxy : proxies) {
        std::string error;
        const TProxySettings parsed =
            ParseProxyUrl("socks5://127.0.0.1:" + std::to_string(proxy->Port()), error).value();
        if (proxy == proxies.front())
            settings.Proxy = parsed;
        else
            settings.FurtherProxies.push_back(parsed);
    }
}

} // namespace BenchProxies
