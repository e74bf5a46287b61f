#include "whois/SocksClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace {

void AppendPort(std::string& out, int port)
{
    out += static_cast<char>((port >> 8) & 0xFF);
    out += static_cast<char>(port & 0xFF);
}

bool Fail(TTcpConnection& connection, std::string text)
{
    connection.SetError(std::move(text));
    connection.Close();
    return false;
}

// ReadExact's own message ("Short reply ...", "Connection reset by peer", "Query abandoned") says
// what happened; prefix it with the step so the user knows where the proxy stopped.
bool ReadReply(TTcpConnection& connection, std::size_t count, std::string& out, const char* what)
{
    if (connection.ReadExact(count, out))
        return true;
    if (connection.Error().rfind("Short reply", 0) == 0)
        connection.SetError(std::string("SOCKS proxy sent a short ") + what + " (" + connection.Error() + ")");
    return false;
}

std::string Socks4Refusal(unsigned char code)
{
    switch (code) {
    case 91:
        return "SOCKS proxy refused the request (request rejected or failed)";
    case 92:
        return "SOCKS proxy refused the request (it cannot reach the client's identd)";
    case 93:
        return "SOCKS proxy refused the request (identd reports a different user ID)";
    default:
        return "SOCKS proxy refused the request (reply code " + std::to_string(code) + ")";
    }
}

std::string Socks5Refusal(unsigned char code)
{
    static const char* const texts[] = {
        "succeeded",
        "general SOCKS server failure",
        "connection not allowed by ruleset",
        "network unreachable",
        "host unreachable",
        "connection refused",
        "TTL expired",
        "command not supported",
        "address type not supported",
    };
    const std::string reason = code < std::size(texts) ? texts[code] : "reply code " + std::to_string(code);
    return "SOCKS proxy refused the request (" + reason + ")";
}

std::string VersionText(unsigned char got, int expected, const char* what)
{
    return std::string("SOCKS proxy sent a ") + what + " with wrong version " + std::to_string(got) + " (expected " +
           std::to_string(expected) + ")";
}

} // namespace

std::string TSocksClient::Socks4Request(const unsigned char (&address)[4], int port, const std::string& userId)
{
    std::string out;
    out += '\x04'; // version
    out += '\x01'; // CONNECT
    AppendPort(out, port);
    out.append(reinterpret_cast<const char*>(address), 4);
    out += userId;
    out += '\0';
    return out;
}

std::string TSocksClient::Socks4ARequest(const std::string& host, int port, const std::string& userId)
{
    // 0.0.0.x with x non-zero tells the proxy that the host name follows the user ID.
    const unsigned char marker[4] = {0, 0, 0, 1};
    std::string out = Socks4Request(marker, port, userId);
    out += host;
    out += '\0';
    return out;
}

std::string TSocksClient::Socks5Greeting(TSocksAuthentication authentication)
{
    std::string out = "\x05\x01";
    out += authentication == TSocksAuthentication::UsernamePassword ? '\x02' : '\x00';
    return out;
}

std::string TSocksClient::Socks5AuthRequest(const std::string& user, const std::string& password)
{
    std::string out;
    out += '\x01';
    out += static_cast<char>(user.size());
    out += user;
    out += static_cast<char>(password.size());
    out += password;
    return out;
}

std::string TSocksClient::Socks5ConnectRequest(const std::string& host, int port)
{
    std::string out = "\x05\x01";
    out += '\0'; // reserved
    in_addr v4{};
    in6_addr v6{};
    if (::inet_pton(AF_INET, host.c_str(), &v4) == 1) {
        out += '\x01';
        out.append(reinterpret_cast<const char*>(&v4.s_addr), 4);
    } else if (::inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
        out += '\x04';
        out.append(reinterpret_cast<const char*>(v6.s6_addr), 16);
    } else {
        if (host.size() > 255)
            return {};
        out += '\x03';
        out += static_cast<char>(host.size());
        out += host;
    }
    AppendPort(out, port);
    return out;
}

bool TSocksClient::Negotiate(TTcpConnection& connection, const TSocksParameters& proxy, const std::string& targetHost,
                             int targetPort)
{
    switch (proxy.Version) {
    case TSocksVersion::None:
        return true;
    case TSocksVersion::Socks4:
    case TSocksVersion::Socks4A:
        return NegotiateSocks4(connection, proxy, targetHost, targetPort);
    case TSocksVersion::Socks5:
        return NegotiateSocks5(connection, proxy, targetHost, targetPort);
    }
    return Fail(connection, "Unknown SOCKS version");
}

bool TSocksClient::NegotiateSocks4(TTcpConnection& connection, const TSocksParameters& proxy,
                                   const std::string& targetHost, int targetPort)
{
    // The user ID is a NUL-terminated field: an embedded NUL would end it early and the rest
    // would be read as a host name by a SOCKS 4A proxy.
    if (proxy.UserName.find('\0') != std::string::npos)
        return Fail(connection, "SOCKS 4 user ID must not contain a NUL byte");
    std::string request;
    unsigned char address[4];
    if (proxy.Version == TSocksVersion::Socks4A && !TTcpConnection::ParseIPv4(targetHost, address)) {
        if (targetHost.find('\0') != std::string::npos)
            return Fail(connection, "Host not found");
        request = Socks4ARequest(targetHost, targetPort, proxy.UserName);
    } else {
        std::string error;
        if (!TTcpConnection::ResolveIPv4(targetHost, address, error))
            return Fail(connection, error);
        request = Socks4Request(address, targetPort, proxy.UserName);
    }
    if (!connection.SendAll(request))
        return false;

    std::string reply;
    if (!ReadReply(connection, 8, reply, "SOCKS 4 reply"))
        return false;
    const auto version = static_cast<unsigned char>(reply[0]);
    const auto code = static_cast<unsigned char>(reply[1]);
    if (version != 0)
        return Fail(connection, VersionText(version, 0, "SOCKS 4 reply"));
    if (code != 90)
        return Fail(connection, Socks4Refusal(code));
    return true;
}

bool TSocksClient::NegotiateSocks5(TTcpConnection& connection, const TSocksParameters& proxy,
                                   const std::string& targetHost, int targetPort)
{
    const bool withPassword = proxy.Authentication == TSocksAuthentication::UsernamePassword;
    if (withPassword && (proxy.UserName.size() > 255 || proxy.Password.size() > 255))
        return Fail(connection, "SOCKS 5 user name and password must be at most 255 bytes each");
    const std::string connectRequest = Socks5ConnectRequest(targetHost, targetPort);
    if (connectRequest.empty())
        return Fail(connection, "Host name too long for SOCKS 5 (more than 255 bytes)");

    if (!connection.SendAll(Socks5Greeting(proxy.Authentication)))
        return false;
    std::string reply;
    if (!ReadReply(connection, 2, reply, "SOCKS 5 method selection"))
        return false;
    auto version = static_cast<unsigned char>(reply[0]);
    const auto method = static_cast<unsigned char>(reply[1]);
    if (version != 5)
        return Fail(connection, VersionText(version, 5, "SOCKS 5 method selection"));
    if (method == 0xFF)
        return Fail(connection, "SOCKS proxy accepts none of the offered authentication methods");
    const unsigned char offered = withPassword ? 2 : 0;
    if (method != offered)
        return Fail(connection, "SOCKS proxy chose authentication method " + std::to_string(method) +
                                    ", which was not offered (offered " + std::to_string(offered) + ")");

    if (withPassword) {
        if (!connection.SendAll(Socks5AuthRequest(proxy.UserName, proxy.Password)))
            return false;
        if (!ReadReply(connection, 2, reply, "SOCKS 5 authentication reply"))
            return false;
        version = static_cast<unsigned char>(reply[0]);
        if (version != 1)
            return Fail(connection, VersionText(version, 1, "SOCKS 5 authentication reply"));
        if (reply[1] != 0)
            return Fail(connection, "SOCKS proxy authentication failed (wrong user name or password)");
    }

    if (!connection.SendAll(connectRequest))
        return false;
    if (!ReadReply(connection, 4, reply, "SOCKS 5 reply"))
        return false;
    version = static_cast<unsigned char>(reply[0]);
    const auto code = static_cast<unsigned char>(reply[1]);
    if (version != 5)
        return Fail(connection, VersionText(version, 5, "SOCKS 5 reply"));
    if (code != 0)
        return Fail(connection, Socks5Refusal(code));
    // The bound address is of no use to us, but it has to be read off the stream before the
    // WHOIS answer starts.
    std::size_t rest = 0;
    switch (static_cast<unsigned char>(reply[3])) {
    case 1:
        rest = 4 + 2;
        break;
    case 4:
        rest = 16 + 2;
        break;
    case 3: {
        if (!ReadReply(connection, 1, reply, "SOCKS 5 reply"))
            return false;
        rest = static_cast<unsigned char>(reply[0]) + 2u;
        break;
    }
    default:
        return Fail(connection, "SOCKS proxy sent a SOCKS 5 reply with unknown address type " +
                                    std::to_string(static_cast<unsigned char>(reply[3])));
    }
    return ReadReply(connection, rest, reply, "SOCKS 5 reply");
}
