#include "engine/DnsDelegationCheck.h"

#include "engine/NsReply.h"

#include <ares.h>
#include <arpa/nameser.h>
#include <netdb.h>
#include <sys/select.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

struct TDnsDelegationCheck::TShared
{
    TDnsCheckOptions Options;
    TNames Names;
    std::mutex Mutex;
    TDeliver Deliver; // cleared under Mutex when the owner goes
    std::atomic<bool> Cancelled{false};
};

namespace {

// What the queries of one run share on its thread.
struct TRunState
{
    TDnsDelegationCheck::TShared* Shared;
    int InFlight = 0;
    bool AnyReply = false; // the resolver has answered at least one query, in any way
    bool Silent = false;   // a query timed out before any reply came: the rest is not asked
};

struct TQuery
{
    TRunState* Run;
    TRowId Row;
    std::string Name;
};

constexpr const char* SilentReason = "the DNS server answered none of the first queries, so DNS was not asked further";

std::string ReasonFor(int status)
{
    switch (status) {
    case ARES_ENOTFOUND:
        return "the name does not exist in DNS (NXDOMAIN)";
    case ARES_ENODATA:
        return "the name has no NS records";
    case ARES_ESERVFAIL:
        return "the DNS server failed (SERVFAIL)";
    case ARES_EREFUSED:
        return "the DNS server refused the query";
    case ARES_ETIMEOUT:
        return "the DNS server did not answer in time";
    default:
        return std::string("the DNS query failed: ") + ares_strerror(status);
    }
}

void Deliver(TDnsDelegationCheck::TShared& shared, TDnsVerdict verdict)
{
    std::lock_guard lock(shared.Mutex);
    if (shared.Deliver && !shared.Cancelled.load())
        shared.Deliver(std::move(verdict));
}

void Answered(void* arg, int status, int /*timeouts*/, unsigned char* abuf, int alen)
{
    std::unique_ptr<TQuery> query(static_cast<TQuery*>(arg));
    TRunState& run = *query->Run;
    --run.InFlight;
    if (status == ARES_EDESTRUCTION)
        return;
    TDnsVerdict verdict;
    verdict.Row = query->Row;
    if (status == ARES_ECANCELLED) {
        // Dropped because the resolver was found silent: the name goes on without DNS.
        if (!run.Silent)
            return;
        verdict.Reason = SilentReason;
        verdict.ResolverSilent = true;
        Deliver(*run.Shared, std::move(verdict));
        return;
    }
    if (status == ARES_ETIMEOUT && !run.AnyReply) {
        run.Silent = true;
        verdict.Reason = SilentReason;
        verdict.ResolverSilent = true;
        Deliver(*run.Shared, std::move(verdict));
        return;
    }
    if (status != ARES_ETIMEOUT)
        run.AnyReply = true;
    if (status == ARES_SUCCESS) {
        TNsReply reply = TNsReply::Read(abuf, alen, query->Name);
        verdict.NameServers = std::move(reply.NameServers);
        verdict.Reason = std::move(reply.Problem);
    } else {
        verdict.Reason = ReasonFor(status);
    }
    verdict.Delegated = !verdict.NameServers.empty();
    Deliver(*run.Shared, std::move(verdict));
}

// Names that the library cannot even send (a channel that could not be made) still get their
// verdict, so that the pass waiting for them goes on to WHOIS.
void DeliverAllUnanswered(TDnsDelegationCheck::TShared& shared, std::size_t from, const std::string& reason,
                          bool silent = false)
{
    for (std::size_t i = from; i < shared.Names.size(); ++i) {
        TDnsVerdict verdict;
        verdict.Row = shared.Names[i].first;
        verdict.Reason = reason;
        verdict.ResolverSilent = silent;
        Deliver(shared, std::move(verdict));
    }
}

void Run(const std::shared_ptr<TDnsDelegationCheck::TShared>& shared)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { ares_library_init(ARES_LIB_INIT_ALL); });

    ares_options options{};
    options.timeout = shared->Options.TimeoutMs;
    options.tries = std::max(1, shared->Options.Tries);
    // SERVFAIL and REFUSED are answers too: they send the name on to WHOIS with their reason
    // instead of being retried as if the server had not answered.
    options.flags = ARES_FLAG_NOCHECKRESP;
    ares_channel channel = nullptr;
    if (int status = ares_init_options(&channel, &options, ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES | ARES_OPT_FLAGS);
        status != ARES_SUCCESS) {
        DeliverAllUnanswered(*shared, 0, ReasonFor(status));
        return;
    }
    if (!shared->Options.Server.empty()) {
        if (int status = ares_set_servers_ports_csv(channel, shared->Options.Server.c_str()); status != ARES_SUCCESS) {
            ares_destroy(channel);
            DeliverAllUnanswered(*shared, 0, ReasonFor(status));
            return;
        }
    }

    TRunState run{shared.get()};
    std::size_t next = 0;
    const int limit = std::max(1, shared->Options.MaxInFlight);
    while (!shared->Cancelled.load()) {
        if (run.Silent) {
            // The queries still out are ended here, outside the library's callbacks.
            ares_cancel(channel);
            DeliverAllUnanswered(*shared, next, SilentReason, true);
            break;
        }
        while (next < shared->Names.size() && run.InFlight < limit) {
            const auto& [row, name] = shared->Names[next++];
            ++run.InFlight;
            ares_query(channel, name.c_str(), ns_c_in, ns_t_ns, Answered, new TQuery{&run, row, name});
        }
        if (run.InFlight == 0)
            break;
        fd_set readers;
        fd_set writers;
        FD_ZERO(&readers);
        FD_ZERO(&writers);
        const int fds = ares_fds(channel, &readers, &writers);
        // Short waits keep a cancelled check from holding its thread for a whole time-out.
        timeval most{0, 50000};
        timeval wait{};
        const timeval* until = ares_timeout(channel, &most, &wait);
        ::select(fds, &readers, &writers, nullptr, const_cast<timeval*>(until));
        ares_process(channel, &readers, &writers);
    }
    ares_destroy(channel);
}

} // namespace

TDnsDelegationCheck::TDnsDelegationCheck(TDnsCheckOptions options, TNames names, TDeliver deliver)
    : Shared(std::make_shared<TShared>())
{
    Shared->Options = std::move(options);
    Shared->Names = std::move(names);
    Shared->Deliver = std::move(deliver);
}

TDnsDelegationCheck::~TDnsDelegationCheck()
{
    Shared->Cancelled.store(true);
    std::lock_guard lock(Shared->Mutex);
    Shared->Deliver = nullptr;
}

void TDnsDelegationCheck::Start()
{
    std::thread([shared = Shared] { Run(shared); }).detach();
}
