#pragma once

#include "engine/SyncSendResult.h"
#include "engine/WhoisJob.h"
#include "engine/WorkerHub.h"
#include "rdap/RdapAnswer.h"
#include "whois/HostStrings.h"

#include <functional>
#include <memory>
#include <string>

// One check of one domain name on its own thread: query the WHOIS server of the name's top-level
// domain, or ask its RDAP base over HTTPS, up to Attempts times, until an answer comes that is
// neither a refusal nor cut short (with RefusalEndsCheck such an answer, or an RDAP 429 or 5xx,
// ends the check at once, as a refused result the dispatcher queues again);
// follow a "Whois Server:" referral (within its own time bound) when the first answer shows no
// expiry date, read the answers (TResultReader: each host's strings read once), hand what they say
// to the main thread and wait there until it is applied, then send the end notice. The worker reads nothing of the main
// window: its job is a copy made before Start. It frees itself when its thread ends.
class TWhoisThread
{
public:
    TWhoisThread(std::shared_ptr<TWorkerHub> hub, std::shared_ptr<TWorkerState> state, TWhoisJob job);
    ~TWhoisThread();
    TWhoisThread(const TWhoisThread&) = delete;
    TWhoisThread& operator=(const TWhoisThread&) = delete;

    const TWhoisJob& Job() const { return Input; }

    // Runs the check on a new detached thread (through `starter` when given); from then on the
    // object belongs to that thread. Throws std::system_error when no thread can be made (the
    // object then still belongs to the caller).
    void Start(const TThreadStarter& starter = {});

    // The server named on the last line that contains "Whois Server:" (exact case), with the
    // label removed and the rest trimmed; false when there is none or it is empty.
    static bool FindReferral(const std::string& text, std::string& server);

private:
    void Run();
    // Queries the current host up to Attempts times until one brings an answer about the name
    // (within `timeBoundMs` in all when positive). False when none did: `failure` says why, and
    // `answer` holds the last text received, if any.
    bool QuerySeries(const THostStrings& strings, int timeBoundMs, std::string& answer, std::string& failure);
    // A query ended because the proxy failed (FailOverProxy jobs only), and how.
    bool ProxyFailed = false;
    std::string ProxyFailure;
    // The first series ended on an answer that is no answer, or the RDAP host throttled or was
    // down (RefusalEndsCheck jobs only); with the wait an RDAP host asked for (-1: none).
    bool Refused = false;
    int RetryAfterMs = -1;
    // Asks the RDAP service at `base` about the name; false when the worker was abandoned.
    bool AskRdap(const std::string& base, TRdapAnswer& answer);
    // Hands an RDAP answer over to the main thread.
    void DeliverRdap(const TRdapAnswer& answer);
    // Runs `method` on the main thread and returns when it has finished there; false when the
    // dispatcher is gone and nothing ran. A failure inside `method` is raised again here.
    bool Synchronize(std::function<void(TWorkerSink&)> method);
    void NotifyEnded();
    static void ThreadMain(TWhoisThread* self);

    std::shared_ptr<TWorkerHub> Hub;
    std::shared_ptr<TWorkerState> State;
    const TWhoisJob Input;
    std::string Answer;
    std::string ReferralAnswer;
};
