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
