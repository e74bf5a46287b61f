#include "settings/EngineSettings.h"

#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"
#include "settings/ProxyPool.h"

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
