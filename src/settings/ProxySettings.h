#pragma once

#include "settings/ConfigKeys.h"

#include <string>

// The six keys of section "Proxy", travelling together as one record: loaded by LoadSettings,
// copied into every worker, turned into a connection's SOCKS parameters by ConfigureProxy.
struct TProxySettings
{
    bool UseProxy = ConfigKeys::UseProxy.Default;
    int SOCKS = ConfigKeys::Socks.Default; // 0 = SOCKS 5, 1 = SOCKS 4A, 2 = SOCKS 4, anything else = no proxy
    std::string Server;
    std::string Port{ConfigKeys::ProxyPort.Default}; // kept as text; converted where a connection is set up
    std::string User;
    std::string Password;
};

TProxySettings LoadProxySettings(const std::string& iniPath);
