#include "whois/TcpConnection.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr const char* CancelledText = "Query abandoned";

} // namespace

TTcpConnection::TTcpConnection(int cancelFd) : CancelFd(cancelFd) {}

TTcpConnection::~TTcpConnection()
{
    Close();
}

void TTcpConnection::Close()
{
    if (Fd >= 0) {
        ::close(Fd);
        Fd = -1;
    }
}

bool TTcpConnection::Cancelled() const
{
    if (CancelFd < 0)
        return false;
    pollfd pfd{CancelFd, POLLIN, 0};
    return ::poll(&pfd, 1, 0) > 0;
}

bool TTcpConnection::ParseIPv4(const std::string& host, unsigned char (&bytes)[4])
{
    in_addr addr{};
    if (::inet_pton(AF_INET, host.c_str(), &addr) != 1)
        return false;
    std::memcpy(bytes, &addr.s_addr, 4);
    return true;
}

bool TTcpConnection::ResolveIPv4(const std::string& host, unsigned char (&bytes)[4], std::string& error)
{
    if (ParseIPv4(host, bytes))
        return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    // A name with an embedded NUL would be cut short by the resolver: refuse it rather than ask
    // for a different host than the one given.
    if (host.empty() || host.find('\0') != std::string::npos ||
        ::getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || list == nullptr) {
        error = "Host not found";
        return false;
    }
    const auto* sin = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
    std::memcpy(bytes, &sin->sin_addr.s_addr, 4);
    ::freeaddrinfo(list);
    return true;
}

bool TTcpConnection::FailWithErrno(int err)
{
    ErrorText = std::strerror(err);
    Close();
    return false;
}

int TTcpConnection::WaitFor(short events, int timeoutMs)
{
    pollfd pfds[2] = {{Fd, events, 0}, {CancelFd, POLLIN, 0}};
    const nfds_t count = CancelFd >= 0 ? 2 : 1;
    // A signal cuts poll() short; the wait goes on with what is left of the bound, so that
    // repeated signals cannot stretch the connect time-out without end.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int waitMs = timeoutMs;
    for (;;) {
        const int n = ::poll(pfds, count, waitMs);
        if (n < 0) {
            if (errno == EINTR) {
                if (timeoutMs >= 0) {
                    const auto left =
                        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
                    waitMs = static_cast<int>(std::max<long long>(0, left.count()));
                }
                continue;
            }
            FailWithErrno(errno);
            return -1;
        }
        if (count == 2 && pfds[1].revents != 0) {
            ErrorText = CancelledText;
            return -1;
        }
        return n == 0 ? 1 : 0;
    }
}

bool TTcpConnection::Connect(const std::string& host, int port, int timeoutMs)
{
    Close();
    NotReached = false;
    TargetNotReached = false;
    if (host.empty()) {
        ErrorText = "No host given";
        return false;
    }
    if (port <= 0 || port > 65535) {
        ErrorText = "Invalid port " + std::to_string(port);
        return false;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    unsigned char bytes[4];
    if (!ResolveIPv4(host, bytes, ErrorText)) {
        NotReached = true;
        return false;
    }
    std::memcpy(&addr.sin_addr.s_addr, bytes, 4);
    if (Cancelled()) {
        ErrorText = CancelledText;
        return false;
    }

    Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (Fd < 0)
        return FailWithErrno(errno);
    // The request goes out in one write and the answer is read to the end: Nagle only delays.
    const int one = 1;
    ::setsockopt(Fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);

    const auto notReached = [this](int err) {
        NotReached = err == ECONNREFUSED || err == ENETUNREACH || err == EHOSTUNREACH || err == ETIMEDOUT;
        return FailWithErrno(err);
    };
    if (::connect(Fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0)
        return true;
    if (errno != EINPROGRESS)
        return notReached(errno);
    const int waited = WaitFor(POLLOUT, timeoutMs > 0 ? timeoutMs : -1);
    if (waited < 0) {
        Close();
        return false;
    }
    if (waited == 1)
        return notReached(ETIMEDOUT);
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(Fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
        return FailWithErrno(errno);
    if (err != 0)
        return notReached(err);
    return true;
}

void TTcpConnection::SetDeadline(int timeoutMs)
{
    PassedDeadline = false;
    DeadlineMs = timeoutMs;
    if (timeoutMs > 0)
        Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    else
        Deadline.reset();
}

int TTcpConnection::SliceBeforeDeadline(int sliceMs)
{
    if (!Deadline)
        return sliceMs;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*Deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
        PassedDeadline = true;
        ErrorText = "No reply within " + std::to_string(DeadlineMs) + " ms";
        Close();
        return -2;
    }
    return sliceMs < 0 ? static_cast<int>(left.count()) : static_cast<int>(std::min<long long>(sliceMs, left.count()));
}

void TTcpConnection::Adopt(int fd)
{
    Close();
    Fd = fd;
    ::fcntl(Fd, F_SETFL, ::fcntl(Fd, F_GETFL) | O_NONBLOCK);
}

bool TTcpConnection::SendAll(const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (Fd < 0) {
            ErrorText = "Not connected";
            return false;
        }
        const ssize_t n = ::send(Fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const int sliceMs = SliceBeforeDeadline(-1);
            if (sliceMs == -2)
                return false;
            const int waited = WaitFor(POLLOUT, sliceMs);
            if (waited < 0) {
                Close();
                return false;
            }
            continue;
        }
        return FailWithErrno(n < 0 ? errno : EPIPE);
    }
    return true;
}

bool TTcpConnection::ReadExact(std::size_t count, std::string& out)
{
    out.clear();
    char buffer[512];
    while (out.size() < count) {
        if (Fd < 0) {
            ErrorText = "Not connected";
            return false;
        }
        // Without a deadline a proxy that never answers holds the read until it is abandoned.
        const int sliceMs = SliceBeforeDeadline(ReadSliceMs);
        if (sliceMs == -2)
            return false;
        const int waited = WaitFor(POLLIN, sliceMs);
        if (waited < 0) {
            Close();
            return false;
        }
        if (waited == 1)
            continue;
        const std::size_t want = std::min(sizeof buffer, count - out.size());
        const ssize_t n = ::recv(Fd, buffer, want, 0);
        if (n > 0) {
            out.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            ErrorText = "Short reply: the connection was closed after " + std::to_string(out.size()) + " of " +
                        std::to_string(count) + " bytes";
            Close();
            return false;
        } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            return FailWithErrno(errno);
        }
    }
    return true;
}

TTcpConnection::TReadEnd TTcpConnection::ReadToEnd(std::string& answer, std::size_t cap, int totalTimeoutMs)
{
    static constexpr std::size_t ChunkBytes = 64 * 1024;
    std::string chunk(ChunkBytes, '\0');
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(totalTimeoutMs);
    while (answer.size() < cap) {
        if (Fd < 0)
            return TReadEnd::Reset;
        int sliceMs = ReadSliceMs;
        if (totalTimeoutMs > 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                ErrorText = "No complete answer within " + std::to_string(totalTimeoutMs) + " ms";
                return TReadEnd::TimedOut;
            }
            sliceMs = static_cast<int>(std::min<long long>(sliceMs, left.count()));
        }
        // A slice without data starts the next one. Readiness on close or reset ends the wait at
        // once, so a closed host costs no slice.
        const int waited = WaitFor(POLLIN, sliceMs);
        if (waited < 0)
            return Cancelled() ? TReadEnd::Cancelled : TReadEnd::Reset;
        if (waited == 1)
            continue;
        const ssize_t n = ::recv(Fd, chunk.data(), std::min(ChunkBytes, cap - answer.size()), 0);
        if (n > 0) {
            answer.append(chunk.data(), static_cast<std::size_t>(n));
        } else if (n == 0) {
            return TReadEnd::Closed;
        } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            ErrorText = std::strerror(errno);
            return TReadEnd::Reset;
        }
    }
    return TReadEnd::Closed;
}
