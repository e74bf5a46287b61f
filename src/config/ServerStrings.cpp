#include "config/ServerStrings.h"

#include "base/AsciiText.h"
#include "config/ConfigKeys.h"
#include "whois/ResponseText.h"

TServerStrings TServerStrings::Load(const TIniFile& ini, const std::string& host)
{
    TServerStrings strings;
    strings.NotFound = ini.ReadString(host, std::string(ConfigKeys::NotFoundStrings), "");
    strings.WhoisServer = ini.ReadString(host, std::string(ConfigKeys::WhoisServerString), "");
    strings.Registrar = ini.ReadString(host, std::string(ConfigKeys::RegistrarString), "");
    strings.Expires = ini.ReadString(host, std::string(ConfigKeys::ExpiresString), "");
    return strings;
}

void TServerStrings::Save(const TIniFile& ini, const std::string& host) const
{
    ini.WriteValues({{host, std::string(ConfigKeys::NotFoundStrings), NotFound},
                     {host, std::string(ConfigKeys::WhoisServerString), WhoisServer},
                     {host, std::string(ConfigKeys::RegistrarString), Registrar},
                     {host, std::string(ConfigKeys::ExpiresString), Expires}});
}

std::string PlaceholderForTestDomain(const std::string& field, const std::string& testDomain)
{
    const std::string placeholder(ConfigKeys::DomainPlaceholder);
    const std::string typed = ReplaceAll(field, testDomain, placeholder);
    return ReplaceAll(typed, UpperAscii(testDomain), placeholder);
}
