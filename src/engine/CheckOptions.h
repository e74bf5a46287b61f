#pragma once

#include "core/ExpiryDate.h"
#include "engine/ServerResolver.h"
#include "engine/TickClock.h"
#include "engine/WhoisJob.h"
#include "engine/WorkerHub.h"
#include "rdap/RdapClient.h"
#include "whois/ZqWhois.h"

#include <cstdint>
#include <string>

// What the dispatcher is given besides the engine settings of the configuration file: where the
// configuration file is, the date masks, the clock, and the few knobs that the command line and
// the tests turn (the window keeps the defaults).
struct TCheckOptions
{
    std::string ConfigPath; // DataFolder + "mvwhois.ini"
    // Which way names are asked (the command line's --rdap-only and --whois-only); the RDAP
    // bootstrap file is the one beside ConfigPath.
    TServerPreference ServerPreference = TServerPreference::Any;
    TDateMasks DateMasks;
    int WhoisPort = 43;
    int ConnectTimeoutMs = TzqWhois::DefaultConnectTimeoutMs;
    // Bound of one SOCKS negotiation of a WHOIS query (RDAP queries have theirs in Rdap).
    int NegotiationTimeoutMs = TSocksClient::DefaultNegotiationTimeoutMs;
    // The RDAP client's trust and redirect rules (tests add their own authority) and the bound of
    // one RDAP query.
    TRdapClientOptions Rdap;
    int RdapTimeoutMs = TRdapClient::DefaultTimeoutMs;
    int ReferralTimeoutMs = TWhoisJob::DefaultReferralTimeoutMs;
    TBackOffWait BackOff; // empty: workers sleep out their back-offs
    // Watchdog budget per worker in ms; negative: Attempts x 41000 ms.
    std::int64_t WatchdogBudgetMs = -1;
    // How often the watchdog re-checks one row before giving it up as "RESULT ERROR"; negative:
    // again and again (the window). The command line gives up after one replacement.
    int MaxReplacements = -1;
    // The watchdog also runs while rows are still being passed, so that workers stuck on a host
    // that never closes cannot hold every thread slot for ever (the command line, which must end).
    // The window keeps it off: it replaces workers only once every row has been passed.
    bool WatchdogDuringPass = false;
    // Each status tick deals with every overdue worker, not just the first one found (the command
    // line: a run must end about one budget after its hosts stop answering, however many names
    // hang). The window replaces one per tick.
    bool EveryOverdueRowPerTick = false;
    // Descriptors the process may hold; 0: the soft RLIMIT_NOFILE. Bounds the workers run at once.
    std::int64_t OpenFileLimit = 0;
    // The pace file of the data folder (TPaceFile): read at the first pass, written when a pass
    // ends and when the dispatcher goes; empty: what is learnt lasts only as long as the dispatcher.
    std::string PaceFilePath;
    // WHOIS checks running at once on one host through one way out (THostPacing::MaxChecksPerLane).
    int ChecksPerLane = 6;
    std::string LockFolder;       // folder of smCounter's lock file; empty: the user's runtime folder
    TTickClock Clock;             // empty: SystemTickCount
    TThreadStarter ThreadStarter; // empty: a detached std::thread per worker
    int StatusIntervalMs = 125;
    // The DNS stage of "Ask DNS first": time-out per try, tries, and queries outstanding at once.
    int DnsTimeoutMs = 2000;
    int DnsTries = 2;
    int DnsInFlight = 64;
};
