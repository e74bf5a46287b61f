#include "whois/SocksParameters.h"

#include "whois/ResponseText.h"

namespace {

// Decimal digits only, optionally signed; anything else (blank, "socks", "12ab") is 1080.
int PortNumber(const std::string& text)
{
    static constexpr int DefaultPort = 1080;
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return DefaultPort;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return DefaultPort;
        value = value * 10 + (text[i] - '0');
        if (value > 2147483647LL)
            return DefaultPort;
    }
    return static_cast<int>(negative ? -value : value);
}

TSocksVersion VersionOf(int socks)
{
    switch (socks) {
    case 0:
        return TSocksVersion::Socks5;
    case 1:
        return TSocksVersion::Socks4A;
    case 2:
        return TSocksVersion::Socks4;
    default:
        return TSocksVersion::None;
    }
}

// The two set-ups differ only in how they take the user's values: a check trims them and
// authenticates when any is given, the test query takes them as typed and never authenticates.
enum class TProxyUse
{
    Check,
    TestQuery
};

TSocksParameters ProxyParameters(const TProxySettings& settings, TProxyUse use)
{
    TSocksParameters params;
    if (!settings.UseProxy)
        return params;
    const bool check = use == TProxyUse::Check;
    params.Host = check ? Trim(settings.Server) : settings.Server;
    params.Port = PortNumber(settings.Port);
    params.Version = VersionOf(settings.SOCKS);
    if (!check) {
        params.UserName = settings.User;
        params.Password = settings.Password;
    } else if (!(settings.User + settings.Password).empty()) {
        params.UserName = Trim(settings.User);
        params.Password = Trim(settings.Password);
        params.Authentication = TSocksAuthentication::UsernamePassword;
    }
    return params;
}

} // namespace

TSocksParameters ConfigureProxy(const TProxySettings& settings)
{
    return ProxyParameters(settings, TProxyUse::Check);
}

TSocksParameters SetupTestProxy(const TProxySettings& settings)
{
    return ProxyParameters(settings, TProxyUse::TestQuery);
}
