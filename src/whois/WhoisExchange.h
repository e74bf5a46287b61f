#pragma once

#include "whois/SocksParameters.h"

#include <cstddef>
#include <string>

// One WHOIS exchange as both clients perform it: connect to the first hop (the WHOIS host, or the
// proxy followed by the SOCKS negotiation), send the domain name and CR LF, read until the host
// closes. Kept in one place so the two clients put identical bytes on the wire.
struct TWhoisRequest
{
    std::string Host;
    int Port = 43;
    TSocksParameters Proxy;
    int ConnectTimeoutMs = 0; // 0: no bound of our own
    // Bound of the whole SOCKS negotiation; 0: none of our own.
    int NegotiationTimeoutMs = 0;
    int ReadTimeoutMs = 0; // bound of reading the answer; 0: none of our own
    int CancelFd = -1;     // readable once the exchange is to be abandoned
    std::size_t MaxAnswerBytes = 1024 * 1024;
};

enum class TWhoisOutcome
{
    Answered, // connected and sent; `answer` holds what arrived until the host closed (or the cap)
    Cut,      // connected and sent, but the answer broke off (a reset, the read bound): `answer`
              // holds the part received and `error` says why
    Failed,   // nothing usable: `error` says why, `answer` is untouched
    // As Failed, and the WHOIS host itself (not a proxy) was not there: its name did not resolve,
    // or it refused or never took the connection; `error` names the host
    Unreachable,
    // The proxy could not be reached, refused the negotiation (or the target) or did not complete
    // it in time; `error` names the proxy. Another proxy may well get through
    ProxyFailed,
    // As ProxyFailed, where the proxy said that the WHOIS host is not there (refused, unreachable)
    ProxyRefusedTarget,
    Abandoned // the cancel descriptor fired; `answer` is untouched
};

TWhoisOutcome ExchangeWhois(const TWhoisRequest& request, const std::string& domain, std::string& answer,
                            std::string& error);
