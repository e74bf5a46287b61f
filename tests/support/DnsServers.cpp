#include "support/DnsServers.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
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

TScriptedDnsServer::TScriptedDnsServer(TReply reply) : Reply(std::move(reply))
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
            char buffer[1500];
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t got =
                ::recvfrom(Fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (got < 2)
                continue;
            const std::string query(buffer, static_cast<std::size_t>(got));
            {
                std::lock_guard lock(Lock);
                ++Asked[QuestionName(query)];
            }
            ++Received;
            const std::string bytes = Reply(query);
            if (!bytes.empty())
                ::sendto(Fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
        }
    });
}

TScriptedDnsServer::~TScriptedDnsServer()
{
    Stopping.store(true);
    if (Reader.joinable())
        Reader.join();
    if (Fd >= 0)
        ::close(Fd);
}

int TScriptedDnsServer::QueriesFor(const std::string& name) const
{
    std::lock_guard lock(Lock);
    const auto it = Asked.find(name);
    return it == Asked.end() ? 0 : it->second;
}

std::string TScriptedDnsServer::QuestionName(const std::string& query)
{
    std::string name;
    for (std::size_t at = 12; at < query.size();) {
        const auto length = static_cast<unsigned char>(query[at]);
        if (length == 0 || length > 63 || at + 1 + length > query.size())
            break;
        if (!name.empty())
            name += '.';
        for (std::size_t i = at + 1; i <= at + length; ++i)
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(query[i])));
        at += 1 + length;
    }
    return name;
}

std::string TScriptedDnsServer::WireName(const std::string& dotted)
{
    std::string wire;
    for (std::size_t start = 0; start < dotted.size();) {
        const std::size_t dot = std::min(dotted.find('.', start), dotted.size());
        wire += static_cast<char>(dot - start);
        wire += dotted.substr(start, dot - start);
        start = dot + 1;
    }
    return wire + '\0';
}

std::string TScriptedDnsServer::Record(const std::string& owner, int type, const std::string& data, int klass)
{
    std::string record = WireName(owner);
    record += {static_cast<char>(type >> 8),
               static_cast<char>(type & 0xFF),
               static_cast<char>(klass >> 8),
               static_cast<char>(klass & 0xFF),
               0,
               0,
               0x0E,
               0x10};
    record += static_cast<char>(data.size() >> 8);
    record += static_cast<char>(data.size() & 0xFF);
    return record + data;
}

std::string TScriptedDnsServer::ReplyTo(const std::string& query, int flags, const std::vector<std::string>& answers)
{
    // The question runs from byte 12 to the end of a plain query (one question, no EDNS record).
    std::string question = query.substr(12);
    if (query.size() >= 12 && static_cast<unsigned char>(query[11]) > 0) {
        // An OPT record of EDNS follows the question: leave it out (11 bytes).
        question.resize(question.size() - std::min<std::size_t>(question.size(), 11));
    }
    std::string reply = query.substr(0, 2);
    reply += {static_cast<char>(flags >> 8),
              static_cast<char>(flags & 0xFF),
              0,
              1,
              0,
              static_cast<char>(answers.size()),
              0,
              0,
              0,
              0};
    reply += question;
    for (const std::string& answer : answers)
        reply += answer;
    return reply;
}

TQuietDnsSocket::TQuietDnsSocket(TMode mode)
    : TScriptedDnsServer([mode](const std::string& query) -> std::string {
          if (mode == TMode::Silent)
              return {};
          // The query's id, a header that claims one answer, and then bytes that are no record.
          const char reply[] = {query[0], query[1], '\x81', '\x80', 0,      1,      0,      1,
                                0,        0,        0,      0,      '\xC0', '\xFF', '\xEE', '\x01'};
          return std::string(reply, sizeof reply);
      })
{
}
