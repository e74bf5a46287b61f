#include "whois/ZqWhois.h"

#include "whois/WhoisExchange.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

TzqWhois::TzqWhois() : CancelFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

TzqWhois::~TzqWhois()
{
    if (CancelFd >= 0)
        ::close(CancelFd);
}

bool TzqWhois::Query(const std::string& domain, std::string& answer)
{
    ProxyFault = false;
    HostRefused = false;
    Unreachable = false;
    if (AbandonFlag.load()) {
        ErrorText = "Query abandoned";
        return false;
    }
    if (CancelFd < 0) {
        // Without the eventfd an abandon could not reach a blocked query: refuse to start one.
        ErrorText = "Cannot create the abandon signal";
        return false;
    }
    TWhoisRequest request;
    request.Host = Host;
    request.Port = Port;
    request.Proxy = Proxy;
    request.ConnectTimeoutMs = ConnectTimeoutMs > 0 ? ConnectTimeoutMs : DefaultConnectTimeoutMs;
    request.NegotiationTimeoutMs =
        NegotiationTimeoutMs > 0 ? NegotiationTimeoutMs : TSocksClient::DefaultNegotiationTimeoutMs;
    request.CancelFd = CancelFd;
    request.MaxAnswerBytes = MaxAnswerBytes;
    request.ReadTimeoutMs = ReadTimeoutMs;
    ErrorText.clear();
    const TWhoisOutcome outcome = ExchangeWhois(request, domain, answer, ErrorText);
    Cut = outcome == TWhoisOutcome::Cut;
    HostRefused = outcome == TWhoisOutcome::ProxyRefusedTarget;
    ProxyFault = outcome == TWhoisOutcome::ProxyFailed || HostRefused;
    Unreachable = outcome == TWhoisOutcome::Unreachable;
    return outcome == TWhoisOutcome::Answered || Cut;
}

bool TzqWhois::Pause(int ms) const
{
    if (CancelFd < 0)
        return !AbandonFlag.load();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (AbandonFlag.load())
            return false;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return true;
        pollfd pfd{CancelFd, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) > 0)
            return false;
    }
}

void TzqWhois::Abandon()
{
    AbandonFlag.store(true);
    // The eventfd stays readable from now on, so the blocked poll() of the query wakes at once and
    // every later query fails before it connects. The socket itself is left to the query's thread.
    const std::uint64_t one = 1;
    ssize_t written;
    do {
        written = ::write(CancelFd, &one, sizeof one);
    } while (written < 0 && errno == EINTR);
}
