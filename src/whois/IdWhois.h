#pragma once

#include "config/ConfigKeys.h"
#include "whois/SocksParameters.h"

#include <string>

// The server properties dialog's WHOIS client: the same bytes as TzqWhois, no connect time-out
// of its own, and every failure thrown as TQuarrowError carrying the connection layer's message
// (for example "Connection refused", "Host not found").
class TIdWhois
{
public:
    std::string Host{ConfigKeys::FallbackWhoisHost};
    int Port = 43;
    TSocksParameters Proxy;
    // When not -1: a descriptor that turns readable once the query is to be abandoned (written by
    // another thread); the query then fails at once instead of waiting for the host.
    int CancelFd = -1;

    std::string Lookup(const std::string& domain);
};
