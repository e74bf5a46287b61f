#include "support/HangUpListener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

THangUpListener::THangUpListener(TMode mode)
{
    Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (Fd < 0 || ::bind(Fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(Fd, 64) != 0 ||
        ::getsockname(Fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0 || ::pipe2(Wake, O_CLOEXEC) != 0)
        throw std::runtime_error("hang-up listener cannot listen");
    PortNumber = ntohs(addr.sin_port);
    Thread = std::thread([this, mode] {
        for (;;) {
            pollfd fds[2] = {{Fd, POLLIN, 0}, {Wake[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN))
                break;
            const int client = ::accept4(Fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                ++Accepted;
                if (mode == TMode::Hold)
                    Held.push_back(client);
                else
                    ::close(client);
            }
        }
        for (const int client : Held)
            ::close(client);
    });
}

THangUpListener::~THangUpListener()
{
    (void)!::write(Wake[1], "x", 1);
    Thread.join();
    ::close(Fd);
    ::close(Wake[0]);
    ::close(Wake[1]);
}
