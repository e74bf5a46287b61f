#include "config/TldTable.h"

#include "config/ConfigKeys.h"
#include "config/IniFile.h"

std::string TldKey(std::string_view domain)
{
    const std::size_t dot = domain.rfind('.');
    return std::string(dot == std::string_view::npos ? domain : domain.substr(dot + 1));
}

std::string WhoisHostForDomain(const std::string& configPath, std::string_view domain)
{
    return TIniFile(configPath)
        .ReadString(std::string(ConfigKeys::TldSection), TldKey(domain), std::string(ConfigKeys::FallbackWhoisHost));
}
