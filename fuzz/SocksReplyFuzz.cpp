// Plays a SOCKS proxy whose replies are arbitrary bytes, through a socket pair (never the
// network). The first byte picks the protocol (4, 4A, 5 without and with authentication) and the
// target's form; the rest is what the proxy sends, followed by its closing the connection. The
// negotiation must succeed exactly when the reply is a well-formed acceptance, send exactly the
// requests of the steps it reached, and on success leave every byte after the reply unread, for
// the WHOIS answer that follows it.
#include "FuzzSupport.h"

#include "whois/SocksClient.h"
#include "whois/TcpConnection.h"

#include <cstdint>
#include <string>
#include <string_view>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int TargetPort = 43;

// What a correct client does with `reply`: whether it succeeds, how many reply bytes the
// negotiation owns, and the bytes it sends.
struct TExpected
{
    bool Success = false;
    std::size_t Consumed = 0;
    std::string Sent;
};

unsigned char At(std::string_view bytes, std::size_t i)
{
    return static_cast<unsigned char>(bytes[i]);
}

TExpected Socks4(std::string_view reply, const std::string& request)
{
    TExpected expected;
    expected.Sent = request;
    expected.Success = reply.size() >= 8 && At(reply, 0) == 0 && At(reply, 1) == 90;
    expected.Consumed = 8;
    return expected;
}

TExpected Socks5(std::string_view reply, const TSocksParameters& proxy, const std::string& host)
{
    TExpected expected;
    const bool withPassword = proxy.Authentication == TSocksAuthentication::UsernamePassword;
    const std::string connect = TSocksClient::Socks5ConnectRequest(host, TargetPort);
    if (connect.empty())
        return expected; // refused before a byte goes out
    expected.Sent = TSocksClient::Socks5Greeting(proxy.Authentication);
    if (reply.size() < 2 || At(reply, 0) != 5 || At(reply, 1) != (withPassword ? 2 : 0))
        return expected;
    std::size_t at = 2;
    if (withPassword) {
        expected.Sent += TSocksClient::Socks5AuthRequest(proxy.UserName, proxy.Password);
        if (reply.size() < 4 || At(reply, 2) != 1 || At(reply, 3) != 0)
            return expected;
        at = 4;
    }
    expected.Sent += connect;
    if (reply.size() < at + 4 || At(reply, at) != 5 || At(reply, at + 1) != 0)
        return expected;
    std::size_t rest = 0;
    switch (At(reply, at + 3)) {
    case 1:
        rest = 6;
        break;
    case 4:
        rest = 18;
        break;
    case 3:
        if (reply.size() < at + 5)
            return expected;
        rest = 1 + At(reply, at + 4) + 2;
        break;
    default:
        return expected;
    }
    expected.Consumed = at + 4 + rest;
    expected.Success = reply.size() >= expected.Consumed;
    return expected;
}

std::string Drain(int fd)
{
    std::string bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n <= 0)
            return bytes;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The whole reply sits in the socket buffer before the client reads; far more than any
    // negotiation needs.
    if (size < 1 || size > 32 * 1024)
        return 0;
    const unsigned char choice = data[0];
    const std::string_view reply(reinterpret_cast<const char*>(data) + 1, size - 1);

    TSocksParameters proxy;
    std::string host;
    switch (choice % 4) {
    case 0:
        proxy.Version = TSocksVersion::Socks4;
        break;
    case 1:
        proxy.Version = TSocksVersion::Socks4A;
        break;
    default:
        proxy.Version = TSocksVersion::Socks5;
        if (choice % 4 == 3)
            proxy.Authentication = TSocksAuthentication::UsernamePassword;
        break;
    }
    const unsigned form = (choice / 4) % 4;
    static const std::string longName = std::string(251, 'w') + ".com"; // one byte too long for SOCKS 5
    // SOCKS 4 resolves the target itself: only an address literal keeps the resolver out of it.
    if (proxy.Version == TSocksVersion::Socks4 || form == 0)
        host = "192.0.2.7";
    else if (form == 1)
        host = "whois.example";
    else if (form == 2)
        host = proxy.Version == TSocksVersion::Socks5 ? "2001:db8::43" : "whois.example";
    else
        host = proxy.Version == TSocksVersion::Socks5 ? longName : "whois.example";
    proxy.UserName = (choice & 0x10) != 0 ? "quarrow" : "";
    proxy.Password = (choice & 0x20) != 0 ? "s3cret" : "";

    TExpected expected;
    if (proxy.Version == TSocksVersion::Socks5) {
        expected = Socks5(reply, proxy, host);
    } else {
        unsigned char address[4];
        if (TTcpConnection::ParseIPv4(host, address))
            expected = Socks4(reply, TSocksClient::Socks4Request(address, TargetPort, proxy.UserName));
        else
            expected = Socks4(reply, TSocksClient::Socks4ARequest(host, TargetPort, proxy.UserName));
    }

    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        std::abort();
    const int peer = pair[1];
    const int buffer = 256 * 1024;
    ::setsockopt(peer, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
    if (::send(peer, reply.data(), reply.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(reply.size()))
        std::abort();
    ::shutdown(peer, SHUT_WR);

    TTcpConnection connection;
    connection.Adopt(pair[0]);
    const bool negotiated = TSocksClient::Negotiate(connection, proxy, host, TargetPort);
    FUZZ_REQUIRE(negotiated == expected.Success);
    FUZZ_REQUIRE(Drain(peer) == expected.Sent);
    std::string answer;
    const TTcpConnection::TReadEnd end = connection.ReadToEnd(answer, 1u << 20);
    if (negotiated) {
        FUZZ_REQUIRE(end == TTcpConnection::TReadEnd::Closed);
        FUZZ_REQUIRE(answer == reply.substr(expected.Consumed));
    } else {
        // A failed negotiation names its step (and the target it was refused, which may be a host
        // name of 255 bytes) and gives the connection up.
        FUZZ_REQUIRE(!connection.Error().empty() && connection.Error().size() < 200 + host.size());
        FUZZ_REQUIRE(end == TTcpConnection::TReadEnd::Reset && answer.empty());
    }
    ::close(peer);
    return 0;
}
