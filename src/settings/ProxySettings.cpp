#include "settings/ProxySettings.h"

#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"

TProxySettings LoadProxySettings(const std::string& iniPath)
{
    const TIniFile ini(iniPath);
    TProxySettings proxy;
    proxy.UseProxy = ini.Read(ConfigKeys::UseProxy);
    proxy.SOCKS = ini.Read(ConfigKeys::Socks);
    proxy.Server = ini.Read(ConfigKeys::ProxyServer);
    proxy.User = ini.Read(ConfigKeys::ProxyUser);
    proxy.Port = ini.Read(ConfigKeys::ProxyPort);
    proxy.Password = ini.Read(ConfigKeys::ProxyPassword);
    return proxy;
}
