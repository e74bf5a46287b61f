#include "base/QuarrowError.h"
#include "support/ScriptedProxy.h"
#include "whois/IdWhois.h"
#include "whois/ZqWhois.h"

#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>
#include <thread>

namespace {

using TStep = TScriptedProxy::TStep;

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (const int v : values)
        out += static_cast<char>(v);
    return out;
}

const std::string Request = "example.com\r\n";
const std::string Socks5Granted = Bytes({5, 0, 0, 1, 127, 0, 0, 1, 0x9C, 0x40});
const std::string Socks4Granted = Bytes({0, 90, 0, 0, 0, 0, 0, 0});

struct TOutcome
{
    bool Ok = false;
    std::string Answer;
    std::string Error;
    std::vector<std::string> Received;
};

TOutcome QueryThrough(TScriptedProxy& proxy, TSocksVersion version, const std::string& host,
                      const std::string& user = "", const std::string& password = "")
{
    TzqWhois client;
    client.Host = host;
    client.Proxy.Version = version;
    client.Proxy.Host = "127.0.0.1";
    client.Proxy.Port = proxy.Port();
    client.Proxy.UserName = user;
    client.Proxy.Password = password;
    if (!user.empty() || !password.empty())
        client.Proxy.Authentication = TSocksAuthentication::UsernamePassword;
    TOutcome outcome;
    outcome.Answer = "untouched";
    outcome.Ok = client.Query("example.com", outcome.Answer);
    outcome.Error = client.LastError();
    EXPECT_TRUE(proxy.WaitDone(5000));
    outcome.Received = proxy.Received();
    return outcome;
}

TEST(Socks5WireTest, NoAuthenticationConnectByDomainName)
{
    const std::string connect = Bytes({5, 1, 0, 3, 17}) + "whois.example.net" + Bytes({0, 43});
    TScriptedProxy proxy({{3, Bytes({5, 0})}, {connect.size(), Socks5Granted}, {Request.size(), "the answer"}});
    const TOutcome out = QueryThrough(proxy, TSocksVersion::Socks5, "whois.example.net");
    ASSERT_TRUE(out.Ok) << out.Error;
    EXPECT_EQ(out.Answer, "the answer");
    ASSERT_EQ(out.Received.size(), 3u);
    EXPECT_EQ(out.Received[0], Bytes({5, 1, 0}));
    EXPECT_EQ(out.Received[1], connect);
    EXPECT_EQ(out.Received[2], Request);
}

TEST(Socks5WireTest, UsernamePasswordIsTheOnlyMethodOffered)
{
    const std::string auth = Bytes({1, 4}) + "user" + Bytes({6}) + "secret";
    const std::string connect = Bytes({5, 1, 0, 1, 127, 0, 0, 7, 0, 43});
    TScriptedProxy proxy(
        {{3, Bytes({5, 2})}, {auth.size(), Bytes({1, 0})}, {connect.size(), Socks5Granted}, {Request.size(), "ok"}});
    const TOutcome out = QueryThrough(proxy, TSocksVersion::Socks5, "127.0.0.7", "user", "secret");
    ASSERT_TRUE(out.Ok) << out.Error;
    EXPECT_EQ(out.Answer, "ok");
    ASSERT_EQ(out.Received.size(), 4u);
    EXPECT_EQ(out.Received[0], Bytes({5, 1, 2}));
    EXPECT_EQ(out.Received[1], auth);
    EXPECT_EQ(out.Received[2], connect);
    EXPECT_EQ(out.Received[3], Request);
}

TEST(Socks5WireTest, IPv6LiteralGoesAsAnAddress)
{
    const std::string connect =
        Bytes({5, 1, 0, 4, 0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x43, 0, 43});
    // A bound address given as a domain name must be read off the stream too.
    const std::string granted = Bytes({5, 0, 0, 3, 5}) + "proxy" + Bytes({0x12, 0x34});
    TScriptedProxy proxy({{3, Bytes({5, 0})}, {connect.size(), granted}, {Request.size(), "v6"}});
    const TOutcome out = QueryThrough(proxy, TSocksVersion::Socks5, "2001:db8::43");
    ASSERT_TRUE(out.Ok) << out.Error;
    EXPECT_EQ(out.Answer, "v6");
    ASSERT_EQ(out.Received.size(), 3u);
    EXPECT_EQ(out.Received[1], connect);
}

TEST(Socks4WireTest, Socks4SendsTheResolvedAddressAndUserId)
{
    // "localhost" is resolved by the client itself.
    const std::string request = Bytes({4, 1, 0, 43, 127, 0, 0, 1}) + "joe" + Bytes({0});
    TScriptedProxy proxy({{request.size(), Socks4Granted}, {Request.size(), "four"}});
    const TOutcome out = QueryThrough(proxy, TSocksVersion::Socks4, "localhost", "joe");
    ASSERT_TRUE(out.Ok) << out.Error;
    EXPECT_EQ(out.Answer, "four");
    ASSERT_EQ(out.Received.size(), 2u);
    EXPECT_EQ(out.Received[0], request);
    EXPECT_EQ(out.Received[1], Request);
}

TEST(Socks4WireTest, Socks4AHandsTheNameToTheProxy)
{
    const std::string request = Bytes({4, 1, 0, 43, 0, 0, 0, 1, 0}) + "whois.nic.example" + Bytes({0});
    TScriptedProxy proxy({{request.size(), Socks4Granted}, {Request.size(), "four-a"}});
    const TOutcome out = QueryThrough(proxy, TSocksVersion::Socks4A, "whois.nic.example");
    ASSERT_TRUE(out.Ok) << out.Error;
    EXPECT_EQ(out.Answer, "four-a");
    ASSERT_EQ(out.Received.size(), 2u);
    EXPECT_EQ(out.Received[0], request);
}

struct TRefusal
{
    const char* Name;
    TSocksVersion Version;
    bool WithPassword;
    std::vector<TStep> Script;
    const char* MessagePart;
};

class SocksRefusalTest : public ::testing::TestWithParam<TRefusal>
{
};

TEST_P(SocksRefusalTest, FailsTheQueryWithAMessageThatSaysWhich)
{
    const TRefusal& refusal = GetParam();
    TScriptedProxy proxy(refusal.Script);
    const TOutcome out = QueryThrough(proxy, refusal.Version, "127.0.0.9", refusal.WithPassword ? "u" : "",
                                      refusal.WithPassword ? "p" : "");
    EXPECT_FALSE(out.Ok);
    EXPECT_EQ(out.Answer, "untouched");
    EXPECT_NE(out.Error.find(refusal.MessagePart), std::string::npos) << out.Error;
    // The message says which proxy failed, never with the password.
    const std::string named = std::string(refusal.Version == TSocksVersion::Socks5   ? "The proxy socks5://"
                                          : refusal.Version == TSocksVersion::Socks4 ? "The proxy socks4://"
                                                                                     : "The proxy socks4a://") +
                              (refusal.WithPassword ? "u@" : "") + "127.0.0.1:" + std::to_string(proxy.Port()) + " ";
    EXPECT_EQ(out.Error.rfind(named, 0), 0u) << out.Error;
    EXPECT_EQ(out.Error.find(":p@"), std::string::npos) << out.Error;
    // The WHOIS request never goes to a proxy that did not grant the connection.
    for (const auto& chunk : out.Received)
        EXPECT_EQ(chunk.find("example.com"), std::string::npos);
}

const std::string V5Connect = Bytes({5, 1, 0, 1, 127, 0, 0, 9, 0, 43});
const std::string V4Request = Bytes({4, 1, 0, 43, 127, 0, 0, 9, 0});

INSTANTIATE_TEST_SUITE_P(
    AllPaths, SocksRefusalTest,
    ::testing::Values(
        TRefusal{"V5GreetingWrongVersion", TSocksVersion::Socks5, false, {{3, Bytes({4, 0})}}, "wrong version 4"},
        TRefusal{"V5NoAcceptableMethod",
                 TSocksVersion::Socks5,
                 false,
                 {{3, Bytes({5, 0xFF})}},
                 "accepts none of the offered authentication methods"},
        TRefusal{"V5UnexpectedMethod", TSocksVersion::Socks5, false, {{3, Bytes({5, 2})}}, "was not offered"},
        TRefusal{"V5ShortGreetingReply", TSocksVersion::Socks5, false, {{3, Bytes({5})}}, "short"},
        TRefusal{"V5AuthenticationFailed",
                 TSocksVersion::Socks5,
                 true,
                 {{3, Bytes({5, 2})}, {5, Bytes({1, 1})}},
                 "refused the user name and password"},
        TRefusal{"V5AuthenticationWrongVersion",
                 TSocksVersion::Socks5,
                 true,
                 {{3, Bytes({5, 2})}, {5, Bytes({5, 0})}},
                 "wrong version 5"},
        TRefusal{"V5ConnectRefused",
                 TSocksVersion::Socks5,
                 false,
                 {{3, Bytes({5, 0})}, {V5Connect.size(), Bytes({5, 5, 0, 1, 0, 0, 0, 0, 0, 0})}},
                 "refused to connect to 127.0.0.9 port 43 (connection refused)"},
        TRefusal{"V5RulesetRefusal",
                 TSocksVersion::Socks5,
                 false,
                 {{3, Bytes({5, 0})}, {V5Connect.size(), Bytes({5, 2, 0, 1, 0, 0, 0, 0, 0, 0})}},
                 "ruleset"},
        TRefusal{"V5ReplyWrongVersion",
                 TSocksVersion::Socks5,
                 false,
                 {{3, Bytes({5, 0})}, {V5Connect.size(), Bytes({0, 90, 0, 0, 0, 0, 0, 0})}},
                 "wrong version 0"},
        TRefusal{"V5ShortConnectReply",
                 TSocksVersion::Socks5,
                 false,
                 {{3, Bytes({5, 0})}, {V5Connect.size(), Bytes({5, 0, 0, 1, 127})}},
                 "short"},
        TRefusal{"V5UnknownAddressType",
                 TSocksVersion::Socks5,
                 false,
                 {{3, Bytes({5, 0})}, {V5Connect.size(), Bytes({5, 0, 0, 9, 0, 0})}},
                 "unknown address type 9"},
        TRefusal{"V5ClosedAtOnce", TSocksVersion::Socks5, false, {{3, ""}}, "short"},
        TRefusal{"V4Rejected",
                 TSocksVersion::Socks4,
                 false,
                 {{V4Request.size(), Bytes({0, 91, 0, 0, 0, 0, 0, 0})}},
                 "rejected"},
        TRefusal{"V4IdentdUnreachable",
                 TSocksVersion::Socks4,
                 false,
                 {{V4Request.size(), Bytes({0, 92, 0, 0, 0, 0, 0, 0})}},
                 "identd"},
        TRefusal{"V4WrongVersion",
                 TSocksVersion::Socks4,
                 false,
                 {{V4Request.size(), Bytes({4, 90, 0, 0, 0, 0, 0, 0})}},
                 "wrong version 4"},
        TRefusal{"V4ShortReply", TSocksVersion::Socks4, false, {{V4Request.size(), Bytes({0, 90, 0})}}, "short"},
        TRefusal{"V4ARejected",
                 TSocksVersion::Socks4A,
                 false,
                 {{V4Request.size(), Bytes({0, 91, 0, 0, 0, 0, 0, 0})}},
                 "rejected"}),
    [](const ::testing::TestParamInfo<TRefusal>& paramInfo) { return std::string(paramInfo.param.Name); });

TEST(SocksDialogClientTest, RefusalReachesTheDialogAsAnError)
{
    TScriptedProxy proxy({{3, Bytes({5, 0xFF})}});
    TIdWhois client;
    client.Host = "127.0.0.9";
    client.Proxy.Version = TSocksVersion::Socks5;
    client.Proxy.Host = "127.0.0.1";
    client.Proxy.Port = proxy.Port();
    try {
        client.Lookup("example.com");
        FAIL() << "no error";
    } catch (const TQuarrowError& error) {
        EXPECT_EQ(std::string(error.what()), "The proxy socks5://127.0.0.1:" + std::to_string(proxy.Port()) +
                                                 " accepts none of the offered authentication methods");
    }
}

TEST(SocksLimitsTest, OverlongNamesAreRefusedBeforeSending)
{
    TScriptedProxy proxy({{3, Bytes({5, 0})}});
    // One byte over the 255 that the request's length byte can say.
    const TOutcome out = QueryThrough(proxy, TSocksVersion::Socks5, std::string(252, 'a') + ".com");
    EXPECT_FALSE(out.Ok);
    EXPECT_NE(out.Error.find("too long"), std::string::npos) << out.Error;
    ASSERT_EQ(out.Received.size(), 1u);
    EXPECT_EQ(out.Received[0], ""); // not even the greeting went out
}

TEST(SocksLimitsTest, HostWithANulByteIsNotAskedForAsAnotherHost)
{
    // A referral host comes from a remote answer and may hold any byte; cut at the NUL it would
    // name 127.0.0.7, a host nobody asked for.
    TScriptedProxy proxy({{3, Bytes({5, 0})}, {10, Socks5Granted}, {Request.size(), "wrong host"}});
    TzqWhois client;
    client.Host = std::string("127.0.0.7\0.evil.example", 22);
    client.Proxy.Version = TSocksVersion::Socks5;
    client.Proxy.Host = "127.0.0.1";
    client.Proxy.Port = proxy.Port();
    std::string answer = "untouched";
    EXPECT_FALSE(client.Query("example.com", answer));
    EXPECT_EQ(answer, "untouched");
    EXPECT_EQ(client.LastError(), "Host not found");
    EXPECT_EQ(proxy.Connections(), 0);
}

// A proxy that takes the connection and then says nothing, or trickles its reply byte by byte:
// the negotiation as a whole has a deadline, whatever the step.
TEST(SocksDeadlineTest, AProxyThatNeverCompletesTheNegotiationFailsTheQueryAtItsDeadline)
{
    struct TCase
    {
        const char* Name;
        std::vector<TStep> Script;
    };
    const std::string half = Bytes({5, 0, 0, 1, 127});
    const TCase cases[] = {
        {"silent after the greeting", {{3, ""}, {100, ""}}},
        {"silent after the method", {{3, Bytes({5, 0})}, {100, ""}}},
        {"part of the connect reply", {{3, Bytes({5, 0})}, {V5Connect.size(), half}, {100, ""}}},
    };
    for (const TCase& c : cases) {
        TScriptedProxy proxy(c.Script);
        TzqWhois client;
        client.Host = "127.0.0.9";
        client.Proxy.Version = TSocksVersion::Socks5;
        client.Proxy.Host = "127.0.0.1";
        client.Proxy.Port = proxy.Port();
        client.NegotiationTimeoutMs = 200;
        std::string answer = "untouched";
        EXPECT_FALSE(client.Query("example.com", answer)) << c.Name;
        EXPECT_EQ(answer, "untouched") << c.Name;
        EXPECT_TRUE(client.ProxyFailed()) << c.Name;
        EXPECT_EQ(client.LastError(), "The proxy socks5://127.0.0.1:" + std::to_string(proxy.Port()) +
                                          " did not complete the SOCKS negotiation within 200 ms")
            << c.Name;
        EXPECT_TRUE(proxy.WaitDone(2000)) << c.Name; // the client closed its end
    }
}

TEST(SocksAbandonTest, AbandonWhileTheProxyNeverAnswersTheGreeting)
{
    // The proxy reads the greeting, then waits for bytes that never come.
    TScriptedProxy proxy({{3, ""}, {100, ""}});
    TzqWhois client;
    client.Host = "127.0.0.9";
    client.Proxy.Version = TSocksVersion::Socks5;
    client.Proxy.Host = "127.0.0.1";
    client.Proxy.Port = proxy.Port();
    // Only Abandon can end the wait well before the negotiation's own bound.
    client.NegotiationTimeoutMs = 120000;
    std::string answer = "untouched";
    bool ok = true;
    std::thread worker([&] { ok = client.Query("example.com", answer); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto start = std::chrono::steady_clock::now();
    client.Abandon();
    worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_FALSE(ok);
    EXPECT_EQ(answer, "untouched");
    EXPECT_EQ(client.LastError(), "Query abandoned");
    // The client closed its end: the proxy sees the connection end instead of hanging on.
    EXPECT_TRUE(proxy.WaitDone(2000));
    ASSERT_EQ(proxy.Received().size(), 2u);
    EXPECT_EQ(proxy.Received()[0], Bytes({5, 1, 0}));
}

} // namespace
