#include "engine/DnsDelegationCheck.h"

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

struct TQuery
{
    TDnsDelegationCheck::TShared* Shared;
    TRowId Row;
    int* InFlight;
};

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
    --*query->InFlight;
    if (status == ARES_EDESTRUCTION || status == ARES_ECANCELLED)
        return;
    TDnsVerdict verdict;
    verdict.Row = query->Row;
    if (status == ARES_SUCCESS) {
        hostent* host = nullptr;
        status = ares_parse_ns_reply(abuf, alen, &host);
        if (status == ARES_SUCCESS && host) {
            for (char** alias = host->h_aliases; alias && *alias; ++alias)
                verdict.NameServers.emplace_back(*alias);
            ares_free_hostent(host);
            // Servers rotate their records; the answers entry lists them in one order.
            std::sort(verdict.NameServers.begin(), verdict.NameServers.end());
            if (verdict.NameServers.empty())
                status = ARES_ENODATA;
        }
    }
    verdict.Delegated = !verdict.NameServers.empty();
    if (!verdict.Delegated)
        verdict.Reason = ReasonFor(status == ARES_SUCCESS ? ARES_ENODATA : status);
    Deliver(*query->Shared, std::move(verdict));
}

// Names that the library cannot even send (a channel that could not be made) still get their
// verdict, so that the pass waiting for them goes on to WHOIS.
void DeliverAllUnanswered(TDnsDelegationCheck::TShared& shared, std::size_t from, const std::string& reason)
{
    for (std::size_t i = from; i < shared.Names.size(); ++i) {
        TDnsVerdict verdict;
        verdict.Row = shared.Names[i].first;
        verdict.Reason = reason;
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

    int inFlight = 0;
    std::size_t next = 0;
    const int limit = std::max(1, shared->Options.MaxInFlight);
    while (!shared->Cancelled.load()) {
        while (next < shared->Names.size() && inFlight < limit) {
            const auto& [row, name] = shared->Names[next++];
            ++inFlight;
            ares_query(channel, name.c_str(), ns_c_in, ns_t_ns, Answered, new TQuery{shared.get(), row, &inFlight});
        }
        if (inFlight == 0)
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
