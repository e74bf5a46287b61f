#include "config/EngineSettings.h"

#include "config/ConfigKeys.h"
#include "config/IniFile.h"

TEngineSettings LoadSettings(const std::string& iniPath)
{
    TEngineSettings settings;
    settings.Proxy = LoadProxySettings(iniPath);
    const TIniFile ini(iniPath);
    settings.Attempts = ini.Read(ConfigKeys::Attempts);
    settings.Pause = ini.Read(ConfigKeys::Pause);
    settings.ThreadLimit = ini.Read(ConfigKeys::ThreadCount);
    settings.UseHyphens = ini.Read(ConfigKeys::UseHyphens);
    return settings;
}
