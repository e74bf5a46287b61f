#include "settings/ProxyPool.h"

#include "settings/IniFile.h"
#include "settings/ProxyUrl.h"

#include <algorithm>

std::vector<TProxySettings> LoadFurtherProxies(const std::string& iniPath, std::vector<std::string>* problems)
{
    std::vector<TProxySettings> proxies;
    for (const auto& [key, value] : TIniFile(iniPath).ReadSectionValues(ProxyPoolSection)) {
        std::string error;
        if (value.empty())
            continue;
        if (std::optional<TProxySettings> proxy = ParseProxyUrl(value, error))
            proxies.push_back(std::move(*proxy));
        else if (problems)
            problems->push_back("[" + std::string(ProxyPoolSection) + "] " + key + " is left out: " + error);
    }
    return proxies;
}

void SaveFurtherProxies(const std::string& iniPath, const std::vector<TProxySettings>& proxies)
{
    const TIniFile ini(iniPath);
    for (const std::string& key : ini.ReadSection(ProxyPoolSection))
        ini.DeleteKey(ProxyPoolSection, key);
    for (std::size_t i = 0; i < proxies.size(); ++i)
        ini.WriteString(ProxyPoolSection, "Proxy" + std::to_string(i + 1), ProxyUrl(proxies[i], true));
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
