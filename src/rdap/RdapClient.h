#pragma once

#include "rdap/RdapBootstrap.h"
#include "rdap/RdapCancel.h"
#include "rdap/RdapFetch.h"
#include "whois/SocksClient.h"
#include "whois/SocksParameters.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QThread;
class TRdapNetwork;

// What the client is told besides each request. The window and the command line keep the
// defaults; tests trust their own certificate authority.
struct TRdapClientOptions
{
    // PEM certificates trusted besides the system's store; verification itself is never off.
    std::string ExtraCaCertificatesPem;
    int MaxRedirects = 5;
    // A body beyond this is not read on: the transfer is aborted and the query fails.
    std::size_t MaxBodyBytes = 20 * 1024 * 1024;
    // How long a request may wait for a free connection to its host before its worker gives up
    // (its own time-out starts only when it is sent). With the time-out, well inside the watchdog's
    // 41 s per attempt.
    int MaxQueueWaitMs = 20000;
    // How long a request through a SOCKS 5 proxy may go unwritten before the proxy is tried on
    // its own: one that does not complete a negotiation within this bound has failed (a proxy that
    // takes connections and never answers would otherwise hold every query to its time-out).
    int NegotiationTimeoutMs = TSocksClient::DefaultNegotiationTimeoutMs;
    // The addresses a redirect's host name stands for, looked up before the redirect is followed;
    // empty: the system's resolver. Tests name the addresses themselves.
    std::function<std::vector<std::string>(const std::string& host)> ResolveRedirectHost;
};

// RDAP over HTTPS for every worker of a program. One network thread with one
// QNetworkAccessManager serves all of them, so the HTTPS connections to a registry's host are
// kept open and reused from one name to the next. A worker (never the GUI thread) calls Get and
// waits for its own reply only, bounded by its time-out and its cancel token. At most
// ConnectionsPerHost requests are out to one host at a time, as many as Qt keeps connections to
// it: the others wait here, unsent, and a request whose worker stops waiting before its turn is
// never sent. Redirects are followed here, not by Qt, so that each hop can be checked: HTTPS only,
// at most MaxRedirects, never to a private, loopback or link-local address unless the hop stays on
// the service's own host or goes to another host of the RDAP bootstrap.
//
// Workers hold the client through a shared pointer: the last one to let go stops the network
// thread, which never blocks (QtNetwork works asynchronously), so that ending is prompt.
class TRdapClient
{
public:
    // Bound of one query from the moment it is sent, redirects included: well inside the
    // watchdog's 41 s per attempt.
    static constexpr int DefaultTimeoutMs = 20000;
    // Qt's connections to one HTTPS host (HTTP/1.1), and so the requests that can be out at once.
    static constexpr int ConnectionsPerHost = 6;

    explicit TRdapClient(TRdapClientOptions options = {});
    ~TRdapClient();
    TRdapClient(const TRdapClient&) = delete;
    TRdapClient& operator=(const TRdapClient&) = delete;

    // GET `url` and wait at most `timeoutMs` for the whole exchange (redirects included), counted
    // from when the request goes out. With a SOCKS 5 proxy the connection goes through it; SOCKS 4
    // and 4A cannot carry TLS to a host name the way RDAP needs and fail without any traffic. A
    // proxy that refuses, cannot be reached or does not complete its negotiation in time fails the
    // query with ProxyFailed set.
    // Returns early, as an error, when `cancel` is cancelled. A redirect to one of `knownHosts`
    // (the bootstrap's hosts) is followed wherever that host's address is.
    TRdapFetch Get(const std::string& url, const TSocksParameters& proxy, int timeoutMs, TRdapCancel& cancel,
                   std::shared_ptr<const TRdapHostSet> knownHosts = nullptr);

    // Queries whose network side (connection, name lookup, transfer) has not ended yet, also
    // those whose worker stopped waiting. A program that ends while this is non-zero must not wait
    // for them: Qt's name lookups are waited for at exit, however long the resolver takes.
    int InFlight() const { return Pending->load(); }

    // BASE/domain/NAME, with exactly one slash between the base and "domain".
    static std::string DomainUrl(const std::string& base, const std::string& name);

private:
    static constexpr int ProxyConnectTimeoutMs = 5000;
    // Why the proxy cannot take a connection to the host of `url` (connect and negotiation, as a
    // WHOIS query makes them); empty when it can.
    std::string ProxyFailure(const std::string& url, const TSocksParameters& proxy) const;
    // Runs `call` on the network thread.
    void Post(std::function<void()> call);

    TRdapClientOptions Options;
    std::shared_ptr<std::atomic<int>> Pending = std::make_shared<std::atomic<int>>(0);
    QThread* Thread = nullptr;
    TRdapNetwork* Network = nullptr;
};
