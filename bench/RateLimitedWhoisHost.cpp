#include "RateLimitedWhoisHost.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::uint64_t NowUs()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

int Listen(const std::string& address, int port, std::string& failure)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        failure = std::strerror(errno);
        return -1;
    }
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, address.c_str(), &where.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || ::listen(fd, 512) != 0) {
        failure = address + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

int BoundPort(int fd)
{
    sockaddr_in where{};
    socklen_t size = sizeof where;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &size);
    return ntohs(where.sin_port);
}

std::string Answer(const std::string& domain)
{
    if (domain.starts_with("free"))
        return "No match for \"" + domain + "\".\r\n>>> Last update of WHOIS database: 2026-12-11T10:00:00Z <<<\r\n";
    return "   Domain Name: " + domain +
           "\r\n   Registrar: Bench Registrar\r\n"
           "   Registry Expiry Date: 2031-05-17T04:00:00Z\r\n>>> Last update of WHOIS database <<<\r\n";
}

} // namespace

TRateLimitedWhoisHost::TRateLimitedWhoisHost(std::vector<THost> hosts, double rate)
    : Hosts(std::move(hosts)), Rate(rate)
{
    int port = 0;
    for (const THost& host : Hosts) {
        const int fd = Listen(host.Address, port, FailureText);
        if (fd < 0)
            return;
        Listeners.push_back(fd);
        port = BoundPort(fd);
    }
    if (::pipe2(WakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        FailureText = std::strerror(errno);
        return;
    }
    Port_ = port;
    Thread = std::thread(&TRateLimitedWhoisHost::Loop, this);
}

TRateLimitedWhoisHost::~TRateLimitedWhoisHost()
{
    Stopping = true;
    if (WakePipe[1] >= 0) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(WakePipe[1], &byte, 1);
    }
    if (Thread.joinable())
        Thread.join();
    for (const int fd : Listeners)
        ::close(fd);
    for (const int fd : WakePipe)
        if (fd >= 0)
            ::close(fd);
}

TRateLimitedWhoisHost::TCounts TRateLimitedWhoisHost::Counts() const
{
    std::lock_guard guard(Lock);
    return Totals;
}

void TRateLimitedWhoisHost::ResetCounts()
{
    std::lock_guard guard(Lock);
    Totals = TCounts{};
}

bool TRateLimitedWhoisHost::TakeToken(std::size_t host, const std::string& source)
{
    const std::uint64_t now = NowUs();
    const auto [entry, fresh] = Buckets.try_emplace({host, source});
    TBucket& bucket = entry->second;
    if (fresh)
        bucket.Tokens = Rate; // a new address starts with a full bucket
    else
        bucket.Tokens = std::min(Rate, bucket.Tokens + Rate * static_cast<double>(now - bucket.AtUs) / 1e6);
    bucket.AtUs = now;
    if (bucket.Tokens < 1)
        return false;
    bucket.Tokens -= 1;
    return true;
}

void TRateLimitedWhoisHost::Loop()
{
    std::vector<TConnection> connections;
    std::vector<pollfd> polled;
    while (!Stopping) {
        polled.clear();
        polled.push_back({WakePipe[0], POLLIN, 0});
        for (const int fd : Listeners)
            polled.push_back({fd, POLLIN, 0});
        for (const TConnection& connection : connections)
            polled.push_back({connection.Fd, static_cast<short>(connection.Answered ? POLLOUT : POLLIN), 0});
        if (::poll(polled.data(), polled.size(), -1) < 0 && errno != EINTR)
            return;
        if (polled[0].revents != 0)
            return;
        std::vector<TConnection> kept;
        for (std::size_t i = 0; i < connections.size(); ++i) {
            TConnection& connection = connections[i];
            const short events = polled[1 + Listeners.size() + i].revents;
            bool open = true;
            if (events & (POLLIN | POLLHUP | POLLERR))
                open = connection.Answered ? WriteTo(connection) : ReadFrom(connection);
            else if (events & POLLOUT)
                open = WriteTo(connection);
            if (open)
                kept.push_back(std::move(connection));
            else
                ::close(connection.Fd);
        }
        connections = std::move(kept);
        for (std::size_t host = 0; host < Listeners.size(); ++host) {
            if (!(polled[1 + host].revents & POLLIN))
                continue;
            for (;;) {
                sockaddr_in peer{};
                socklen_t size = sizeof peer;
                const int fd =
                    ::accept4(Listeners[host], reinterpret_cast<sockaddr*>(&peer), &size, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (fd < 0)
                    break;
                char text[INET_ADDRSTRLEN] = {};
                ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
                TConnection connection;
                connection.Fd = fd;
                connection.Host = host;
                connection.Source = text;
                connections.push_back(std::move(connection));
            }
        }
    }
    for (const TConnection& connection : connections)
        ::close(connection.Fd);
}

bool TRateLimitedWhoisHost::ReadFrom(TConnection& connection)
{
    char buffer[1024];
    const ssize_t got = ::read(connection.Fd, buffer, sizeof buffer);
    if (got < 0)
        return errno == EAGAIN || errno == EINTR;
    if (got == 0)
        return false;
    connection.In.append(buffer, static_cast<std::size_t>(got));
    const std::size_t end = connection.In.find("\r\n");
    if (end == std::string::npos)
        return connection.In.size() < 4096;
    const std::string domain = connection.In.substr(0, end);
    const bool allowed = TakeToken(connection.Host, connection.Source);
    {
        std::lock_guard guard(Lock);
        ++Totals.Queries;
        if (allowed)
            ++Totals.AnsweredFrom[{Hosts[connection.Host].Address, connection.Source}];
        else
            ++Totals.Refused;
    }
    if (!allowed && Hosts[connection.Host].Refusal == TRefusal::Silent)
        return false;
    connection.Out = allowed ? Answer(domain) : RefusalText;
    connection.Answered = true;
    return WriteTo(connection);
}

bool TRateLimitedWhoisHost::WriteTo(TConnection& connection)
{
    while (connection.Sent < connection.Out.size()) {
        const ssize_t sent = ::send(connection.Fd, connection.Out.data() + connection.Sent,
                                    connection.Out.size() - connection.Sent, MSG_NOSIGNAL);
        if (sent < 0)
            return errno == EAGAIN || errno == EINTR;
        connection.Sent += static_cast<std::size_t>(sent);
    }
    return false; // all sent: close, which ends the answer
}
