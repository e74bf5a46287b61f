#pragma once

#include "settings/IniFile.h"
#include "settings/ProxySettings.h"

#include <string>
#include <vector>

// What the settings dialog edits, loaded from and saved to the configuration file without a
// widget in sight: the WHOIS host table, the proxy and the preferences. The dialog shows these
// values and hands them back on OK; all keys of one OK land in the file together or not at all.

struct TTldRow
{
    std::string Domain;
    std::string Server;

    bool operator==(const TTldRow&) const = default;
};

struct TSpinRange
{
    int Min;
    int Max;

    int Clamp(int value) const { return value < Min ? Min : (value > Max ? Max : value); }
};

inline constexpr TSpinRange ThreadCountRange{1, 100};
inline constexpr TSpinRange AttemptsRange{1, 10};
inline constexpr TSpinRange PauseRange{5, 5000};

// The proxy types in the order of their index in key SOCKS.
inline constexpr const char* SocksTypeNames[] = {"SOCKS Version 5", "SOCKS Version 4A", "SOCKS Version 4"};

struct TPreferences
{
    bool UseHyphens = ConfigKeys::UseHyphens.Default;
    bool UseUpdate = ConfigKeys::UseUpdate.Default;
    bool UseUpdateWords = ConfigKeys::UseUpdateWords.Default;
    // Kept inside their spin ranges: a stored value outside shows (and is saved) as the nearest limit.
    int ThreadCount = ConfigKeys::ThreadCount.Default;
    int Attempts = ConfigKeys::Attempts.Default;
    int Pause = ConfigKeys::Pause.Default;
    bool DnsFirst = ConfigKeys::DnsFirst.Default;
    std::string DnsServer{ConfigKeys::DnsServer.Default}; // empty: the system's resolvers
};

struct TSettingsPages
{
    std::vector<TTldRow> Servers;
    TProxySettings Proxy; // SOCKS outside 0..2 means no type is selected
    // Section ProxyPool: the proxies checks are spread over besides Proxy.
    std::vector<TProxySettings> FurtherProxies;
    TPreferences Preferences;

    // LoadServers, LoadProxy, LoadPreferences.
    static TSettingsPages Load(const TIniFile& ini);
    // The keys of SaveProxy, SaveServers and SavePreferences, in this order; two rows with the same
    // domain leave the later row's server.
    std::vector<TIniValue> Values() const;
    // One replacement of the file; throws TQuarrowError ("Unable to write to ...") and writes
    // nothing when it fails.
    void Save(const TIniFile& ini) const;
};

// Empty when OK may save the pages, else what to fix (the DNS server field's problem).
std::string DnsServerFieldProblem(const std::string& text);

// The add button's rule: both texts hold more than blanks.
bool CanAddTldRow(const std::string& domain, const std::string& server);
// The row the add button appends: the domain trimmed, the server as typed.
TTldRow NewTldRow(const std::string& domain, const std::string& server);
// The first row whose domain cannot be a key of the file (it holds "=" or a line break, or starts
// with ";" or "["), or -1. The file would refuse the whole OK for it.
int FirstUnsavableTldRow(const std::vector<TTldRow>& rows);
// Index of a proxy type name in key SOCKS, -1 for a text that is none of them.
int SocksIndexOf(const std::string& typeName);
