#include "support/DnsServers.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

TUnboundServer::TUnboundServer(const std::string& extra)
{
    SocksPort = FreeLoopbackPort();
    std::string config = "server:\n"
                         "  interface: 127.0.0.1\n"
                         "  port: " +
                         std::to_string(SocksPort) +
                         "\n"
                         "  do-daemonize: no\n"
                         "  username: \"\"\n"
                         "  chroot: \"\"\n"
                         "  directory: \"" +
                         Dir.Path() +
                         "\"\n"
                         "  pidfile: \"\"\n"
                         "  use-syslog: no\n"
                         "  logfile: \"\"\n"
                         "  verbosity: 0\n"
                         "  num-threads: 1\n"
                         "  do-ip6: no\n"
                         "  so-reuseport: no\n"
                         "  access-control: 127.0.0.0/8 allow\n"
                         "  module-config: \"iterator\"\n"
                         "  do-not-query-localhost: yes\n"
                         "  local-zone: \"com.\" static\n"
                         "  local-data: \"taken.com. 3600 IN NS ns1.taken.net.\"\n"
                         "  local-data: \"taken.com. 3600 IN NS ns2.taken.net.\"\n"
                         "  local-data: \"nons.com. 3600 IN A 127.0.0.9\"\n"
                         "  local-zone: \"refused.com.\" always_refuse\n";
    for (int i = 0; i < WideNameServerCount; ++i)
        config += "  local-data: \"wide.com. 3600 IN NS " + WideNameServer(i) + ".\"\n";
    config += extra;
    // Everything else would be asked of the root servers; this forwarder is on loopback, which
    // the server may not query, so such names fail at once without a packet leaving.
    config += "forward-zone:\n  name: \".\"\n  forward-addr: 127.0.0.1@1\n"
              "remote-control:\n  control-enable: no\n";
    const std::string path = Dir.Write("unbound.conf", config);
    Launch({"/usr/sbin/unbound", "-d", "-c", path}, SocksPort, "unbound.log");
}

std::string TUnboundServer::WideNameServer(int index)
{
    char name[96];
    std::snprintf(name, sizeof name, "ns%02d.a-name-server-label-long-enough-to-fill-replies.wide.net", index);
    return name;
}

TQuietDnsSocket::TQuietDnsSocket(TMode mode) : Mode(mode)
{
    Fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (Fd < 0 || ::bind(Fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(Fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    PortNumber = ntohs(address.sin_port);
    Reader = std::thread([this] {
        while (!Stopping.load()) {
            pollfd ready{Fd, POLLIN, 0};
            if (::poll(&ready, 1, 20) <= 0)
                continue;
            unsigned char query[1500];
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t got = ::recvfrom(Fd, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (got < 2)
                continue;
            ++Received;
            if (Mode == TMode::Silent)
                continue;
            // The query's id, a header that claims one answer, and then bytes that are no record.
            unsigned char reply[] = {query[0], query[1], 0x81, 0x80, 0, 1, 0, 1, 0, 0, 0, 0, 0xC0, 0xFF, 0xEE, 0x01};
            ::sendto(Fd, reply, sizeof reply, 0, reinterpret_cast<sockaddr*>(&from), fromLength);
        }
    });
}

TQuietDnsSocket::~TQuietDnsSocket()
{
    Stopping.store(true);
    if (Reader.joinable())
        Reader.join();
    if (Fd >= 0)
        ::close(Fd);
}
