#include "base/QuarrowError.h"
#include "support/FakeWhoisServer.h"
#include "support/LoopbackSockets.h"
#include "support/SocksDaemons.h"
#include "whois/IdWhois.h"
#include "whois/ZqWhois.h"

#include <gtest/gtest.h>

// Queries through real SOCKS servers to a fake WHOIS host on port 43 of a loopback address of
// its own. Names that the proxy or the client resolve use "localhost", whose port 43 the fake
// server holds under a lock shared by all test programs.

namespace {

struct TResult
{
    bool Ok = false;
    std::string Answer = "untouched";
    std::string Error;
};

TResult Query(const TSocksDaemon& daemon, TSocksVersion version, const std::string& host, const std::string& user = "",
              const std::string& password = "", TSocksAuthentication auth = TSocksAuthentication::NoAuthentication)
{
    TzqWhois client;
    client.Host = host;
    client.Proxy.Version = version;
    client.Proxy.Host = daemon.Host();
    client.Proxy.Port = daemon.Port();
    client.Proxy.UserName = user;
    client.Proxy.Password = password;
    client.Proxy.Authentication = auth;
    TResult result;
    result.Ok = client.Query("example.com", result.Answer);
    result.Error = client.LastError();
    return result;
}

std::string LargeAnswer()
{
    std::string text = "Domain Name: EXAMPLE.COM\r\n";
    for (int i = 0; i < 4000; ++i)
        text += "Line " + std::to_string(i) + " \xE9\xFF\r\n";
    return text;
}

TEST(MicrosocksTest, Socks5WithoutAuthentication)
{
    QUARROW_SKIP_WITHOUT_WHOIS_PORT();
    TMicrosocksServer proxy;
    ASSERT_TRUE(proxy.Started()) << proxy.Failure();
    TFakeWhoisServer whois("", 43);
    const std::string answer = LargeAnswer();
    whois.SetAnswer("example.com", answer);
    const TResult result = Query(proxy, TSocksVersion::Socks5, whois.Address());
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_EQ(result.Answer, answer);
    ASSERT_EQ(whois.Requests().size(), 1u);
    EXPECT_EQ(whois.Requests()[0], "example.com\r\n");
}

TEST(MicrosocksTest, Socks5ByHostNameResolvedByTheProxy)
{
    QUARROW_SKIP_WITHOUT_WHOIS_PORT();
    TMicrosocksServer proxy;
    ASSERT_TRUE(proxy.Started()) << proxy.Failure();
    TFakeWhoisServer whois("127.0.0.1", 43);
    whois.SetAnswer("example.com", "by name");
    const TResult result = Query(proxy, TSocksVersion::Socks5, "localhost");
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_EQ(result.Answer, "by name");
}

TEST(MicrosocksTest, Socks5WithUsernameAndPassword)
{
    QUARROW_SKIP_WITHOUT_WHOIS_PORT();
    TMicrosocksServer proxy("quarrow", "s3cret");
    ASSERT_TRUE(proxy.Started()) << proxy.Failure();
    TFakeWhoisServer whois("", 43);
    whois.SetAnswer("example.com", "authenticated");

    TResult result = Query(proxy, TSocksVersion::Socks5, whois.Address(), "quarrow", "s3cret",
                           TSocksAuthentication::UsernamePassword);
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_EQ(result.Answer, "authenticated");

    result = Query(proxy, TSocksVersion::Socks5, whois.Address(), "quarrow", "wrong",
                   TSocksAuthentication::UsernamePassword);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Answer, "untouched");
    EXPECT_NE(result.Error.find("refused the user name and password"), std::string::npos) << result.Error;

    // The test query never offers authentication: this proxy accepts no other method.
    result = Query(proxy, TSocksVersion::Socks5, whois.Address());
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Error.find("accepts none"), std::string::npos) << result.Error;
    EXPECT_EQ(whois.ConnectionCount(), 1);
}

TEST(MicrosocksTest, UnreachableTargetIsARefusal)
{
    TMicrosocksServer proxy;
    ASSERT_TRUE(proxy.Started()) << proxy.Failure();
    // Nothing listens on port 43 of this address.
    TFakeWhoisServer placeholder("", 0);
    const TResult result = Query(proxy, TSocksVersion::Socks5, placeholder.Address());
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Error.find("refused to connect to"), std::string::npos) << result.Error;
}

TEST(DanteTest, Socks4AndSocks5)
{
    QUARROW_SKIP_WITHOUT_WHOIS_PORT();
    TDanteServer proxy;
    ASSERT_TRUE(proxy.Started()) << proxy.Failure();
    TFakeWhoisServer whois("", 43);
    whois.SetAnswer("example.com", "via dante");

    TResult result = Query(proxy, TSocksVersion::Socks4, whois.Address(), "someone");
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_EQ(result.Answer, "via dante");

    result = Query(proxy, TSocksVersion::Socks5, whois.Address());
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_EQ(result.Answer, "via dante");
    EXPECT_EQ(whois.RequestCount("example.com"), 2);
}

TEST(DanteTest, Socks4WithANameResolvedByTheClient)
{
    QUARROW_SKIP_WITHOUT_WHOIS_PORT();
    TDanteServer proxy;
    ASSERT_TRUE(proxy.Started()) << proxy.Failure();
    TFakeWhoisServer whois("127.0.0.1", 43);
    whois.SetAnswer("example.com", "resolved here");
    const TResult result = Query(proxy, TSocksVersion::Socks4, "localhost");
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_EQ(result.Answer, "resolved here");
}

TEST(DanteTest, RefusesSocks4A)
{
    QUARROW_SKIP_WITHOUT_WHOIS_PORT();
    TDanteServer proxy;
    ASSERT_TRUE(proxy.Started()) << proxy.Failure();
    TFakeWhoisServer whois("127.0.0.1", 43);
    const TResult result = Query(proxy, TSocksVersion::Socks4A, "localhost");
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Answer, "untouched");
    EXPECT_EQ(result.Error, "The proxy socks4a://127.0.0.1:" + std::to_string(proxy.Port()) +
                                " refused to connect to localhost port 43 (request rejected or failed)");
    EXPECT_EQ(whois.ConnectionCount(), 0);

    TIdWhois dialog;
    dialog.Host = "localhost";
    dialog.Proxy.Version = TSocksVersion::Socks4A;
    dialog.Proxy.Host = proxy.Host();
    dialog.Proxy.Port = proxy.Port();
    EXPECT_THROW(dialog.Lookup("example.com"), TQuarrowError);
}

TEST(SshDynamicForwardTest, Socks4Socks4AAndSocks5)
{
    QUARROW_SKIP_WITHOUT_WHOIS_PORT();
    TSshDynamicForward proxy;
    ASSERT_TRUE(proxy.Started()) << proxy.Failure();
    TFakeWhoisServer whois("127.0.0.1", 43);
    const std::string answer = LargeAnswer();
    whois.SetAnswer("example.com", answer);

    for (const auto version : {TSocksVersion::Socks4, TSocksVersion::Socks4A, TSocksVersion::Socks5}) {
        const TResult byName = Query(proxy, version, "localhost");
        ASSERT_TRUE(byName.Ok) << byName.Error;
        EXPECT_EQ(byName.Answer, answer);
        const TResult byAddress = Query(proxy, version, "127.0.0.1");
        ASSERT_TRUE(byAddress.Ok) << byAddress.Error;
        EXPECT_EQ(byAddress.Answer, answer);
    }
    EXPECT_EQ(whois.RequestCount("example.com"), 6);
    for (const auto& request : whois.Requests())
        EXPECT_EQ(request, "example.com\r\n");
}

TEST(SshDynamicForwardTest, AbandonWhileTheHostBehindTheProxyHangs)
{
    QUARROW_SKIP_WITHOUT_WHOIS_PORT();
    TSshDynamicForward proxy;
    ASSERT_TRUE(proxy.Started()) << proxy.Failure();
    TFakeWhoisServer whois("", 43);
    whois.SetDefaultReply({TFakeWhoisServer::TBehaviour::NeverClose, "partial", 0});
    TzqWhois client;
    client.Host = whois.Address();
    client.Proxy.Version = TSocksVersion::Socks5;
    client.Proxy.Host = proxy.Host();
    client.Proxy.Port = proxy.Port();
    std::string answer = "untouched";
    bool ok = true;
    std::thread worker([&] { ok = client.Query("example.com", answer); });
    const bool arrived = whois.WaitForRequests(1, 10000);
    const auto start = std::chrono::steady_clock::now();
    client.Abandon();
    worker.join();
    ASSERT_TRUE(arrived);
    // The host never closes and the client has no read bound: only Abandon ends the query, and
    // the bound only turns a hang into a failure, far beyond any loaded machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_FALSE(ok);
    EXPECT_EQ(answer, "untouched");
}

} // namespace
