#pragma once

#include "rdap/RdapFetch.h"
#include "whois/SocksParameters.h"

#include <QNetworkReply>
#include <QPointer>

#include <condition_variable>
#include <mutex>
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

    // Network thread only.
    QPointer<QNetworkReply> Reply;
    int Redirects = 0;
    // The first address was on this machine: its redirects may stay on it (see Follow).
    bool StartedOnLoopback = false;
    std::string Body;
    bool Oversized = false;
    bool NetworkEnded = false; // counted out of the client's InFlight
};
