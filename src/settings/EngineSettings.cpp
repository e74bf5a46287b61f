#include "settings/EngineSettings.h"

#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"
#include "settings/ProxyPool.h"
#include "settings/ProxyUrl.h"

#include <algorithm>

TEngineSettings LoadSettings(const std::string& iniPath)
{
    TEngineSettings settings;
    settings.Proxy = LoadProxySettings(iniPath);
    const TIniFile ini(iniPath);
    settings.Attempts = std::clamp(ini.Read(ConfigKeys::Attempts), ConfigKeys::MinAttempts, ConfigKeys::MaxAttempts);
    settings.Pause = ini.Read(ConfigKeys::Pause);
    settings.ThreadLimit = ini.Read(ConfigKeys::ThreadCount);
    settings.UseHyphens = ini.Read(ConfigKeys::UseHyphens);
    settings.DnsFirst = ini.Read(ConfigKeys::DnsFirst);
    settings.DnsServer = ini.Read(ConfigKeys::DnsServer);
    settings.FurtherProxies = LoadFurtherProxies(iniPath, &settings.Problems);
    return settings;
}

std::vector<TProxySettings> ProxyPool(const TEngineSettings& settings)
{
    // A proxy listed twice (the connection page's one again among the further ones, or --proxy
    // given twice) is one way out with one source address: a second entry would take its own
    // share of the rows, keep a pace of its own towards the hosts, and show up twice in a trail.
    std::vector<TProxySettings> pool{settings.Proxy};
    std::vector<std::string> shown{ProxyUrl(settings.Proxy, false)};
    for (const TProxySettings& proxy : settings.FurtherProxies) {
        std::string url = ProxyUrl(proxy, false);
        if (std::find(shown.begin(), shown.end(), url) != shown.end())
            continue;
        shown.push_back(std::move(url));
        pool.push_back(proxy);
    }
    return pool;
}
