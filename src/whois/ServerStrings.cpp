#include "whois/ServerStrings.h"

#include "base/AsciiText.h"
#include "base/Utf8.h"
#include "settings/ConfigKeys.h"
#include "whois/ResponseText.h"

#include <vector>

TServerStrings TServerStrings::Load(const TIniFile& ini, const std::string& host)
{
    // One read of the file for all four, however large the host's section is.
    std::vector<std::string> values;
    ini.ReadStrings(host,
                    {ConfigKeys::NotFoundStrings, ConfigKeys::WhoisServerString, ConfigKeys::RegistrarString,
                     ConfigKeys::ExpiresString},
                    values);
    return {values[0], values[1], values[2], values[3]};
}

void TServerStrings::Save(const TIniFile& ini, const std::string& host) const
{
    ini.WriteValues({{host, std::string(ConfigKeys::NotFoundStrings), NotFound},
                     {host, std::string(ConfigKeys::WhoisServerString), WhoisServer},
                     {host, std::string(ConfigKeys::RegistrarString), Registrar},
                     {host, std::string(ConfigKeys::ExpiresString), Expires}});
}

TServerStrings TServerStrings::KeptOrTyped(const TServerStrings& typed) const
{
    const auto pick = [](const std::string& loaded, const std::string& shown) {
        return shown == Utf8OrLatin1(loaded) ? loaded : shown;
    };
    return {pick(NotFound, typed.NotFound), pick(WhoisServer, typed.WhoisServer), pick(Registrar, typed.Registrar),
            pick(Expires, typed.Expires)};
}

std::string PlaceholderForTestDomain(const std::string& field, const std::string& testDomain)
{
    const std::string placeholder(ConfigKeys::DomainPlaceholder);
    const std::string typed = ReplaceAll(field, testDomain, placeholder);
    return ReplaceAll(typed, UpperAscii(testDomain), placeholder);
}
