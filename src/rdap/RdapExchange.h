#pragma once

#include "rdap/RdapBootstrap.h"
#include "rdap/RdapFetch.h"
#include "whois/SocksParameters.h"

#include <QNetworkReply>
#include <QPointer>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

// One RDAP query in flight, shared by the worker that waits for it and the network thread that
// runs it. The worker's side is guarded by Mutex; the rest belongs to the network thread alone.
struct TRdapExchange
{
    std::mutex Mutex;
    std::condition_variable Wake;
    bool Done = false;      // a result is in, or the worker stopped waiting: nothing changes it any more
    bool Cancelled = false; // the worker was abandoned
    TRdapFetch Result;
    std::string Url;
    TSocksParameters Proxy;
    std::shared_ptr<const TRdapHostSet> KnownHosts;
    // When the first request went out: the worker's time-out runs from here.
    std::optional<std::chrono::steady_clock::time_point> SentAt;
    // Qt wrote the request to its connection: any proxy in between has done its part.
    bool RequestWritten = false;

    // Network thread only.
    QPointer<QNetworkReply> Reply;
    int Redirects = 0;
    // The first address was on this machine: its redirects may stay on it (see Follow).
    bool StartedOnLoopback = false;
    std::string ServiceHost; // lower-case host of the first address
    std::string ProxyShown;  // "The proxy socks5://user@host:port", for its failures; empty: none
    std::string SlotHost;    // the host whose connection the request in flight holds; empty: none
    std::shared_ptr<const TRdapHostSet> KnownHostsHere; // KnownHosts, copied over by Begin
    std::string Body;
    bool Oversized = false;
    std::string LengthProblem; // why the announced length cannot be read; the transfer was aborted
    bool NetworkEnded = false; // counted out of the client's InFlight
};
