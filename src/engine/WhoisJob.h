#pragma once

#include "core/ExpiryDate.h"
#include "core/RowId.h"
#include "rdap/RdapClient.h"
#include "settings/ProxySettings.h"
#include "whois/ZqWhois.h"

#include <functional>
#include <memory>
#include <string>

// Waits out the back-off after a refused answer; tests pass one that only records the wait.
using TBackOffWait = std::function<void(int ms)>;

// Everything one worker needs for its check, copied before it starts: later changes in the window
// or the settings never reach a running check.
struct TWhoisJob
{
    std::string DomainName;
    TProxySettings ProxySettings;
    std::string WhoisServer;
    std::string ConfigPath;
    // Shared by every job of a pass: they never change while it runs.
    std::shared_ptr<const TDateMasks> DateMasks;
    TRowId RowIndex = NoRowId;
    int Attempts = 0;
    int Port = 43;
    int ConnectTimeoutMs = TzqWhois::DefaultConnectTimeoutMs;
    // Bound of one SOCKS negotiation, after the connect to the proxy.
    int NegotiationTimeoutMs = TSocksClient::DefaultNegotiationTimeoutMs;
    // WhoisServer is an RDAP base (https://...), asked through Rdap.
    bool ViaRdap = false;
    // With a WHOIS host: the RDAP base asked instead when the host cannot be reached; empty: none.
    std::string RdapFallback;
    // With ViaRdap: the WHOIS host asked when RDAP brings no verdict; empty: none.
    std::string WhoisFallback;
    // Set with ViaRdap or RdapFallback: the client that asks, the bound of one RDAP query from
    // when it goes out (redirects included), and the bootstrap's hosts, to which redirects may go.
    std::shared_ptr<TRdapClient> Rdap;
    int RdapTimeoutMs = TRdapClient::DefaultTimeoutMs;
    std::shared_ptr<const TRdapHostSet> RdapHosts;
    // Bound of the whole referral series (connects, answers and back-offs): a registrar host that
    // hangs must not cost the registry's answer.
    int ReferralTimeoutMs = DefaultReferralTimeoutMs;
    TBackOffWait BackOff; // empty: sleep, cut short when the worker is abandoned
    // The WHOIS host's min_interval: a retry after a refusal never comes sooner than that.
    int MinIntervalMs = 0;
    // Another proxy of the pool can take the name: a query the proxy fails (the registry's, the
    // registrar's or an RDAP query) ends the check at once (the dispatcher retries it elsewhere)
    // instead of using up the attempts on the same proxy.
    bool FailOverProxy = false;
    // The dispatcher queues a refused row again behind its host's back-off: an answer that is no
    // answer about the name (a refusal or throttle text, a close without a word, a cut answer)
    // ends the check at once with a refusal result instead of waiting inside the worker, and uses
    // up no attempt; a referral host that does so leaves the registry's answer to stand alone.
    bool RefusalEndsCheck = false;

    static constexpr int DefaultReferralTimeoutMs = 20000;
};
