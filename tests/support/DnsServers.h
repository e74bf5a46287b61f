#pragma once

#include "support/SocksDaemons.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

// unbound from the distribution's packages on a loopback port of its own, answering only from its
// local data: the names below are its whole world, and every other name is answered SERVFAIL
// through a forwarder it may not query, so nothing leaves the machine.
//   taken.com   NS ns1.taken.net, ns2.taken.net
//   wide.com    40 NS records with long names: more than a plain UDP reply holds (truncated)
//   nons.com    an A record and no NS
//   refused.com REFUSED
//   any other .com name NXDOMAIN; any name outside .com SERVFAIL
// `extra` lines go into its server clause (for the benchmark's thousands of names).
class TUnboundServer : public TSocksDaemon
{
public:
    explicit TUnboundServer(const std::string& extra = "");
    ~TUnboundServer() override { Stop(); }
    // "127.0.0.1:PORT", as the resolver setting takes it.
    std::string Address() const { return "127.0.0.1:" + std::to_string(Port()); }

    static std::string WideNameServer(int index);
    static constexpr int WideNameServerCount = 40;
};

// A UDP socket on 127.0.0.1 that takes queries and either never answers (a resolver gone quiet)
// or answers each with bytes that are no DNS message beyond the query's id.
class TQuietDnsSocket
{
public:
    enum class TMode
    {
        Silent,
        Garbage
    };
    explicit TQuietDnsSocket(TMode mode);
    ~TQuietDnsSocket();
    TQuietDnsSocket(const TQuietDnsSocket&) = delete;
    TQuietDnsSocket& operator=(const TQuietDnsSocket&) = delete;

    std::string Address() const { return "127.0.0.1:" + std::to_string(PortNumber); }
    int Queries() const { return Received.load(); }

private:
    int Fd = -1;
    int PortNumber = 0;
    TMode Mode;
    std::atomic<bool> Stopping{false};
    std::atomic<int> Received{0};
    std::thread Reader;
};
