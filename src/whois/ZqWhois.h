#pragma once

#include "settings/ConfigKeys.h"
#include "whois/SocksClient.h"
#include "whois/SocksParameters.h"

#include <atomic>
#include <string>

// The workers' WHOIS client. One query opens its own connection (directly or through the SOCKS
// proxy), sends the domain name and CR LF, and reads until the host closes. Failures up to and
// including sending are a false result, never an exception. An answer stops at 1 MiB.
class TzqWhois
{
public:
    static constexpr int DefaultConnectTimeoutMs = 5000;
    static constexpr std::size_t MaxAnswerBytes = 1024 * 1024;

    TzqWhois();
    ~TzqWhois();
    TzqWhois(const TzqWhois&) = delete;
    TzqWhois& operator=(const TzqWhois&) = delete;

    // The registry host of the .com and .net zones, the same host section TLD falls back on.
    std::string Host{ConfigKeys::FallbackWhoisHost};
    int Port = 43;
    TSocksParameters Proxy;
    // Bound of the TCP connect to the first hop: 5000 ms for every query; only tests shorten it.
    int ConnectTimeoutMs = DefaultConnectTimeoutMs;
    // Bound of the whole SOCKS negotiation after that connect: a proxy that takes the connection
    // and never answers fails the query (as a proxy failure) instead of holding it.
    int NegotiationTimeoutMs = TSocksClient::DefaultNegotiationTimeoutMs;

    // Bound of reading one answer in ms; 0: none (a host that never closes keeps the query
    // reading until it is abandoned).
    int ReadTimeoutMs = 0;

    // Returns true and sets `answer` when the connection was made and the request sent; false,
    // with `answer` untouched, when anything up to and including sending failed, or when the
    // query was abandoned. AnswerCut then tells whether the answer broke off before its end.
    bool Query(const std::string& domain, std::string& answer);
    // The last successful query's answer is only the part received before the connection broke
    // off (a reset, or the read bound passed); LastError says how.
    bool AnswerCut() const { return Cut; }
    // The last query failed at the proxy: it could not be reached, or it refused the negotiation
    // or the connection to the host.
    bool ProxyFailed() const { return ProxyFault; }
    // Of those, the proxy said that the host is not there (refused, unreachable): a host that is
    // down says that through every proxy.
    bool ProxyRefusedHost() const { return HostRefused; }
    // The last query failed because the host was not there (a name that does not resolve, a
    // refused connection), not because of the proxy or the answer.
    bool HostUnreachable() const { return Unreachable; }

    // Waits `ms` milliseconds, or less when the client is abandoned meanwhile; false then.
    bool Pause(int ms) const;

    // Thread-safe: shuts the current connection down so that a Query blocked in another thread
    // returns promptly; every later Query of this client fails at once. An abandoned query's
    // result is never reported as an answer (Query returns false).
    void Abandon();
    bool Abandoned() const { return AbandonFlag.load(); }

    // Message of the last failure (for logs and tests).
    const std::string& LastError() const { return ErrorText; }

private:
    std::atomic<bool> AbandonFlag{false};
    // An eventfd written by Abandon and polled by every wait of the query; it lives as long as the
    // client, so no descriptor is ever closed while another thread may still use it.
    int CancelFd = -1;
    std::string ErrorText;
    bool Cut = false;
    bool ProxyFault = false;
    bool HostRefused = false;
    bool Unreachable = false;
};
