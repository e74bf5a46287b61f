#include "whois/SocksClient.h"

#include "settings/ProxyUrl.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace {

void AppendPort(std::string& out, int port)
{
    out += static_cast<char>((port >> 8) & 0xFF);
    out += static_cast<char>(port & 0xFF);
}

// One negotiation's failures, each a sentence that starts with the proxy's name: the answers
// entry of a row and the trail of a pool show it as it is.
struct TNegotiation
{
    TTcpConnection& Connection;
    std::string Proxy; // "The proxy socks5://user@host:port"

    bool Fail(const std::string& what) const
    {
        Connection.SetError(Proxy + " " + what);
        Connection.Close();
        return false;
    }

    // The connection's own message ("Short reply ...", "Connection reset by peer") says what
    // happened; the step says where the proxy stopped. An abandoned query keeps its own message.
    bool Broke(const char* what) const
    {
        if (Connection.Cancelled())
            return false;
        const std::string error = Connection.Error();
        static const std::string Short = "Short reply: ";
        if (error.rfind(Short, 0) == 0)
            Connection.SetError(Proxy + " sent a short " + what + ": " + error.substr(Short.size()));
        else
            Connection.SetError(Proxy + " broke off the SOCKS negotiation at its " + what + ": " + error);
        return false;
    }

    bool Send(const std::string& bytes, const char* what) const { return Connection.SendAll(bytes) || Broke(what); }

    bool Read(std::size_t count, std::string& out, const char* what) const
    {
        return Connection.ReadExact(count, out) || Broke(what);
    }
};

std::string Socks4Refusal(unsigned char code)
{
    switch (code) {
    case 91:
        return "request rejected or failed";
    case 92:
        return "it cannot reach the client's identd";
    case 93:
        return "identd reports a different user ID";
    default:
        return "reply code " + std::to_string(code);
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
    return code < std::size(texts) ? texts[code] : "reply code " + std::to_string(code);
}

std::string VersionText(unsigned char got, int expected, const char* what)
{
    return std::string("sent a ") + what + " with wrong version " + std::to_string(got) + " (expected " +
           std::to_string(expected) + ")";
}

std::string TargetText(const std::string& host, int port)
{
    return host + " port " + std::to_string(port);
}

} // namespace

std::string TSocksClient::ShownAddress(const TSocksParameters& proxy)
{
    TProxySettings settings;
    settings.UseProxy = proxy.Version != TSocksVersion::None;
    settings.SOCKS = proxy.Version == TSocksVersion::Socks5 ? 0 : proxy.Version == TSocksVersion::Socks4A ? 1 : 2;
    settings.Server = proxy.Host;
    settings.Port = std::to_string(proxy.Port);
    settings.User = proxy.UserName;
    return ProxyUrl(settings, false);
}

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

namespace {

bool NegotiateSocks4(const TNegotiation& negotiation, const TSocksParameters& proxy, const std::string& targetHost,
                     int targetPort)
{
    // The user ID is a NUL-terminated field: an embedded NUL would end it early and the rest
    // would be read as a host name by a SOCKS 4A proxy.
    if (proxy.UserName.find('\0') != std::string::npos)
        return negotiation.Fail("cannot be given a user ID with a NUL byte (SOCKS 4)");
    std::string request;
    unsigned char address[4];
    if (proxy.Version == TSocksVersion::Socks4A && !TTcpConnection::ParseIPv4(targetHost, address)) {
        if (targetHost.find('\0') != std::string::npos)
            return negotiation.Fail("was not asked for a host name with a NUL byte");
        request = TSocksClient::Socks4ARequest(targetHost, targetPort, proxy.UserName);
    } else {
        std::string error;
        if (!TTcpConnection::ResolveIPv4(targetHost, address, error))
            return negotiation.Fail("was not asked: SOCKS 4 needs the address of " + targetHost + " (" + error + ")");
        request = TSocksClient::Socks4Request(address, targetPort, proxy.UserName);
    }
    if (!negotiation.Send(request, "SOCKS 4 request"))
        return false;

    std::string reply;
    if (!negotiation.Read(8, reply, "SOCKS 4 reply"))
        return false;
    const auto version = static_cast<unsigned char>(reply[0]);
    const auto code = static_cast<unsigned char>(reply[1]);
    if (version != 0)
        return negotiation.Fail(VersionText(version, 0, "SOCKS 4 reply"));
    if (code != 90)
        return negotiation.Fail("refused to connect to " + TargetText(targetHost, targetPort) + " (" +
                                Socks4Refusal(code) + ")");
    return true;
}

bool NegotiateSocks5(const TNegotiation& negotiation, const TSocksParameters& proxy, const std::string& targetHost,
                     int targetPort)
{
    const bool withPassword = proxy.Authentication == TSocksAuthentication::UsernamePassword;
    if (withPassword && (proxy.UserName.size() > 255 || proxy.Password.size() > 255))
        return negotiation.Fail("cannot be given a user name or password over 255 bytes (SOCKS 5)");
    const std::string connectRequest = TSocksClient::Socks5ConnectRequest(targetHost, targetPort);
    if (connectRequest.empty())
        return negotiation.Fail("cannot be asked for a host name that is too long for SOCKS 5 (more than 255 bytes)");

    if (!negotiation.Send(TSocksClient::Socks5Greeting(proxy.Authentication), "SOCKS 5 greeting"))
        return false;
    std::string reply;
    if (!negotiation.Read(2, reply, "SOCKS 5 method selection"))
        return false;
    auto version = static_cast<unsigned char>(reply[0]);
    const auto method = static_cast<unsigned char>(reply[1]);
    if (version != 5)
        return negotiation.Fail(VersionText(version, 5, "SOCKS 5 method selection"));
    if (method == 0xFF)
        return negotiation.Fail("accepts none of the offered authentication methods");
    const unsigned char offered = withPassword ? 2 : 0;
    if (method != offered)
        return negotiation.Fail("chose authentication method " + std::to_string(method) +
                                ", which was not offered (offered " + std::to_string(offered) + ")");

    if (withPassword) {
        if (!negotiation.Send(TSocksClient::Socks5AuthRequest(proxy.UserName, proxy.Password),
                              "SOCKS 5 authentication"))
            return false;
        if (!negotiation.Read(2, reply, "SOCKS 5 authentication reply"))
            return false;
        version = static_cast<unsigned char>(reply[0]);
        if (version != 1)
            return negotiation.Fail(VersionText(version, 1, "SOCKS 5 authentication reply"));
        if (reply[1] != 0)
            return negotiation.Fail("refused the user name and password");
    }

    if (!negotiation.Send(connectRequest, "SOCKS 5 request"))
        return false;
    if (!negotiation.Read(4, reply, "SOCKS 5 reply"))
        return false;
    version = static_cast<unsigned char>(reply[0]);
    const auto code = static_cast<unsigned char>(reply[1]);
    if (version != 5)
        return negotiation.Fail(VersionText(version, 5, "SOCKS 5 reply"));
    if (code != 0) {
        // Network or host unreachable, connection refused, TTL expired: about the target, not
        // the proxy.
        if (code >= 3 && code <= 6)
            negotiation.Connection.SetTargetNotReached();
        return negotiation.Fail("refused to connect to " + TargetText(targetHost, targetPort) + " (" +
                                Socks5Refusal(code) + ")");
    }
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
        if (!negotiation.Read(1, reply, "SOCKS 5 reply"))
            return false;
        rest = static_cast<unsigned char>(reply[0]) + 2u;
        break;
    }
    default:
        return negotiation.Fail("sent a SOCKS 5 reply with unknown address type " +
                                std::to_string(static_cast<unsigned char>(reply[3])));
    }
    return negotiation.Read(rest, reply, "SOCKS 5 reply");
}

} // namespace

bool TSocksClient::Negotiate(TTcpConnection& connection, const TSocksParameters& proxy, const std::string& targetHost,
                             int targetPort, int timeoutMs)
{
    if (proxy.Version == TSocksVersion::None)
        return true;
    const TNegotiation negotiation{connection, "The proxy " + ShownAddress(proxy)};
    connection.SetDeadline(timeoutMs);
    bool done = false;
    switch (proxy.Version) {
    case TSocksVersion::None:
        break;
    case TSocksVersion::Socks4:
    case TSocksVersion::Socks4A:
        done = NegotiateSocks4(negotiation, proxy, targetHost, targetPort);
        break;
    case TSocksVersion::Socks5:
        done = NegotiateSocks5(negotiation, proxy, targetHost, targetPort);
        break;
    }
    const bool late = connection.DeadlinePassed();
    connection.SetDeadline(0);
    if (late)
        connection.SetError(negotiation.Proxy + " did not complete the SOCKS negotiation within " +
                            std::to_string(timeoutMs) + " ms");
    return done;
}
