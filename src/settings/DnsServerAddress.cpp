#include "settings/DnsServerAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <charconv>
#include <string_view>

namespace {

bool IsIpAddress(const std::string& text, bool v6)
{
    unsigned char buffer[sizeof(in6_addr)];
    return ::inet_pton(v6 ? AF_INET6 : AF_INET, text.c_str(), buffer) == 1;
}

bool IsPort(std::string_view text)
{
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    return !text.empty() && error == std::errc() && end == text.data() + text.size() && port >= 1 && port <= 65535;
}

} // namespace

std::string DnsServerProblem(const std::string& address)
{
    bool fine = false;
    if (!address.empty() && address.front() == '[') {
        const std::size_t close = address.find(']');
        fine = close != std::string::npos && IsIpAddress(address.substr(1, close - 1), true) &&
               (close + 1 == address.size() ||
                (address[close + 1] == ':' && IsPort(std::string_view(address).substr(close + 2))));
    } else if (address.find(':') != address.rfind(':')) {
        fine = IsIpAddress(address, true);
    } else if (const std::size_t colon = address.find(':'); colon != std::string::npos) {
        fine = IsIpAddress(address.substr(0, colon), false) && IsPort(std::string_view(address).substr(colon + 1));
    } else {
        fine = IsIpAddress(address, false);
    }
    if (fine)
        return {};
    return "DNS server \"" + address +
           "\" is not an IP address with an optional port (such as 192.0.2.53, 192.0.2.53:5353 or [2001:db8::53]:53)";
}
