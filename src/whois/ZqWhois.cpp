#include "whois/ZqWhois.h"

#include "whois/WhoisExchange.h"

#include <cerrno>
#include <cstdint>
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
    request.CancelFd = CancelFd;
    request.MaxAnswerBytes = MaxAnswerBytes;
    ErrorText.clear();
    return ExchangeWhois(request, domain, answer, ErrorText) == TWhoisOutcome::Answered;
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
