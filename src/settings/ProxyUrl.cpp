#include "settings/ProxyUrl.h"

#include "base/AsciiText.h"

#include <array>
#include <string_view>

namespace {

struct TScheme
{
    std::string_view Prefix;
    int Socks; // the value of key SOCKS
};

// The values of key SOCKS: 0 = SOCKS 5, 1 = SOCKS 4A, 2 = SOCKS 4.
constexpr std::array<TScheme, 3> Schemes{{{"socks5://", 0}, {"socks4a://", 1}, {"socks4://", 2}}};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool Unescape(std::string_view text, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int high = HexDigit(text[i + 1]);
        const int low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

std::string Escape(const std::string& text)
{
    static const char* const Hex = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%' || c == '@' || c == ':' || c == '/' || byte <= 0x20 || byte >= 0x7F) {
            out += '%';
            out += Hex[byte >> 4];
            out += Hex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

// The address as a message may show it: whatever stands between the first ":" of the user part
// and the "@" that ends it is a password (or would be one in an address that is wrong in another
// way), and a message is copied into terminals, logs and bug reports.
std::string WithoutPassword(std::string_view url)
{
    const std::size_t schemeEnd = url.find("://");
    const std::size_t start = schemeEnd == std::string_view::npos ? 0 : schemeEnd + 3;
    const std::size_t at = url.rfind('@');
    if (at == std::string_view::npos || at < start)
        return std::string(url);
    const std::size_t colon = url.find(':', start);
    if (colon == std::string_view::npos || colon > at)
        return std::string(url);
    return std::string(url.substr(0, colon + 1)) + "***" + std::string(url.substr(at));
}

} // namespace

std::optional<TProxySettings> ParseProxyUrl(const std::string& url, std::string& error)
{
    const std::string quoted = "\"" + WithoutPassword(url) + "\"";
    const std::string lower = LowerAscii(url);
    const TScheme* scheme = nullptr;
    for (const TScheme& candidate : Schemes)
        if (lower.starts_with(candidate.Prefix))
            scheme = &candidate;
    if (!scheme) {
        error = "proxy " + quoted + " does not start with socks4://, socks4a:// or socks5://";
        return std::nullopt;
    }
    std::string_view rest = std::string_view(url).substr(scheme->Prefix.size());
    if (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1);
    TProxySettings proxy;
    proxy.UseProxy = true;
    proxy.SOCKS = scheme->Socks;
    if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos) {
        const std::string_view userInfo = rest.substr(0, at);
        const std::size_t colon = userInfo.find(':');
        if (scheme->Socks != 0 && colon != std::string_view::npos) {
            error = "proxy " + quoted + ": only SOCKS 5 takes a password (SOCKS 4 a user ID alone)";
            return std::nullopt;
        }
        if (!Unescape(userInfo.substr(0, colon), proxy.User) ||
            (colon != std::string_view::npos && !Unescape(userInfo.substr(colon + 1), proxy.Password))) {
            error = "proxy " + quoted + " has a broken %-escape in its user name or password";
            return std::nullopt;
        }
        if (proxy.User.empty()) {
            error = "proxy " + quoted + " has an empty user name";
            return std::nullopt;
        }
        rest.remove_prefix(at + 1);
    }
    // An IPv6 address is written in brackets, as in any URL, so that its colons are not the port's.
    std::string_view host;
    std::size_t colon = std::string_view::npos;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close != std::string_view::npos && close + 1 < rest.size() && rest[close + 1] == ':') {
            host = rest.substr(1, close - 1);
            colon = close + 1;
        }
        if (host.empty() || host.find_first_not_of("0123456789abcdefABCDEF:.") != std::string_view::npos) {
            error = "proxy " + quoted + " names no host (an IPv6 address goes in brackets: [::1]:1080)";
            return std::nullopt;
        }
        // The connections to proxies and WHOIS hosts are IPv4 ones: an IPv6 proxy would only
        // fail every row later with "Host not found".
        error = "proxy " + quoted + ": proxies are reached over IPv4; give its IPv4 address or a host name";
        return std::nullopt;
    } else {
        colon = rest.rfind(':');
        host = colon == std::string_view::npos ? rest : rest.substr(0, colon);
    }
    if (host.empty() || host.find_first_of("/?#[] ") != std::string_view::npos) {
        error = "proxy " + quoted + " names no host";
        return std::nullopt;
    }
    const std::string_view port = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
    int portNumber = 0;
    bool digits = !port.empty() && port.size() <= 5;
    for (const char c : port) {
        digits = digits && c >= '0' && c <= '9';
        portNumber = digits ? portNumber * 10 + (c - '0') : 0;
    }
    if (!digits || portNumber < 1 || portNumber > 65535) {
        error = "proxy " + quoted + " needs a port from 1 to 65535 after the host (host:port)";
        return std::nullopt;
    }
    proxy.Server = std::string(host);
    proxy.Port = std::to_string(portNumber);
    // The SOCKS 5 authentication carries each in a field of at most 255 bytes; a longer one would
    // fail every check through the proxy.
    if (proxy.User.size() > 255 || proxy.Password.size() > 255) {
        error = "proxy " + ProxyUrl(proxy, false) + ": a user name or password may be at most 255 bytes";
        return std::nullopt;
    }
    return proxy;
}

std::string ProxyProblem(const TProxySettings& proxy)
{
    if (proxy.SOCKS < 0 || proxy.SOCKS > 2)
        return "proxy " + Trim(proxy.Server) + ": choose its type";
    if (proxy.SOCKS != 0 && !proxy.Password.empty())
        return "proxy " + Trim(proxy.Server) + ": only SOCKS 5 takes a password";
    TProxySettings written = proxy;
    written.UseProxy = true;
    std::string error;
    ParseProxyUrl(ProxyUrl(written, true), error);
    return error;
}

std::string ProxyUrl(const TProxySettings& proxy, bool withPassword)
{
    if (!proxy.UseProxy || proxy.SOCKS < 0 || proxy.SOCKS > 2)
        return "direct";
    std::string url;
    for (const TScheme& scheme : Schemes)
        if (scheme.Socks == proxy.SOCKS)
            url = std::string(scheme.Prefix);
    if (!proxy.User.empty()) {
        url += Escape(proxy.User);
        if (withPassword && proxy.SOCKS == 0 && !proxy.Password.empty())
            url += ":" + Escape(proxy.Password);
        url += "@";
    }
    const std::string host = Trim(proxy.Server);
    return url + (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + Trim(proxy.Port);
}
