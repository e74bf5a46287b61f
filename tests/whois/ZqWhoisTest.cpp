#include "whois/ZqWhois.h"
#include "support/FakeWhoisServer.h"
#include "support/LoopbackSockets.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <pthread.h>
#include <thread>

namespace {

using TBehaviour = TFakeWhoisServer::TBehaviour;
using TClock = std::chrono::steady_clock;

long long MsSince(TClock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count();
}

class ZqWhoisTest : public ::testing::Test
{
protected:
    TFakeWhoisServer Server;
    TzqWhois Client;

    void SetUp() override
    {
        Client.Host = Server.Address();
        Client.Port = Server.Port();
    }
};

TEST_F(ZqWhoisTest, SendsExactlyTheNameAndCrLfAndReturnsTheAnswer)
{
    Server.SetAnswer("example.com", "Domain Name: EXAMPLE.COM\r\nRegistrar: Someone\r\n");
    std::string answer = "previous";
    ASSERT_TRUE(Client.Query("example.com", answer)) << Client.LastError();
    EXPECT_EQ(answer, "Domain Name: EXAMPLE.COM\r\nRegistrar: Someone\r\n");
    ASSERT_EQ(Server.Requests().size(), 1u);
    EXPECT_EQ(Server.Requests()[0], std::string("example.com\x0D\x0A"));
}

TEST_F(ZqWhoisTest, EachQueryOpensItsOwnConnection)
{
    Server.SetAnswer("a.com", "first");
    Server.SetAnswer("b.net", "second");
    std::string answer;
    ASSERT_TRUE(Client.Query("a.com", answer));
    EXPECT_EQ(answer, "first");
    ASSERT_TRUE(Client.Query("b.net", answer));
    EXPECT_EQ(answer, "second");
    EXPECT_EQ(Server.ConnectionCount(), 2);
    EXPECT_EQ(Server.RequestCount("a.com"), 1);
    EXPECT_EQ(Server.RequestCount("b.net"), 1);
}

TEST_F(ZqWhoisTest, HostClosingAtOnceIsAnEmptyAnswer)
{
    Server.SetDefaultReply({TBehaviour::CloseAtOnce, "", 0});
    std::string answer = "previous";
    EXPECT_TRUE(Client.Query("example.com", answer));
    EXPECT_EQ(answer, "");
}

TEST_F(ZqWhoisTest, ResetAfterPartOfTheAnswerKeepsThePart)
{
    Server.SetDefaultReply({TBehaviour::PartThenReset, "Domain Name: EXAMPLE.COM\r\nRegis", 0});
    std::string answer;
    EXPECT_TRUE(Client.Query("example.com", answer));
    EXPECT_EQ(answer, "Domain Name: EXAMPLE.COM\r\nRegis");
    // The worker must not take the part for a whole answer.
    EXPECT_TRUE(Client.AnswerCut());
    Server.SetDefaultReply({TBehaviour::Answer, "whole", 0});
    EXPECT_TRUE(Client.Query("example.com", answer));
    EXPECT_FALSE(Client.AnswerCut());
}

TEST_F(ZqWhoisTest, AnswerAfterSeveralQuietSlicesIsReadWhole)
{
    Server.SetDefaultReply({TBehaviour::Answer, "late answer", 700});
    std::string answer;
    EXPECT_TRUE(Client.Query("example.com", answer));
    EXPECT_EQ(answer, "late answer");
}

TEST_F(ZqWhoisTest, EveryByteValueComesBackUnchanged)
{
    std::string bytes;
    for (int round = 0; round < 3; ++round)
        for (int b = 0; b < 256; ++b)
            bytes += static_cast<char>(b);
    bytes += "\r\r\n\n\xC3\xA9\xE9\xFF";
    Server.SetAnswer("b\xFC"
                     "cher.de",
                     bytes);
    std::string answer;
    ASSERT_TRUE(Client.Query("b\xFC"
                             "cher.de",
                             answer));
    EXPECT_EQ(answer, bytes);
    EXPECT_EQ(Server.Requests().at(0), "b\xFC"
                                       "cher.de\r\n");
}

TEST_F(ZqWhoisTest, AnswerStopsAtOneMebibyte)
{
    std::string big(TzqWhois::MaxAnswerBytes + 300 * 1024, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + i % 26);
    Server.SetAnswer("huge.com", big);
    std::string answer;
    ASSERT_TRUE(Client.Query("huge.com", answer));
    ASSERT_EQ(answer.size(), TzqWhois::MaxAnswerBytes);
    EXPECT_EQ(answer, big.substr(0, TzqWhois::MaxAnswerBytes));
}

TEST_F(ZqWhoisTest, AnswerOfExactlyTheCapIsWhole)
{
    const std::string exact(TzqWhois::MaxAnswerBytes, 'x');
    Server.SetAnswer("exact.com", exact);
    std::string answer;
    ASSERT_TRUE(Client.Query("exact.com", answer));
    EXPECT_EQ(answer, exact);
}

TEST_F(ZqWhoisTest, AbandonEndsAQueryThatNeverEnds)
{
    Server.SetDefaultReply({TBehaviour::NeverClose, "part of an answer", 0});
    std::string answer = "untouched";
    bool result = true;
    std::thread worker([&] { result = Client.Query("example.com", answer); });
    const bool arrived = Server.WaitForRequests(1, 5000);
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // let the part arrive and the read wait
    const auto start = TClock::now();
    Client.Abandon();
    worker.join();
    ASSERT_TRUE(arrived);
    EXPECT_LT(MsSince(start), 300);
    EXPECT_FALSE(result);
    EXPECT_EQ(answer, "untouched");
    EXPECT_TRUE(Client.Abandoned());

    // An abandoned client never connects again.
    EXPECT_FALSE(Client.Query("example.com", answer));
    EXPECT_EQ(Server.ConnectionCount(), 1);
}

TEST_F(ZqWhoisTest, AbandonDuringADelayedAnswerBeforeAnyByte)
{
    Server.SetDefaultReply({TBehaviour::Answer, "too late", 3000});
    std::string answer = "untouched";
    bool result = true;
    std::thread worker([&] { result = Client.Query("example.com", answer); });
    const bool arrived = Server.WaitForRequests(1, 5000);
    const auto start = TClock::now();
    Client.Abandon();
    worker.join();
    ASSERT_TRUE(arrived);
    EXPECT_LT(MsSince(start), 300);
    EXPECT_FALSE(result);
    EXPECT_EQ(answer, "untouched");
}

TEST(ZqWhoisFailures, RefusedPortFailsQuicklyAndLeavesTheAnswer)
{
    TReservedPort refused;
    TzqWhois client;
    client.Host = "127.0.0.1";
    client.Port = refused.Port();
    std::string answer = "untouched";
    const auto start = TClock::now();
    EXPECT_FALSE(client.Query("example.com", answer));
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_EQ(answer, "untouched");
    EXPECT_EQ(client.LastError(), "The WHOIS host 127.0.0.1 port " + std::to_string(refused.Port()) +
                                      " could not be reached: Connection refused");
}

TEST(ZqWhoisFailures, OnlyAHostThatIsNotThereCountsAsUnreachable)
{
    // The worker asks RDAP instead only for these: a proxy that fails, or a host that answers
    // badly, says nothing about whether the WHOIS host is there.
    TReservedPort refused;
    TzqWhois client;
    client.Host = "127.0.0.1";
    client.Port = refused.Port();
    std::string answer;
    EXPECT_FALSE(client.Query("example.com", answer));
    EXPECT_TRUE(client.HostUnreachable());

    client.Proxy.Version = TSocksVersion::Socks5;
    client.Proxy.Host = "127.0.0.1";
    client.Proxy.Port = refused.Port();
    EXPECT_FALSE(client.Query("example.com", answer));
    EXPECT_EQ(client.LastError(), "The proxy socks5://127.0.0.1:" + std::to_string(refused.Port()) +
                                      " could not be reached: Connection refused");
    EXPECT_FALSE(client.HostUnreachable());

    TFakeWhoisServer server;
    server.SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, "No match\r\n", 0});
    client.Proxy = {};
    client.Host = server.Address();
    client.Port = server.Port();
    EXPECT_TRUE(client.Query("example.com", answer));
    EXPECT_FALSE(client.HostUnreachable());
}

// A connect that is never answered: a loopback listener whose backlog is full.
class ZqWhoisUnansweredConnect : public ::testing::Test
{
protected:
    TFullBacklogListener Listener;
    TzqWhois Client;
    std::string Answer = "untouched";

    void SetUp() override
    {
        if (!Listener.Full())
            GTEST_SKIP() << "this network stack completes connections beyond the backlog";
        Client.Host = "127.0.0.1";
        Client.Port = Listener.Port();
    }
};

TEST_F(ZqWhoisUnansweredConnect, TimesOut)
{
    Client.ConnectTimeoutMs = 400;
    const auto start = TClock::now();
    EXPECT_FALSE(Client.Query("example.com", Answer));
    const long long elapsed = MsSince(start);
    EXPECT_GE(elapsed, 350);
    EXPECT_LT(elapsed, 30000); // the system's own connect bound is about two minutes
    EXPECT_EQ(Answer, "untouched");
    EXPECT_NE(Client.LastError().find(" could not be reached: Connection timed out"), std::string::npos)
        << Client.LastError();
    EXPECT_TRUE(Client.HostUnreachable());
}

TEST_F(ZqWhoisUnansweredConnect, AbandonEndsTheWait)
{
    // Only Abandon can end the wait well before the connect's own bound.
    Client.ConnectTimeoutMs = 120000;
    bool result = true;
    std::thread worker([&] { result = Client.Query("example.com", Answer); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto start = TClock::now();
    Client.Abandon();
    worker.join();
    EXPECT_LT(MsSince(start), 30000);
    EXPECT_FALSE(result);
    EXPECT_EQ(Answer, "untouched");
    EXPECT_EQ(Client.LastError(), "Query abandoned");
}

extern "C" void IgnoreSignal(int) {}

TEST_F(ZqWhoisUnansweredConnect, SignalsDoNotStretchTheBound)
{
    struct sigaction action = {};
    struct sigaction previous = {};
    action.sa_handler = IgnoreSignal;
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);

    Client.ConnectTimeoutMs = 400;
    std::atomic<bool> finished{false};
    bool result = true;
    const auto start = TClock::now();
    std::thread worker([&] {
        result = Client.Query("example.com", Answer);
        finished.store(true);
    });
    // Every interrupted wait must go on with what is left of the bound, not start it afresh.
    while (!finished.load() && MsSince(start) < 30000) {
        ::pthread_kill(worker.native_handle(), SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    worker.join();
    const long long elapsed = MsSince(start);
    ::sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_FALSE(result);
    EXPECT_NE(Client.LastError().find(" could not be reached: Connection timed out"), std::string::npos)
        << Client.LastError();
    EXPECT_LT(elapsed, 15000); // a bound started afresh on each signal would last the whole 30 s
}

TEST(ZqWhoisFailures, EmptyHostFailsWithoutAnyTraffic)
{
    // Even with a proxy configured, nothing may be contacted.
    TFakeWhoisServer proxy;
    TzqWhois client;
    client.Host = "";
    client.Proxy.Version = TSocksVersion::Socks5;
    client.Proxy.Host = proxy.Address();
    client.Proxy.Port = proxy.Port();
    std::string answer = "untouched";
    for (int attempt = 0; attempt < 3; ++attempt)
        EXPECT_FALSE(client.Query("example.com", answer));
    EXPECT_EQ(answer, "untouched");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(proxy.ConnectionCount(), 0);
}

TEST(ZqWhoisFailures, LineBreakInTheNameIsRefusedBeforeConnecting)
{
    TFakeWhoisServer server;
    TzqWhois client;
    client.Host = server.Address();
    client.Port = server.Port();
    std::string answer = "untouched";
    EXPECT_FALSE(client.Query("example.com\r\n-T dn example.org", answer));
    EXPECT_EQ(answer, "untouched");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(server.ConnectionCount(), 0);
}

TEST(ZqWhoisFailures, DefaultsAreTheRegistryHostOnPort43)
{
    TzqWhois client;
    EXPECT_EQ(client.Host, "whois.verisign-grs.com");
    EXPECT_EQ(client.Port, 43);
    EXPECT_EQ(client.ConnectTimeoutMs, 5000);
    EXPECT_EQ(client.Proxy.Version, TSocksVersion::None);
}

} // namespace

namespace {

TEST(ZqWhoisPort43, QueriesTheWhoisPortOnAnOwnLoopbackAddress)
{
    QUARROW_SKIP_WITHOUT_WHOIS_PORT();
    TFakeWhoisServer server("", 43);
    ASSERT_EQ(server.Port(), 43);
    server.SetAnswer("example.com", "on port 43");
    TzqWhois client;
    client.Host = server.Address();
    std::string answer;
    ASSERT_TRUE(client.Query("example.com", answer)) << client.LastError();
    EXPECT_EQ(answer, "on port 43");
}

} // namespace
