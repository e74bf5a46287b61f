#pragma once

#include "config/ProxySettings.h"
#include "engine/DomainTableModel.h"
#include "whois/ZqWhois.h"

#include <string>

// Everything one worker needs for its check, copied before it starts: later changes in the window
// or the settings never reach a running check.
struct TWhoisJob
{
    std::string DomainName;
    TProxySettings ProxySettings;
    std::string WhoisServer;
    std::string ConfigPath;
    TRowId RowIndex = NoRowId;
    int Attempts = 0;
    int Port = 43;
    int ConnectTimeoutMs = TzqWhois::DefaultConnectTimeoutMs;
};
