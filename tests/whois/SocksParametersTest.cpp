#include "whois/SocksParameters.h"

#include <gtest/gtest.h>

namespace {

TProxySettings Settings(bool use, int socks, std::string server, std::string port, std::string user,
                        std::string password)
{
    return {use, socks, std::move(server), std::move(port), std::move(user), std::move(password)};
}

TEST(ConfigureProxyTest, WithoutUseProxyNothingIsSet)
{
    const auto params = ConfigureProxy(Settings(false, 0, " proxy ", "3128", "user", "pw"));
    EXPECT_EQ(params.Version, TSocksVersion::None);
    EXPECT_EQ(params.Host, "");
    EXPECT_EQ(params.Port, 1080);
    EXPECT_EQ(params.UserName, "");
    EXPECT_EQ(params.Authentication, TSocksAuthentication::NoAuthentication);
}

TEST(ConfigureProxyTest, VersionsPortAndTrimming)
{
    auto params = ConfigureProxy(Settings(true, 0, "  proxy.lan \t", "3128", "", ""));
    EXPECT_EQ(params.Version, TSocksVersion::Socks5);
    EXPECT_EQ(params.Host, "proxy.lan");
    EXPECT_EQ(params.Port, 3128);
    EXPECT_EQ(params.Authentication, TSocksAuthentication::NoAuthentication);
    EXPECT_EQ(ConfigureProxy(Settings(true, 1, "p", "1", "", "")).Version, TSocksVersion::Socks4A);
    EXPECT_EQ(ConfigureProxy(Settings(true, 2, "p", "1", "", "")).Version, TSocksVersion::Socks4);
    // Any other protocol number means a direct connection.
    EXPECT_EQ(ConfigureProxy(Settings(true, 5, "p", "1", "", "")).Version, TSocksVersion::None);
    EXPECT_EQ(ConfigureProxy(Settings(true, 7, "p", "1", "", "")).Version, TSocksVersion::None);
    EXPECT_EQ(ConfigureProxy(Settings(true, -1, "p", "1", "", "")).Version, TSocksVersion::None);
}

TEST(ConfigureProxyTest, PortThatIsNotANumberIs1080)
{
    EXPECT_EQ(ConfigureProxy(Settings(true, 0, "p", "socks", "", "")).Port, 1080);
    EXPECT_EQ(ConfigureProxy(Settings(true, 0, "p", "", "", "")).Port, 1080);
    EXPECT_EQ(ConfigureProxy(Settings(true, 0, "p", "12ab", "", "")).Port, 1080);
    EXPECT_EQ(ConfigureProxy(Settings(true, 0, "p", "99999999999", "", "")).Port, 1080);
    EXPECT_EQ(SetupTestProxy(Settings(true, 0, "p", "x1", "", "")).Port, 1080);
    EXPECT_EQ(ConfigureProxy(Settings(true, 0, "p", "9050", "", "")).Port, 9050);
}

TEST(ConfigureProxyTest, AuthenticationWhenUserFollowedByPasswordIsNotEmpty)
{
    // The test is made before trimming: a user name of blanks alone still asks for authentication.
    auto params = ConfigureProxy(Settings(true, 0, "p", "1080", "  joe ", ""));
    EXPECT_EQ(params.Authentication, TSocksAuthentication::UsernamePassword);
    EXPECT_EQ(params.UserName, "joe");
    EXPECT_EQ(params.Password, "");

    params = ConfigureProxy(Settings(true, 0, "p", "1080", "", " secret "));
    EXPECT_EQ(params.Authentication, TSocksAuthentication::UsernamePassword);
    EXPECT_EQ(params.Password, "secret");

    params = ConfigureProxy(Settings(true, 0, "p", "1080", "   ", ""));
    EXPECT_EQ(params.Authentication, TSocksAuthentication::UsernamePassword);
    EXPECT_EQ(params.UserName, "");
}

TEST(SetupTestProxyTest, WithoutUseProxyEverythingIsCleared)
{
    const auto params = SetupTestProxy(Settings(false, 2, "proxy", "3128", "user", "pw"));
    EXPECT_EQ(params.Version, TSocksVersion::None);
    EXPECT_EQ(params.Host, "");
    EXPECT_EQ(params.Port, 1080);
    EXPECT_EQ(params.UserName, "");
    EXPECT_EQ(params.Password, "");
}

TEST(SetupTestProxyTest, ValuesUnchangedAndNeverAuthentication)
{
    const auto params = SetupTestProxy(Settings(true, 0, "  proxy ", "3128", "  joe ", " pw "));
    EXPECT_EQ(params.Version, TSocksVersion::Socks5);
    EXPECT_EQ(params.Host, "  proxy ");
    EXPECT_EQ(params.Port, 3128);
    EXPECT_EQ(params.UserName, "  joe ");
    EXPECT_EQ(params.Password, " pw ");
    EXPECT_EQ(params.Authentication, TSocksAuthentication::NoAuthentication);
    EXPECT_EQ(SetupTestProxy(Settings(true, 5, "proxy", "1", "", "")).Version, TSocksVersion::None);
    EXPECT_EQ(SetupTestProxy(Settings(true, 1, "proxy", "1", "", "")).Version, TSocksVersion::Socks4A);
    EXPECT_EQ(SetupTestProxy(Settings(true, 2, "proxy", "1", "", "")).Version, TSocksVersion::Socks4);
}

} // namespace
