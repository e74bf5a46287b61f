#include "whois/WhoisExchange.h"

#include "whois/SocksClient.h"
#include "whois/TcpConnection.h"

TWhoisOutcome ExchangeWhois(const TWhoisRequest& request, const std::string& domain, std::string& answer,
                            std::string& error)
{
    if (request.Host.empty()) {
        error = "No WHOIS host given";
        return TWhoisOutcome::Failed;
    }
    // A host with a NUL byte (a referral taken from a remote answer can hold one) would be cut
    // short by the resolver or the SOCKS 5 address parser and name a different host.
    if (request.Host.find('\0') != std::string::npos) {
        error = "Host not found";
        return TWhoisOutcome::Failed;
    }
    // The request is one line: a line break inside the name would smuggle a second request (or
    // server flags) onto the wire.
    if (domain.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        error = "The domain name must not contain line breaks or NUL bytes";
        return TWhoisOutcome::Failed;
    }

    TTcpConnection connection(request.CancelFd);
    const bool viaProxy = request.Proxy.Version != TSocksVersion::None;
    const std::string& firstHost = viaProxy ? request.Proxy.Host : request.Host;
    const int firstPort = viaProxy ? request.Proxy.Port : request.Port;
    const bool connected = connection.Connect(firstHost, firstPort, request.ConnectTimeoutMs);
    const bool reachedTarget = connected && TSocksClient::Negotiate(connection, request.Proxy, request.Host,
                                                                    request.Port, request.NegotiationTimeoutMs);
    if (!reachedTarget || !connection.SendAll(domain + "\r\n")) {
        error = connection.Error();
        if (connection.Cancelled())
            return TWhoisOutcome::Abandoned;
        // Every failure names where it happened: the answers entry is all the user sees of it.
        if (!connected && viaProxy)
            error = "The proxy " + TSocksClient::ShownAddress(request.Proxy) + " could not be reached: " +
                    (connection.Error() == "No host given" ? "no proxy host given" : connection.Error());
        else if (!connected)
            error = "The WHOIS host " + request.Host + " port " + std::to_string(request.Port) +
                    " could not be reached: " + connection.Error();
        if (viaProxy && !reachedTarget)
            return connection.TargetRefused() ? TWhoisOutcome::ProxyRefusedTarget : TWhoisOutcome::ProxyFailed;
        return !viaProxy && connection.HostNotReached() ? TWhoisOutcome::Unreachable : TWhoisOutcome::Failed;
    }

    std::string received;
    const TTcpConnection::TReadEnd end = connection.ReadToEnd(received, request.MaxAnswerBytes, request.ReadTimeoutMs);
    if (end == TTcpConnection::TReadEnd::Cancelled) {
        error = connection.Error();
        return TWhoisOutcome::Abandoned;
    }
    answer = std::move(received);
    if (end == TTcpConnection::TReadEnd::Closed)
        return TWhoisOutcome::Answered;
    // A host that resets in the middle leaves a text without its end, which may well be the part
    // that says the name is free: the caller must not read it as a whole answer.
    error = connection.Error().empty() ? "The connection broke off" : "The connection broke off: " + connection.Error();
    return TWhoisOutcome::Cut;
}
