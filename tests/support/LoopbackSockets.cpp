#include "support/LoopbackSockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int BoundSocket(int flags, int& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | flags, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        throw std::runtime_error("cannot bind a loopback socket");
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return fd;
}

} // namespace

TReservedPort::TReservedPort()
{
    Fd = BoundSocket(0, PortNumber);
}

TReservedPort::~TReservedPort()
{
    ::close(Fd);
}

TFullBacklogListener::TFullBacklogListener()
{
    Fd = BoundSocket(0, PortNumber);
    ::listen(Fd, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(PortNumber));
    // Keep connecting until one connection stays pending: that one shows the queue is full.
    for (int i = 0; i < 64 && !IsFull; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        Fillers.push_back(fd);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
            continue;
        pollfd pfd{fd, POLLOUT, 0};
        if (::poll(&pfd, 1, 200) == 0)
            IsFull = true;
    }
}

TFullBacklogListener::~TFullBacklogListener()
{
    for (const int fd : Fillers)
        ::close(fd);
    ::close(Fd);
}

bool CanListenOnWhoisPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(43);
    addr.sin_addr.s_addr = htonl(0x7FFEFE2B); // 127.254.254.43, an address no test host takes
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    // Taken by someone else still means the port itself is open to us.
    const bool allowed = bound || errno == EADDRINUSE;
    ::close(fd);
    return allowed;
}

int WhoisPortIfAllowed()
{
    return CanListenOnWhoisPort() ? 43 : 0;
}
