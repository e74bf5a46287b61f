#pragma once

#include "settings/ConfigKeys.h"
#include "settings/ProxySettings.h"

#include <string>
#include <vector>

// The copies of the configuration file's engine settings that the main window (and the command
// line) keeps; reloaded after every close of the settings dialog.
struct TEngineSettings
{
    TProxySettings Proxy;
    // Section ProxyPool: further ways out that checks are spread over beside Proxy (ProxyPool.h).
    std::vector<TProxySettings> FurtherProxies;
    // Settings the file holds but that cannot be used, each naming itself: shown to the user
    // rather than dropped without a word.
    std::vector<std::string> Problems;
    int Attempts = ConfigKeys::Attempts.Default; // queries per server, and the watchdog budget (Attempts x 41000 ms)
    int Pause = ConfigKeys::Pause.Default;       // interval in ms of the dispatcher timer
    int ThreadLimit = ConfigKeys::ThreadCount.Default; // most workers running at once
    bool UseHyphens = ConfigKeys::UseHyphens.Default;
    bool DnsFirst = ConfigKeys::DnsFirst.Default;
    std::string DnsServer{ConfigKeys::DnsServer.Default};
};

// Reads section Proxy, then Pref: UseProxy, SOCKS, Server, User, Port, Password, Attempts, Pause,
// ThrdCount, UseHyp, DnsFirst, DnsServer, in that order, each with its default; Attempts brought into
// 1 to 10; then section ProxyPool.
TEngineSettings LoadSettings(const std::string& iniPath);
