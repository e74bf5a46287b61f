#include "support/FakeWhoisServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <stdexcept>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int BindListener(const std::string& address, int port, int& boundPort)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 128) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    boundPort = ntohs(addr.sin_port);
    return fd;
}

std::string RandomLoopbackAddress(std::mt19937& random)
{
    std::uniform_int_distribution<int> octet(1, 254);
    return "127." + std::to_string(octet(random)) + "." + std::to_string(octet(random)) + "." +
           std::to_string(octet(random));
}

} // namespace

TFakeWhoisServer::TFakeWhoisServer(const std::string& address, int port)
{
    if (address.empty()) {
        std::mt19937 random(std::random_device{}());
        for (int attempt = 0; attempt < 200 && ListenFd < 0; ++attempt) {
            BoundAddress = RandomLoopbackAddress(random);
            ListenFd = BindListener(BoundAddress, port, BoundPort);
        }
    } else {
        BoundAddress = address;
        if (port != 0) {
            const std::string lockPath = "/tmp/quarrow-test-" + address + "-" + std::to_string(port) + ".lock";
            LockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            if (LockFd >= 0)
                ::flock(LockFd, LOCK_EX);
        }
        ListenFd = BindListener(BoundAddress, port, BoundPort);
    }
    if (ListenFd < 0 || ::pipe2(WakePipe, O_CLOEXEC) != 0) {
        const std::string error = std::strerror(errno);
        if (ListenFd >= 0)
            ::close(ListenFd);
        if (LockFd >= 0)
            ::close(LockFd);
        throw std::runtime_error("fake WHOIS server cannot listen on " + BoundAddress + ":" + std::to_string(port) +
                                 ": " + error);
    }
    Acceptor = std::thread([this] { AcceptLoop(); });
}

TFakeWhoisServer::~TFakeWhoisServer()
{
    {
        std::lock_guard guard(Lock);
        Stopping.store(true);
    }
    ReplyGate.notify_all();
    // One byte that nobody reads keeps the pipe readable, waking every poll() of every thread.
    const char byte = 'x';
    [[maybe_unused]] const ssize_t n = ::write(WakePipe[1], &byte, 1);
    Acceptor.join();
    for (auto& worker : Workers)
        worker.Thread.join();
    ::close(ListenFd);
    ::close(WakePipe[0]);
    ::close(WakePipe[1]);
    if (LockFd >= 0)
        ::close(LockFd);
}

void TFakeWhoisServer::SetReply(const std::string& domain, TReply reply)
{
    std::lock_guard guard(Lock);
    Replies[domain] = std::move(reply);
}

void TFakeWhoisServer::SetDefaultReply(TReply reply)
{
    std::lock_guard guard(Lock);
    DefaultReply = std::move(reply);
}

void TFakeWhoisServer::SetReplies(const std::string& domain, std::vector<TReply> replies)
{
    std::lock_guard guard(Lock);
    Sequences[domain] = std::move(replies);
}

std::vector<std::string> TFakeWhoisServer::Requests() const
{
    std::lock_guard guard(Lock);
    return Received;
}

std::vector<std::chrono::steady_clock::time_point> TFakeWhoisServer::RequestTimes() const
{
    std::lock_guard guard(Lock);
    return ReceivedAt;
}

int TFakeWhoisServer::RequestCount(const std::string& domain) const
{
    std::lock_guard guard(Lock);
    const auto it = Counts.find(domain);
    return it == Counts.end() ? 0 : it->second;
}

bool TFakeWhoisServer::WaitForRequests(int count, int timeoutMs) const
{
    std::unique_lock guard(Lock);
    return RequestArrived.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                   [&] { return static_cast<int>(Received.size()) >= count; });
}

TFakeWhoisServer::TReply TFakeWhoisServer::ReplyFor(const std::string& domain) const
{
    std::lock_guard guard(Lock);
    if (const auto sequence = Sequences.find(domain); sequence != Sequences.end() && !sequence->second.empty()) {
        const auto count = Counts.find(domain);
        const std::size_t served = count == Counts.end() ? 0 : static_cast<std::size_t>(count->second);
        return sequence->second[std::min(served, sequence->second.size() - 1)];
    }
    const auto it = Replies.find(domain);
    return it == Replies.end() ? DefaultReply : it->second;
}

bool TFakeWhoisServer::Pause(int ms, int alsoWatchFd) const
{
    pollfd pfds[2] = {{WakePipe[0], POLLIN, 0}, {alsoWatchFd, POLLIN, 0}};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int wait = -1;
        if (ms >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return true;
            wait = static_cast<int>(left.count());
        }
        const int n = ::poll(pfds, alsoWatchFd >= 0 ? 2 : 1, wait);
        if (n < 0 && errno == EINTR)
            continue;
        if (pfds[0].revents != 0 || Stopping.load())
            return false;
        if (alsoWatchFd >= 0 && pfds[1].revents != 0)
            return false;
        if (n == 0)
            return true;
    }
}

void TFakeWhoisServer::HoldReplies()
{
    std::lock_guard guard(Lock);
    Held = true;
}

void TFakeWhoisServer::ReleaseReplies()
{
    {
        std::lock_guard guard(Lock);
        Held = false;
    }
    ReplyGate.notify_all();
}

void TFakeWhoisServer::ReapFinished()
{
    for (auto it = Workers.begin(); it != Workers.end();) {
        if (it->Done->load()) {
            it->Thread.join();
            it = Workers.erase(it);
        } else {
            ++it;
        }
    }
}

void TFakeWhoisServer::AcceptLoop()
{
    while (!Stopping.load()) {
        pollfd pfds[2] = {{ListenFd, POLLIN, 0}, {WakePipe[0], POLLIN, 0}};
        if (::poll(pfds, 2, -1) < 0 && errno != EINTR)
            return;
        if (pfds[1].revents != 0)
            return;
        if ((pfds[0].revents & POLLIN) == 0)
            continue;
        const int fd = ::accept4(ListenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++Accepted;
        ReapFinished();
        auto done = std::make_shared<std::atomic<bool>>(false);
        Workers.push_back({std::thread([this, fd, done] {
                               Serve(fd);
                               ++Finished;
                               done->store(true);
                           }),
                           done});
    }
}

void TFakeWhoisServer::Serve(int fd)
{
    std::string request;
    char buffer[4096];
    // Read up to the end of the request line (or until the client stops sending), then take
    // whatever else is already there, so that stray extra bytes show in the record.
    while (request.find('\n') == std::string::npos) {
        if (!Pause(-1, fd)) {
            if (Stopping.load())
                break;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0)
            request.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    if (Stopping.load()) {
        ::close(fd);
        return;
    }
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n <= 0)
            break;
        request.append(buffer, static_cast<std::size_t>(n));
    }

    std::string domain = request;
    while (!domain.empty() && (domain.back() == '\n' || domain.back() == '\r'))
        domain.pop_back();
    const TReply reply = ReplyFor(domain);
    {
        std::lock_guard guard(Lock);
        Received.push_back(request);
        ReceivedAt.push_back(std::chrono::steady_clock::now());
        ++Counts[domain];
    }
    RequestArrived.notify_all();
    {
        std::unique_lock guard(Lock);
        ReplyGate.wait(guard, [this] { return !Held || Stopping.load(); });
    }

    if (reply.DelayMs > 0 && !Pause(reply.DelayMs)) {
        ::close(fd);
        return;
    }
    if (reply.Behaviour != TBehaviour::CloseAtOnce) {
        std::size_t sent = 0;
        while (sent < reply.Text.size()) {
            const ssize_t n =
                ::send(fd, reply.Text.data() + sent, reply.Text.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                // The client reads slowly (or stopped at its size cap): wait for room, or give up
                // when the client went away or the server stops.
                pollfd pfds[2] = {{fd, POLLOUT, 0}, {WakePipe[0], POLLIN, 0}};
                ::poll(pfds, 2, -1);
                if (pfds[1].revents != 0 || (pfds[0].revents & (POLLERR | POLLHUP)) != 0)
                    break;
                continue;
            }
            break;
        }
    }
    if (reply.Behaviour == TBehaviour::PartThenReset) {
        const linger hard{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    } else if (reply.Behaviour == TBehaviour::NeverClose) {
        // Until the client hangs up (readable at EOF) or the server stops.
        while (Pause(-1, fd)) {
        }
    }
    ::close(fd);
}
