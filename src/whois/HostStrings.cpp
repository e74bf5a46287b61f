#include "whois/HostStrings.h"

#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "whois/ResponseText.h"

#include <vector>

THostStrings THostStrings::Load(const std::string& iniPath, const std::string& host)
{
    std::vector<std::string> values;
    THostStrings strings;
    strings.Readable = TIniFile(iniPath).ReadStrings(host,
                                                     {ConfigKeys::NotFoundStrings, ConfigKeys::RegistrarString,
                                                      ConfigKeys::WhoisServerString, ConfigKeys::ExpiresString},
                                                     values);
    strings.NotFound = std::move(values[0]);
    strings.Registrar = std::move(values[1]);
    strings.WhoisServer = std::move(values[2]);
    strings.Expires = std::move(values[3]);
    return strings;
}

std::string THostStrings::ExpiryText(const std::string& answer) const
{
    if (!Readable)
        return {};
    std::string text = ValueAfterLastLabel(Expires, answer);
    if (text.empty())
        FindExpiryDate(answer, text);
    return text;
}
