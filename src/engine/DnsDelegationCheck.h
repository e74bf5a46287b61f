#pragma once

#include "models/DomainTableModel.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// What the DNS asked about one name before any WHOIS query. Only a delegation is a verdict: a name
// with NS records is registered, while a name without them may still be registered (on hold, not
// delegated), so every other outcome leaves the row to WHOIS or RDAP.
struct TDnsVerdict
{
    TRowId Row = NoRowId;
    bool Delegated = false;
    std::vector<std::string> NameServers; // as the NS records name them, when delegated
    std::string Reason;                   // why not, for the answers entry of a later error
    // The resolver answered none of the first queries: this name and every later one were sent on
    // without waiting for it (the first verdict so marked is the moment to say so, once).
    bool ResolverSilent = false;
};

struct TDnsCheckOptions
{
    // "ADDRESS" or "ADDRESS:PORT" ("[ADDRESS]:PORT" for IPv6); empty: the system's resolvers.
    std::string Server;
    int TimeoutMs = 2000; // per try, as the resolver library doubles it on later tries
    int Tries = 2;
    int MaxInFlight = 64;
};

// Asks the NS records of many names at once on a thread of its own, at most MaxInFlight queries
// outstanding. A query that times out before the resolver has answered anything at all shows a
// resolver that is not there: the queries still out are dropped and every name not yet settled
// gets its verdict at once, instead of each waiting out its own time-out.
// Every name gets exactly one verdict through `deliver`, which runs on that thread;
// the object never waits for the network: destroying it cancels and leaves the thread to end by
// itself (it then delivers nothing more).
class TDnsDelegationCheck
{
public:
    using TDeliver = std::function<void(TDnsVerdict)>;
    using TNames = std::vector<std::pair<TRowId, std::string>>;

    TDnsDelegationCheck(TDnsCheckOptions options, TNames names, TDeliver deliver);
    ~TDnsDelegationCheck();
    TDnsDelegationCheck(const TDnsDelegationCheck&) = delete;
    TDnsDelegationCheck& operator=(const TDnsDelegationCheck&) = delete;

    // Throws std::system_error when no thread can be made.
    void Start();

    struct TShared;

private:
    std::shared_ptr<TShared> Shared;
};
