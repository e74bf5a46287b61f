#include "engine/WhoisThread.h"

#include "base/AsciiText.h"
#include "engine/LearntPace.h"
#include "engine/ResultReader.h"
#include "rdap/RdapAnswer.h"
#include "whois/HostStrings.h"
#include "whois/ResponseText.h"
#include "whois/SocksParameters.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <mutex>
#include <semaphore>
#include <thread>
#include <vector>

namespace {

const char* const ReferralLabel = "Whois Server:";
constexpr int FirstBackOffMs = 1000;
constexpr int LastBackOffMs = 8000;

// Qt's event queue orders a posted call after its posting, but inside an uninstrumented Qt
// ThreadSanitizer cannot see that. Posting under this lock, and taking it once more where the call
// runs, makes the order visible to it; the main thread waits here only while a post is under way.
std::mutex PostingLock;

void MarkDelivery()
{
    std::lock_guard lock(PostingLock);
}

// Releases the waiting worker when the posted call is destroyed: after it ran, or when Qt
// discarded it because the dispatcher went away first.
struct TReleaseOnDestroy
{
    std::binary_semaphore Done{0};
    std::exception_ptr Failure;
};

struct TReleaser
{
    explicit TReleaser(std::shared_ptr<TReleaseOnDestroy> target) : Target(std::move(target)) {}
    TReleaser(const TReleaser&) = delete;
    TReleaser& operator=(const TReleaser&) = delete;
    ~TReleaser() { Target->Done.release(); }
    std::shared_ptr<TReleaseOnDestroy> Target;
};

} // namespace

TWhoisThread::TWhoisThread(std::shared_ptr<TWorkerHub> hub, std::shared_ptr<TWorkerState> state, TWhoisJob job)
    : Hub(std::move(hub)), State(std::move(state)), Input(std::move(job))
{
}

TWhoisThread::~TWhoisThread() = default;

void TWhoisThread::Start(const TThreadStarter& starter)
{
    Hub->LiveThreads.fetch_add(1);
    try {
        if (starter)
            starter([this] { ThreadMain(this); });
        else
            std::thread(&TWhoisThread::ThreadMain, this).detach();
    } catch (...) {
        Hub->LiveThreads.fetch_sub(1);
        throw;
    }
}

void TWhoisThread::ThreadMain(TWhoisThread* self)
{
    try {
        self->Run();
    } catch (...) {
        // A failure that escapes the job ends the worker without its hand-over; the end notice
        // below still goes out.
    }
    try {
        self->NotifyEnded();
    } catch (...) {
    }
    std::shared_ptr<TWorkerHub> hub = self->Hub;
    delete self;
    hub->LiveThreads.fetch_sub(1);
}

bool TWhoisThread::FindReferral(const std::string& text, std::string& server)
{
    std::vector<std::string> lines;
    SplitLines(text, lines);
    std::string found;
    for (const std::string& line : lines)
        if (line.find(ReferralLabel) != std::string::npos)
            found = Trim(ReplaceAll(line, ReferralLabel, ""));
    server = found;
    return !found.empty();
}

bool TWhoisThread::QuerySeries(const THostStrings& strings, int timeBoundMs, std::string& answer, std::string& failure)
{
    using Clock = std::chrono::steady_clock;
    TzqWhois& whois = State->Whois;
    const Clock::time_point start = Clock::now();
    const auto leftMs = [&] {
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        return static_cast<long long>(timeBoundMs) - spent;
    };
    int backOffMs = FirstBackOffMs;
    // At least one query, whatever Attempts holds. A query that could not connect is repeated at
    // once; an answer that is no answer (refused, cut short, empty) waits a back-off first, as a
    // host that throttles only lets go of a client that slows down.
    for (int attempt = 1;; ++attempt) {
        if (timeBoundMs > 0) {
            const long long left = leftMs();
            if (left <= 0) {
                failure = "No answer within " + std::to_string(timeBoundMs) + " ms";
                return false;
            }
            whois.ReadTimeoutMs = static_cast<int>(left);
            whois.ConnectTimeoutMs = static_cast<int>(std::min<long long>(Input.ConnectTimeoutMs, left));
            whois.NegotiationTimeoutMs = static_cast<int>(std::min<long long>(Input.NegotiationTimeoutMs, left));
        }
        std::string text;
        bool backOff = true;
        if (!whois.Query(Input.DomainName, text)) {
            failure = whois.LastError();
            backOff = false;
            // A registrar's host that is down is down through every proxy: its refusal leaves the
            // registry's answer to stand alone without resting the proxy.
            if (Input.FailOverProxy && whois.ProxyFailed() && !(timeBoundMs > 0 && whois.ProxyRefusedHost())) {
                ProxyFailed = true;
                ProxyFailure = failure;
                return false;
            }
        } else if (whois.AnswerCut()) {
            failure = whois.LastError();
            if (!TrimView(text).empty())
                answer = std::move(text);
        } else if (std::string refusal = strings.RefusalIn(text, Input.DomainName); !refusal.empty()) {
            failure = std::move(refusal);
            if (!TrimView(text).empty())
                answer = std::move(text);
        } else {
            answer = std::move(text);
            failure.clear();
            return true;
        }
        // The dispatcher waits out the host's back-off with the row in its queue and no thread
        // held; attempts are for connections that fail.
        if (backOff && Input.RefusalEndsCheck) {
            Refused = timeBoundMs <= 0;
            return false;
        }
        if (attempt >= Input.Attempts || whois.Abandoned())
            return false;
        if (backOff) {
            // The first series goes to the paced host: its retries keep to its interval too.
            const int waitMs = timeBoundMs > 0 ? backOffMs : std::max(backOffMs, Input.MinIntervalMs);
            if (timeBoundMs > 0 && waitMs >= leftMs())
                return false;
            if (Input.BackOff)
                Input.BackOff(waitMs);
            else if (!whois.Pause(waitMs))
                return false;
            backOffMs = std::min(backOffMs * 2, LastBackOffMs);
        }
    }
}

bool TWhoisThread::AskRdap(const std::string& base, TRdapAnswer& answer)
{
    const std::string url = TRdapClient::DomainUrl(base, Input.DomainName);
    // Time-outs and dropped connections use up the attempts like failed port-43 connections, asked
    // again at once. Throttling (429) and outages (5xx) are the host's refusals: the check ends, and
    // the dispatcher asks again behind the host's back-off with no worker held and no attempt used.
    // An answer that is no RDAP answer, a refused redirect or a bad certificate would only come again.
    for (int attempt = 1;; ++attempt) {
        const TRdapFetch fetch = Input.Rdap->Get(url, ConfigureProxy(Input.ProxySettings), Input.RdapTimeoutMs,
                                                 State->Rdap, Input.RdapHosts);
        if (State->Abandoned.load())
            return false;
        if (fetch.ProxyFailed && Input.FailOverProxy) {
            ProxyFailed = true;
            ProxyFailure = fetch.Error;
            answer = TRdapAnswer{};
            answer.LogText = "RDAP query " + url + " failed: " + fetch.Error;
            return true;
        }
        if (fetch.HttpStatus == 0) {
            answer = TRdapAnswer{};
            answer.LogText = "RDAP query " + url + " failed: " + fetch.Error;
        } else {
            answer = ReadRdapAnswer(fetch.HttpStatus, fetch.Body);
            if (answer.Verdict == TRdapVerdict::Error)
                answer.LogText = "RDAP query " + url + ": " + answer.LogText;
        }
        if (answer.Verdict != TRdapVerdict::Error || !fetch.Retryable)
            return true;
        if (fetch.HttpStatus != 0) {
            // A wait longer than the longest learnt interval is not worth keeping the row for, and
            // asking sooner would only be refused.
            if (fetch.RetryAfterMs > TLearntPace::LongestMs)
                answer.LogText += " The server asks for " + std::to_string((fetch.RetryAfterMs + 999LL) / 1000) +
                                  " s before the next query; it was not asked again.";
            else if (Input.RefusalEndsCheck) {
                Refused = true;
                RetryAfterMs = fetch.RetryAfterMs;
            }
            return true;
        }
        if (attempt >= Input.Attempts)
            return true;
    }
}

void TWhoisThread::DeliverRdap(const TRdapAnswer& answer)
{
    TSyncSendResult result = TResultReader::ReadRdap(answer);
    result.RowIndex = Input.RowIndex;
    result.ProxyFailed = ProxyFailed;
    result.ProxyFailure = ProxyFailure;
    result.Refused = Refused;
    result.RetryAfterMs = RetryAfterMs;
    Synchronize([&](TWorkerSink& sink) { sink.DeliverResult(State, result); });
}

void TWhoisThread::Run()
{
    // The WHOIS host asked, and when RDAP was asked first, what came of it for the answers entry.
    std::string server = Input.WhoisServer;
    std::string rdapFirst;
    if (Input.ViaRdap && Input.Rdap) {
        TRdapAnswer answer;
        if (!AskRdap(Input.WhoisServer, answer))
            return;
        const std::string why = "The server table has no section for the WHOIS host " + Input.WhoisFallback;
        // A host that throttles or is down has a WHOIS host beside it to ask at once; without one
        // the row waits for the RDAP host in its queue.
        if (Refused && !Input.WhoisFallback.empty())
            Refused = false;
        if (answer.Verdict != TRdapVerdict::Error || Input.WhoisFallback.empty()) {
            if (!Input.WhoisFallback.empty())
                answer.LogText =
                    why + ", so the RDAP service " + Input.WhoisServer + " was asked.\r\n" + answer.LogText;
            DeliverRdap(answer);
            return;
        }
        rdapFirst = why + ", so the RDAP service " + Input.WhoisServer + " was asked first. It gave no verdict:\r\n" +
                    answer.LogText + "\r\nThe WHOIS host " + Input.WhoisFallback + " was asked instead.\r\n";
        server = Input.WhoisFallback;
    }
    TzqWhois& whois = State->Whois;
    whois.Proxy = ConfigureProxy(Input.ProxySettings);
    whois.Port = Input.Port;
    whois.ConnectTimeoutMs = Input.ConnectTimeoutMs;
    whois.NegotiationTimeoutMs = Input.NegotiationTimeoutMs;
    whois.Host = server;
    TResultReader reader(Input.ConfigPath, Input.DateMasks);
    const THostStrings& strings = reader.StringsOf(server);
    std::string failure;
    const bool answered = QuerySeries(strings, 0, Answer, failure);
    // A WHOIS host that is not there says nothing about the name; the registry's RDAP service may.
    if (!answered && whois.HostUnreachable() && Input.Rdap && !Input.RdapFallback.empty() && !State->Abandoned.load()) {
        TRdapAnswer answer;
        if (!AskRdap(Input.RdapFallback, answer))
            return;
        answer.LogText =
            failure + "; the RDAP service " + Input.RdapFallback + " was asked instead.\r\n" + answer.LogText;
        DeliverRdap(answer);
        return;
    }

    std::string referral;
    // The expiry text only decides whether to ask the referral host here; reading the result
    // looks for it once more, a matter of microseconds; the host's strings are not read again.
    if (answered && FindReferral(Answer, referral) && referral != server && strings.ExpiryText(Answer).empty()) {
        whois.Host = referral;
        std::string referralFailure;
        // A referral host that hangs, refuses or breaks off leaves the registry's answer to
        // stand alone; a proxy that fails it sends the name through another proxy, if any.
        if (!QuerySeries(reader.StringsOf(referral), Input.ReferralTimeoutMs, ReferralAnswer, referralFailure))
            ReferralAnswer.clear();
    }

    if (State->Abandoned.load())
        return;
    TWhoisAnswers answers;
    answers.Answer = std::move(Answer);
    answers.ReferralAnswer = std::move(ReferralAnswer);
    answers.WhoisServer = server;
    answers.DomainName = Input.DomainName;
    if (!answered)
        answers.Failure = failure.empty() ? "No answer" : failure;
    answers.Screened = true;
    TSyncSendResult result = reader.ReadWhois(answers);
    result.RowIndex = Input.RowIndex;
    result.Refused = Refused;
    result.ProxyFailed = ProxyFailed;
    result.ProxyFailure = ProxyFailure;
    // A query that never got through says where it failed; through a pool the dispatcher's trail
    // of proxies says it.
    if (!answered && !ProxyFailed && !result.LogEntry)
        result.LogEntry = answers.Failure;
    if (!rdapFirst.empty())
        result.LogEntry = rdapFirst + result.LogEntry.value_or(std::string());
    Synchronize([&](TWorkerSink& sink) { sink.DeliverResult(State, result); });
}

bool TWhoisThread::Synchronize(std::function<void(TWorkerSink&)> method)
{
    auto waiter = std::make_shared<TReleaseOnDestroy>();
    {
        auto releaser = std::make_shared<TReleaser>(waiter);
        std::lock_guard lock(Hub->Mutex);
        if (!Hub->Context)
            return false;
        TWorkerSink* sink = Hub->Sink;
        std::lock_guard posting(PostingLock);
        QMetaObject::invokeMethod(
            Hub->Context,
            [releaser, sink, method, state = State]() {
                MarkDelivery();
                if (state->Abandoned.load())
                    return; // the watchdog gave this worker up: its result must not be written
                try {
                    method(*sink);
                } catch (...) {
                    releaser->Target->Failure = std::current_exception();
                }
            },
            Qt::QueuedConnection);
    }
    waiter->Done.acquire();
    if (waiter->Failure)
        std::rethrow_exception(waiter->Failure);
    return true;
}

void TWhoisThread::NotifyEnded()
{
    std::lock_guard lock(Hub->Mutex);
    if (!Hub->Context)
        return;
    TWorkerSink* sink = Hub->Sink;
    std::lock_guard posting(PostingLock);
    QMetaObject::invokeMethod(
        Hub->Context,
        [sink, state = State]() {
            MarkDelivery();
            sink->WorkerEnded(state);
        },
        Qt::QueuedConnection);
}
