#pragma once

#include "settings/ConfigKeys.h"
#include "whois/SocksParameters.h"

#include <string>

// The server properties dialog's WHOIS client: the same bytes as TzqWhois, no connect time-out
// of its own, and every failure thrown as TQuarrowError carrying the connection layer's message
// (for example "Connection refused", "Host not found"). TimeoutMs, when above 0, bounds the whole
// exchange (connect, proxy negotiation and answer), for callers that have nobody to press Cancel.
class TIdWhois
{
public:
    std::string Host{ConfigKeys::FallbackWhoisHost};
    int Port = 43;
    TSocksParameters Proxy;
    int TimeoutMs = 0;
    // When not -1: a descriptor that turns readable once the query is to be abandoned (written by
    // another thread, for a Cancel button); the query then fails at once. It takes the place of
    // TimeoutMs: a caller with a Cancel button has somebody to press it.
    int CancelFd = -1;

    std::string Lookup(const std::string& domain);
};
