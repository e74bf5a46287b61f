#pragma once

#include "support/SocksDaemons.h"

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
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

// A UDP DNS server on 127.0.0.1 whose every reply is made by the test from the query's bytes: the
// hostile servers a resolver may meet. An empty reply sends nothing (a server gone quiet).
class TScriptedDnsServer
{
public:
    using TReply = std::function<std::string(const std::string& query)>;
    explicit TScriptedDnsServer(TReply reply);
    ~TScriptedDnsServer();
    TScriptedDnsServer(const TScriptedDnsServer&) = delete;
    TScriptedDnsServer& operator=(const TScriptedDnsServer&) = delete;

    std::string Address() const { return "127.0.0.1:" + std::to_string(PortNumber); }
    // Queries received, retries included.
    int Queries() const { return Received.load(); }
    // How often `name` was asked (in the form the query wrote it).
    int QueriesFor(const std::string& name) const;

    // The question's name in a query, dotted and in lower case ("" for the root or a broken query).
    static std::string QuestionName(const std::string& query);
    // A name in the wire's label form.
    static std::string WireName(const std::string& dotted);
    // A resource record of class `klass` (1: IN) with a TTL of an hour.
    static std::string Record(const std::string& owner, int type, const std::string& data, int klass = 1);
    // A reply to `query`: its id and question, the header `flags` and these answer records.
    static std::string ReplyTo(const std::string& query, int flags, const std::vector<std::string>& answers);

private:
    TReply Reply;
    int Fd = -1;
    int PortNumber = 0;
    std::atomic<bool> Stopping{false};
    std::atomic<int> Received{0};
    mutable std::mutex Lock;
    std::map<std::string, int> Asked;
    std::thread Reader;
};

// A resolver gone quiet (never answers), or one that answers each query with bytes that are no
// DNS message beyond the query's id.
class TQuietDnsSocket : public TScriptedDnsServer
{
public:
    enum class TMode
    {
        Silent,
        Garbage
    };
    explicit TQuietDnsSocket(TMode mode);
};
