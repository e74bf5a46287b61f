#pragma once

#include "whois/SocksParameters.h"
#include "whois/TcpConnection.h"

#include <string>

// Our SOCKS client: turns a connection to a proxy into a connection to the target host. SOCKS 4
// resolves the target to IPv4 itself, SOCKS 4A hands the name to the proxy, SOCKS 5 (RFC 1928)
// offers exactly one method (username/password per RFC 1929, or none) and asks for the target by
// name, or by address when it is an IPv4 or IPv6 literal. Every refusal or malformed reply fails
// the negotiation with a message that names the proxy and what went wrong; the connection is
// closed then. The whole negotiation has one deadline: a proxy that takes the connection and then
// says nothing (or trickles its bytes) fails it instead of holding the query for ever.
class TSocksClient
{
public:
    // Twice the connect time-out: the proxy's own connection to the target lies inside it.
    static constexpr int DefaultNegotiationTimeoutMs = 10000;

    // timeoutMs <= 0: no deadline of its own (only the connection's cancel signal ends it).
    static bool Negotiate(TTcpConnection& connection, const TSocksParameters& proxy, const std::string& targetHost,
                          int targetPort, int timeoutMs = DefaultNegotiationTimeoutMs);

    // The proxy as messages name it: "socks5://user@host:port", never the password.
    static std::string ShownAddress(const TSocksParameters& proxy);

    // The request bytes for one negotiation step, exposed for tests of the exact wire format.
    static std::string Socks4Request(const unsigned char (&address)[4], int port, const std::string& userId);
    static std::string Socks4ARequest(const std::string& host, int port, const std::string& userId);
    static std::string Socks5Greeting(TSocksAuthentication authentication);
    static std::string Socks5AuthRequest(const std::string& user, const std::string& password);
    // Empty when the host cannot be expressed (a name longer than 255 bytes).
    static std::string Socks5ConnectRequest(const std::string& host, int port);
};
