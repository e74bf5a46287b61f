#include "whois/IdWhois.h"

#include "base/QuarrowError.h"
#include "whois/SocksClient.h"
#include "whois/WhoisExchange.h"

#include <cstdio>
#include <sys/timerfd.h>
#include <unistd.h>

namespace {

// A descriptor that turns readable once `ms` have passed: the exchange's cancel descriptor.
class TDeadline
{
public:
    explicit TDeadline(int ms)
    {
        if (ms <= 0)
            return;
        Fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
        itimerspec when{};
        when.it_value.tv_sec = ms / 1000;
        when.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
        if (Fd >= 0 && ::timerfd_settime(Fd, 0, &when, nullptr) != 0) {
            ::close(Fd);
            Fd = -1;
        }
        if (Fd < 0)
            throw TQuarrowError("Cannot set a time limit for the query");
    }
    ~TDeadline()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    TDeadline(const TDeadline&) = delete;
    TDeadline& operator=(const TDeadline&) = delete;

    int Descriptor() const { return Fd; }

private:
    int Fd = -1;
};

std::string SecondsText(int ms)
{
    if (ms == 1000)
        return "1 second";
    char text[32];
    std::snprintf(text, sizeof text, "%g seconds", ms / 1000.0);
    return text;
}

} // namespace

std::string TIdWhois::Lookup(const std::string& domain)
{
    const TDeadline deadline(CancelFd >= 0 ? 0 : TimeoutMs);
    TWhoisRequest request;
    request.Host = Host;
    request.Port = Port;
    request.Proxy = Proxy;
    request.NegotiationTimeoutMs = TSocksClient::DefaultNegotiationTimeoutMs;
    request.CancelFd = CancelFd >= 0 ? CancelFd : deadline.Descriptor();
    std::string answer;
    std::string error;
    const TWhoisOutcome outcome = ExchangeWhois(request, domain, answer, error);
    if (outcome == TWhoisOutcome::Abandoned)
        throw TQuarrowError(CancelFd >= 0 ? std::string("Query abandoned")
                                          : "No complete answer within " + SecondsText(TimeoutMs));
    // The test query shows what arrived, a cut answer included: it is there to be looked at.
    if (outcome != TWhoisOutcome::Answered && outcome != TWhoisOutcome::Cut)
        throw TQuarrowError(error);
    return answer;
}
