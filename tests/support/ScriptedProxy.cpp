#include "support/ScriptedProxy.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

TScriptedProxy::TScriptedProxy(std::vector<TStep> script) : Script(std::move(script))
{
    ListenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (ListenFd < 0 || ::bind(ListenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(ListenFd, 8) != 0 || ::pipe2(WakePipe, O_CLOEXEC) != 0)
        throw std::runtime_error("scripted proxy cannot listen");
    socklen_t len = sizeof addr;
    ::getsockname(ListenFd, reinterpret_cast<sockaddr*>(&addr), &len);
    PortNumber = ntohs(addr.sin_port);
    Worker = std::thread([this] { Run(); });
}

TScriptedProxy::~TScriptedProxy()
{
    const char byte = 'x';
    [[maybe_unused]] const ssize_t n = ::write(WakePipe[1], &byte, 1);
    Worker.join();
    ::close(ListenFd);
    ::close(WakePipe[0]);
    ::close(WakePipe[1]);
}

std::vector<std::string> TScriptedProxy::Received() const
{
    std::lock_guard guard(Lock);
    return Chunks;
}

int TScriptedProxy::Connections() const
{
    std::lock_guard guard(Lock);
    return Accepted;
}

bool TScriptedProxy::WaitDone(int timeoutMs) const
{
    std::unique_lock guard(Lock);
    return DoneSignal.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return Done; });
}

void TScriptedProxy::Run()
{
    pollfd waitAccept[2] = {{ListenFd, POLLIN, 0}, {WakePipe[0], POLLIN, 0}};
    while (::poll(waitAccept, 2, -1) < 0 && errno == EINTR) {
    }
    int fd = -1;
    if (waitAccept[1].revents == 0)
        fd = ::accept4(ListenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) {
        {
            std::lock_guard guard(Lock);
            ++Accepted;
        }
        bool alive = true;
        for (const TStep& step : Script) {
            if (!alive)
                break;
            std::string chunk;
            while (chunk.size() < step.ExpectBytes) {
                pollfd pfds[2] = {{fd, POLLIN, 0}, {WakePipe[0], POLLIN, 0}};
                ::poll(pfds, 2, -1);
                if (pfds[1].revents != 0) {
                    alive = false;
                    break;
                }
                char buffer[512];
                const ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, step.ExpectBytes - chunk.size()), 0);
                if (n <= 0) {
                    alive = false;
                    break;
                }
                chunk.append(buffer, static_cast<std::size_t>(n));
            }
            if (step.ExpectBytes > 0) {
                std::lock_guard guard(Lock);
                Chunks.push_back(chunk);
            }
            if (alive && !step.Send.empty())
                alive = ::send(fd, step.Send.data(), step.Send.size(), MSG_NOSIGNAL) ==
                        static_cast<ssize_t>(step.Send.size());
        }
        ::close(fd);
    }
    {
        std::lock_guard guard(Lock);
        Done = true;
    }
    DoneSignal.notify_all();
}
