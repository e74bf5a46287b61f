#include "settings/SettingsPages.h"

#include "base/AsciiText.h"
#include "settings/DnsServerAddress.h"
#include "settings/ProxyPool.h"
#include "settings/ProxyUrl.h"

#include <algorithm>
#include <iterator>

TSettingsPages TSettingsPages::Load(const TIniFile& ini)
{
    TSettingsPages pages;
    // One read of the section, however many hosts it lists.
    for (auto& [domain, server] : ini.ReadSectionValues(std::string(ConfigKeys::TldSection)))
        pages.Servers.push_back({std::move(domain), std::move(server)});
    pages.Proxy = LoadProxySettings(ini.FileName());
    pages.FurtherProxies = LoadFurtherProxies(ini.FileName());
    TPreferences& pref = pages.Preferences;
    pref.UseHyphens = ini.Read(ConfigKeys::UseHyphens);
    pref.UseUpdate = ini.Read(ConfigKeys::UseUpdate);
    pref.UseUpdateWords = ini.Read(ConfigKeys::UseUpdateWords);
    pref.ThreadCount = ThreadCountRange.Clamp(ini.Read(ConfigKeys::ThreadCount));
    pref.Attempts = AttemptsRange.Clamp(ini.Read(ConfigKeys::Attempts));
    pref.Pause = PauseRange.Clamp(ini.Read(ConfigKeys::Pause));
    pref.DnsFirst = ini.Read(ConfigKeys::DnsFirst);
    pref.DnsServer = ini.Read(ConfigKeys::DnsServer);
    return pages;
}

std::vector<TIniValue> TSettingsPages::Values() const
{
    std::vector<TIniValue> values;
    values.reserve(Servers.size() + 12);
    const auto add = [&values](const auto& key, std::string value) {
        values.push_back({std::string(key.Section), std::string(key.Key), std::move(value)});
    };
    const auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
    add(ConfigKeys::UseProxy, flag(Proxy.UseProxy));
    add(ConfigKeys::Socks, std::to_string(Proxy.SOCKS >= 0 && Proxy.SOCKS < 3 ? Proxy.SOCKS : -1));
    add(ConfigKeys::ProxyServer, Proxy.Server);
    add(ConfigKeys::ProxyUser, Proxy.User);
    add(ConfigKeys::ProxyPort, Proxy.Port);
    add(ConfigKeys::ProxyPassword, Proxy.Password);
    for (std::size_t i = 0; i < FurtherProxies.size(); ++i)
        values.push_back(
            {std::string(ProxyPoolSection), "Proxy" + std::to_string(i + 1), ProxyUrl(FurtherProxies[i], true)});
    for (const TTldRow& row : Servers)
        values.push_back({std::string(ConfigKeys::TldSection), row.Domain, row.Server});
    add(ConfigKeys::UseHyphens, flag(Preferences.UseHyphens));
    add(ConfigKeys::UseUpdate, flag(Preferences.UseUpdate));
    add(ConfigKeys::UseUpdateWords, flag(Preferences.UseUpdateWords));
    add(ConfigKeys::ThreadCount, std::to_string(Preferences.ThreadCount));
    add(ConfigKeys::Attempts, std::to_string(Preferences.Attempts));
    add(ConfigKeys::Pause, std::to_string(Preferences.Pause));
    add(ConfigKeys::DnsFirst, flag(Preferences.DnsFirst));
    add(ConfigKeys::DnsServer, Trim(Preferences.DnsServer));
    return values;
}

void TSettingsPages::Save(const TIniFile& ini) const
{
    std::vector<TIniValue> values = Values();
    // Keys of a longer list saved before are emptied in the same write (an empty key names no proxy).
    for (const std::string& key : ini.ReadSection(std::string(ProxyPoolSection)))
        if (std::none_of(values.begin(), values.end(),
                         [&](const TIniValue& value) { return value.Section == ProxyPoolSection && value.Key == key; }))
            values.push_back({std::string(ProxyPoolSection), key, ""});
    ini.WriteValues(values);
}

std::string DnsServerFieldProblem(const std::string& text)
{
    // Blank means the system's resolvers; blanks around an address are no part of it.
    const std::string address = Trim(text);
    return address.empty() ? std::string() : DnsServerProblem(address);
}

bool CanAddTldRow(const std::string& domain, const std::string& server)
{
    return !Trim(domain).empty() && !Trim(server).empty();
}

TTldRow NewTldRow(const std::string& domain, const std::string& server)
{
    return {Trim(domain), server};
}

int FirstUnsavableTldRow(const std::vector<TTldRow>& rows)
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string key = Trim(rows[i].Domain);
        if (key.find_first_of("=\r\n") != std::string::npos || (!key.empty() && (key[0] == ';' || key[0] == '[')))
            return static_cast<int>(i);
    }
    return -1;
}

int SocksIndexOf(const std::string& typeName)
{
    for (std::size_t i = 0; i < std::size(SocksTypeNames); ++i)
        if (typeName == SocksTypeNames[i])
            return static_cast<int>(i);
    return -1;
}
