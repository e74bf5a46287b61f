#include "whois/ServerStrings.h"

#include "base/AsciiText.h"
#include "base/Utf8.h"
#include "settings/ConfigKeys.h"
#include "whois/AnswerText.h"
#include "whois/HostStrings.h"

#include <algorithm>
#include <vector>

TServerStrings TServerStrings::Load(const TIniFile& ini, const std::string& host)
{
    // One read of the file for the strings, however large the host's section is.
    std::vector<std::string> values;
    ini.ReadStrings(host,
                    {ConfigKeys::NotFoundStrings, ConfigKeys::WhoisServerString, ConfigKeys::RegistrarString,
                     ConfigKeys::ExpiresString, ConfigKeys::LimitStrings},
                    values);
    const int interval = ini.ReadInteger(host, std::string(ConfigKeys::MinInterval), 0);
    return {values[0], values[1], values[2], values[3], values[4], std::max(0, interval)};
}

void TServerStrings::Save(const TIniFile& ini, const std::string& host) const
{
    ini.WriteValues({{host, std::string(ConfigKeys::NotFoundStrings), NotFound},
                     {host, std::string(ConfigKeys::WhoisServerString), WhoisServer},
                     {host, std::string(ConfigKeys::RegistrarString), Registrar},
                     {host, std::string(ConfigKeys::ExpiresString), Expires},
                     {host, std::string(ConfigKeys::LimitStrings), Limits},
                     {host, std::string(ConfigKeys::MinInterval), std::to_string(std::max(0, MinInterval))}});
}

namespace {

THostStrings AsHostStrings(const TServerStrings& strings)
{
    THostStrings host;
    host.NotFound = strings.NotFound;
    host.Registrar = strings.Registrar;
    host.WhoisServer = strings.WhoisServer;
    host.Expires = strings.Expires;
    host.Limits = strings.Limits;
    return host;
}

} // namespace

std::string TServerStrings::Verdict(const std::string& answer, const std::string& domain,
                                    const TServerStrings& fallback) const
{
    const THostStrings host = THostStrings::Combined(AsHostStrings(*this), AsHostStrings(fallback));
    return host.Read(TAnswerText(answer), domain).Line();
}

std::string TServerStrings::Verdict(const std::string& answer, const std::string& domain) const
{
    return Verdict(answer, domain, TServerStrings());
}

TServerStrings TServerStrings::KeptOrTyped(const TServerStrings& typed) const
{
    const auto pick = [](const std::string& loaded, const std::string& shown) {
        return shown == Utf8OrLatin1(loaded) ? loaded : shown;
    };
    return {pick(NotFound, typed.NotFound), pick(WhoisServer, typed.WhoisServer), pick(Registrar, typed.Registrar),
            pick(Expires, typed.Expires),   pick(Limits, typed.Limits),           typed.MinInterval};
}

std::string PlaceholderForTestDomain(const std::string& field, const std::string& testDomain)
{
    const std::string placeholder(ConfigKeys::DomainPlaceholder);
    const std::string typed = ReplaceAll(field, testDomain, placeholder);
    return ReplaceAll(typed, UpperAscii(testDomain), placeholder);
}
