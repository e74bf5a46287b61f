#include "rdap/RdapClient.h"
#include "support/FakeRdapServer.h"
#include "support/SocksDaemons.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using TResponse = TFakeRdapServer::TResponse;

const char* const TakenBody = R"({"objectClassName":"domain","ldhName":"taken.com"})";

// Queries that take every connection the client keeps to the host, each on its own thread, with
// answers that never come: they end by their bound or by Cancel.
class THungQueries
{
public:
    THungQueries(TRdapClient& client, TFakeRdapServer& server, int timeoutMs) : Results(Busy), Tokens(Busy)
    {
        for (int i = 0; i < Busy; ++i) {
            const std::string name = "hang" + std::to_string(i) + ".com";
            server.SetResponse(TFakeRdapServer::DomainPath(name), {200, "", {}, true, 0});
            const auto at = static_cast<std::size_t>(i);
            Threads.emplace_back([&, at, name, timeoutMs] {
                Results[at] = client.Get(TRdapClient::DomainUrl(server.BaseUrl(), name), {}, timeoutMs, Tokens[at]);
            });
        }
    }
    ~THungQueries() { Join(); }

    void Cancel()
    {
        for (TRdapCancel& token : Tokens)
            token.Cancel();
    }
    void Join()
    {
        for (std::thread& thread : Threads)
            if (thread.joinable())
                thread.join();
    }

    static constexpr int Busy = TRdapClient::ConnectionsPerHost;
    std::vector<TRdapFetch> Results;

private:
    std::vector<TRdapCancel> Tokens;
    std::vector<std::thread> Threads;
};

bool WaitFor(const std::function<bool()>& done)
{
    const auto until = std::chrono::steady_clock::now() + 30s;
    while (!done() && std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
    return done();
}

class RdapClientTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { Certificates = std::make_unique<TTestCertificates>(); }
    static void TearDownTestSuite() { Certificates.reset(); }

    static TRdapClientOptions TrustingTests()
    {
        TRdapClientOptions options;
        options.ExtraCaCertificatesPem = Certificates->CaPem();
        return options;
    }

    TRdapFetch Get(TRdapClient& client, const std::string& url, int timeoutMs = 10000, TSocksParameters proxy = {})
    {
        return client.Get(url, proxy, timeoutMs, Cancel);
    }

    static std::unique_ptr<TTestCertificates> Certificates;
    TRdapCancel Cancel;
};

std::unique_ptr<TTestCertificates> RdapClientTest::Certificates;

TEST_F(RdapClientTest, StatusesAndBodiesReachTheCallerOverOneReusedConnection)
{
    TFakeRdapServer server(*Certificates);
    server.SetResponse(TFakeRdapServer::DomainPath("taken.com"), {200, TakenBody, {}, false, 0});
    server.SetResponse(TFakeRdapServer::DomainPath("busy.com"), {429, "{}", {{"Retry-After", "1"}}, false, 0});
    server.SetResponse(TFakeRdapServer::DomainPath("down.com"), {503, "", {}, false, 0});
    TRdapClient client(TrustingTests());

    const TRdapFetch taken = Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "taken.com"));
    EXPECT_EQ(taken.Error, "");
    EXPECT_EQ(taken.HttpStatus, 200);
    EXPECT_EQ(taken.Body, TakenBody);
    EXPECT_FALSE(taken.Retryable);
    EXPECT_NE(server.LastRequestHead(TFakeRdapServer::DomainPath("taken.com")).find("application/rdap+json"),
              std::string::npos);

    const TRdapFetch free = Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "free.com"));
    EXPECT_EQ(free.HttpStatus, 404);
    EXPECT_FALSE(free.Retryable);

    // Throttling and outages are worth another attempt; the status still comes through.
    const TRdapFetch busy = Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "busy.com"));
    EXPECT_EQ(busy.HttpStatus, 429);
    EXPECT_TRUE(busy.Retryable);
    const TRdapFetch down = Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "down.com"));
    EXPECT_EQ(down.HttpStatus, 503);
    EXPECT_TRUE(down.Retryable);

    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "n" + std::to_string(i) + ".com")).HttpStatus,
                  404);
    EXPECT_EQ(server.TotalRequests(), 14);
    EXPECT_EQ(server.ConnectionsAccepted(), 1);
}

TEST_F(RdapClientTest, AnAnswerThatBreaksOffAfterItsStatusLineIsAFailedAttempt)
{
    TFakeRdapServer server(*Certificates);
    const std::string notFound = R"({"errorCode":404,"title":"Not Found"})";
    const std::string taken = TakenBody;
    struct TCase
    {
        std::string Name;
        TResponse Response;
        bool Retryable; // a break is worth another attempt; a length that is no number would only come again
    };
    const TCase cases[] = {
        {"cut404.com", {404, notFound, {}, false, 0, 9}, true}, // closed after {"errorC
        {"cut200.com", {200, taken, {}, false, 0, taken.size() - 5}, true},
        {"reset200.com", {200, taken, {}, false, 0, 20, true}, true},
        {"badlength.com", {200, taken, {}, false, 0, std::string::npos, false, "12abc"}, false},
        {"negative.com", {404, notFound, {}, false, 0, std::string::npos, false, "-5"}, false},
    };
    TRdapClient client(TrustingTests());
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Name);
        server.SetResponse(TFakeRdapServer::DomainPath(test.Name), test.Response);
        const std::string url = TRdapClient::DomainUrl(server.BaseUrl(), test.Name);
        // The bound is far away: a length that is no number must not leave the query reading on.
        const TRdapFetch fetch = Get(client, url, 600000);
        EXPECT_EQ(fetch.HttpStatus, 0) << fetch.Body;
        EXPECT_TRUE(fetch.Body.empty());
        EXPECT_NE(fetch.Error.find(url), std::string::npos) << fetch.Error;
        EXPECT_EQ(fetch.Retryable, test.Retryable) << fetch.Error;
        EXPECT_EQ(server.RequestCount(TFakeRdapServer::DomainPath(test.Name)), 1);
    }
    // A whole answer after all that is read as before.
    server.SetResponse(TFakeRdapServer::DomainPath("whole.com"), {200, taken, {}, false, 0});
    const TRdapFetch whole = Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "whole.com"));
    EXPECT_EQ(whole.HttpStatus, 200);
    EXPECT_EQ(whole.Body, taken);
}

TEST_F(RdapClientTest, DomainUrlJoinsBaseAndNameWithOneSlash)
{
    EXPECT_EQ(TRdapClient::DomainUrl("https://r.test/com/v1/", "a.com"), "https://r.test/com/v1/domain/a.com");
    EXPECT_EQ(TRdapClient::DomainUrl("https://r.test/com/v1", "a.com"), "https://r.test/com/v1/domain/a.com");
    EXPECT_EQ(TRdapClient::DomainUrl("https://r.test//", "a.com"), "https://r.test/domain/a.com");
}

TEST_F(RdapClientTest, RedirectsAreFollowedOnlyOverHttpsToPublicAddressesAndAtMostFiveTimes)
{
    TFakeRdapServer server(*Certificates);
    const std::string start = "/rdap/domain/moved.com";
    auto redirectTo = [](const std::string& location, int status = 301) {
        return TResponse{status, "", {{"Location", location}}, false, 0};
    };
    // A chain of three, one of them relative; a server on this machine may pass the query on within it.
    server.SetResponse(start, redirectTo(server.Url("/hop1")));
    server.SetResponse("/hop1", redirectTo("/hop2", 302));
    server.SetResponse("/hop2", redirectTo(server.Url("/final"), 307));
    server.SetResponse("/final", {200, TakenBody, {}, false, 0});
    {
        TRdapClient client(TrustingTests());
        const TRdapFetch chain = Get(client, server.Url(start));
        EXPECT_EQ(chain.Error, "");
        EXPECT_EQ(chain.HttpStatus, 200);
        EXPECT_EQ(chain.Body, TakenBody);
        EXPECT_EQ(chain.FinalUrl, server.Url("/final"));
    }

    struct TCase
    {
        std::string Location;
        std::string ErrorPart;
    };
    const TCase refused[] = {
        {"http://127.0.0.1:" + std::to_string(server.Port()) + "/final", "only HTTPS"},
        {"https://10.1.2.3/rdap", "10.1.2.3"},
        {"https://192.168.0.10/rdap", "192.168.0.10"},
        {"https://172.20.0.1/rdap", "172.20.0.1"},
        {"https://169.254.169.254/latest", "169.254.169.254"},
        {"https://[fe80::1]/rdap", "fe80::1"},
        {"https://[fd00::1]/rdap", "fd00::1"},
        {"ftp://example.test/x", "only HTTPS"},
    };
    for (const TCase& test : refused) {
        SCOPED_TRACE(test.Location);
        server.SetResponse("/away", redirectTo(test.Location));
        const int finalBefore = server.RequestCount("/final");
        TRdapClient client(TrustingTests());
        const TRdapFetch fetch = Get(client, server.Url("/away"));
        EXPECT_EQ(fetch.HttpStatus, 0);
        EXPECT_NE(fetch.Error.find("refused"), std::string::npos) << fetch.Error;
        EXPECT_NE(fetch.Error.find(test.ErrorPart), std::string::npos) << fetch.Error;
        EXPECT_FALSE(fetch.Retryable);
        EXPECT_EQ(server.RequestCount("/final"), finalBefore);
    }

    // A loop ends after five redirects: the first request and five followed ones.
    server.SetResponse("/loop", redirectTo("/loop"));
    TRdapClient client(TrustingTests());
    const TRdapFetch loop = Get(client, server.Url("/loop"));
    EXPECT_EQ(loop.HttpStatus, 0);
    EXPECT_NE(loop.Error.find("More than 5 redirects"), std::string::npos) << loop.Error;
    EXPECT_EQ(server.RequestCount("/loop"), 6);
}

TEST_F(RdapClientTest, ARedirectWithinTheServiceOrToABootstrapHostIsFollowedWhereverItsAddressIs)
{
    TFakeRdapServer server(*Certificates);
    const std::string port = std::to_string(server.Port());
    server.SetResponse("/final", {200, TakenBody, {}, false, 0});
    // The names stand for private addresses, as a registry's own network or a company's RDAP
    // server would; the connections themselves still go to the fake host on loopback.
    auto lookups = std::make_shared<std::vector<std::string>>();
    TRdapClientOptions options = TrustingTests();
    options.ResolveRedirectHost = [lookups](const std::string& host) -> std::vector<std::string> {
        lookups->push_back(host);
        if (host == "localhost")
            return {"10.20.30.40"};
        if (host == "elsewhere.test")
            return {"192.168.7.8"};
        return {};
    };
    auto redirectTo = [](const std::string& location) {
        return TResponse{301, "", {{"Location", location}}, false, 0};
    };
    server.SetResponse("/to-localhost", redirectTo("https://LocalHost:" + port + "/final"));
    server.SetResponse("/to-elsewhere", redirectTo("https://elsewhere.test:" + port + "/final"));
    server.SetResponse("/within", redirectTo("https://localhost:" + port + "/final"));
    TRdapClient client(options);
    const auto known = std::make_shared<const TRdapHostSet>(TRdapHostSet{"localhost", "rdap.other.example"});

    // Another host of the bootstrap: followed, without looking at its address.
    const TRdapFetch toKnown = client.Get(server.Url("/to-localhost"), {}, 10000, Cancel, known);
    EXPECT_EQ(toKnown.Error, "");
    EXPECT_EQ(toKnown.HttpStatus, 200);
    EXPECT_TRUE(lookups->empty());
    // Without the bootstrap's word the same hop is checked, and refused.
    TRdapCancel second;
    const TRdapFetch unknown = client.Get(server.Url("/to-localhost"), {}, 10000, second);
    EXPECT_EQ(unknown.HttpStatus, 0);
    EXPECT_NE(unknown.Error.find("10.20.30.40"), std::string::npos) << unknown.Error;
    EXPECT_EQ(*lookups, std::vector<std::string>{"localhost"});
    // The service's own host may pass the query on within itself.
    TRdapCancel third;
    const TRdapFetch within = client.Get("https://localhost:" + port + "/within", {}, 10000, third);
    EXPECT_EQ(within.Error, "");
    EXPECT_EQ(within.HttpStatus, 200);
    EXPECT_EQ(lookups->size(), 1u);
    // A host neither the service's nor the bootstrap's keeps today's checks.
    TRdapCancel fourth;
    const TRdapFetch stranger = client.Get(server.Url("/to-elsewhere"), {}, 10000, fourth, known);
    EXPECT_EQ(stranger.HttpStatus, 0);
    EXPECT_NE(stranger.Error.find("192.168.7.8"), std::string::npos) << stranger.Error;
    EXPECT_EQ(server.RequestCount("/final"), 2);
}

TEST_F(RdapClientTest, ARequestWaitingForAConnectionIsTimedFromItsSendingAndDroppedWhenGivenUp)
{
    TFakeRdapServer server(*Certificates);
    server.SetResponse(TFakeRdapServer::DomainPath("late.com"), {200, TakenBody, {}, false, 0});
    server.SetResponse(TFakeRdapServer::DomainPath("dropped.com"), {200, TakenBody, {}, false, 0});
    TRdapClient client(TrustingTests());
    // Every connection to the host is held by a query that hangs for 1.5 s.
    THungQueries hung(client, server, 1500);
    ASSERT_TRUE(WaitFor([&] { return server.TotalRequests() == THungQueries::Busy; }));

    // A query with a shorter bound than the wait for a connection still gets its answer: its time
    // starts when it goes out.
    TRdapFetch late;
    std::thread waiting([&] { late = Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "late.com"), 1000); });
    // One given up while it waits is never sent, even once connections are free again.
    TRdapCancel dropToken;
    TRdapFetch dropped;
    std::thread givenUp(
        [&] { dropped = client.Get(TRdapClient::DomainUrl(server.BaseUrl(), "dropped.com"), {}, 600000, dropToken); });
    EXPECT_TRUE(WaitFor([&] { return client.InFlight() == THungQueries::Busy + 2; }));
    dropToken.Cancel();
    givenUp.join();
    waiting.join();
    hung.Join();

    for (const TRdapFetch& fetch : hung.Results)
        EXPECT_NE(fetch.Error.find("no answer within 1500 ms"), std::string::npos) << fetch.Error;
    EXPECT_EQ(late.Error, "");
    EXPECT_EQ(late.HttpStatus, 200);
    EXPECT_NE(dropped.Error.find("abandoned"), std::string::npos) << dropped.Error;
    EXPECT_TRUE(WaitFor([&] { return client.InFlight() == 0; }));
    EXPECT_EQ(server.RequestCount(TFakeRdapServer::DomainPath("late.com")), 1);
    EXPECT_EQ(server.RequestCount(TFakeRdapServer::DomainPath("dropped.com")), 0);
}

TEST_F(RdapClientTest, ARequestThatFindsNoFreeConnectionInTimeIsNotSent)
{
    TFakeRdapServer server(*Certificates);
    TRdapClientOptions options = TrustingTests();
    options.MaxQueueWaitMs = 300;
    TRdapClient client(options);
    THungQueries hung(client, server, 600000);
    ASSERT_TRUE(WaitFor([&] { return server.TotalRequests() == THungQueries::Busy; }));
    const TRdapFetch queued = Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "queued.com"), 600000);
    EXPECT_EQ(queued.HttpStatus, 0);
    EXPECT_NE(queued.Error.find("not sent"), std::string::npos) << queued.Error;
    EXPECT_TRUE(queued.Retryable);
    hung.Cancel();
    hung.Join();
    EXPECT_TRUE(WaitFor([&] { return client.InFlight() == 0; }));
    EXPECT_EQ(server.RequestCount(TFakeRdapServer::DomainPath("queued.com")), 0);
}

TEST_F(RdapClientTest, CertificatesAreVerifiedAndABadOneIsNotRetried)
{
    const TFakeRdapServer::TCertificate bad[] = {TFakeRdapServer::TCertificate::SelfSigned,
                                                 TFakeRdapServer::TCertificate::Expired};
    for (const TFakeRdapServer::TCertificate which : bad) {
        TFakeRdapServer server(*Certificates, which);
        TRdapClient client(TrustingTests());
        const TRdapFetch fetch = Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "a.com"));
        EXPECT_EQ(fetch.HttpStatus, 0);
        EXPECT_FALSE(fetch.Error.empty());
        EXPECT_FALSE(fetch.Retryable) << fetch.Error;
        EXPECT_EQ(server.TotalRequests(), 0);
    }
    // The tests' own authority is trusted only where a test says so: the system store alone
    // does not know it.
    TFakeRdapServer server(*Certificates);
    TRdapClient systemStoreOnly;
    const TRdapFetch fetch = Get(systemStoreOnly, TRdapClient::DomainUrl(server.BaseUrl(), "a.com"));
    EXPECT_EQ(fetch.HttpStatus, 0);
    EXPECT_EQ(server.TotalRequests(), 0);
}

TEST_F(RdapClientTest, AnOversizedBodyAHangingHostAndAnAbandonedQueryEndAsErrors)
{
    TFakeRdapServer server(*Certificates);
    server.SetResponse(TFakeRdapServer::DomainPath("huge.com"), {200, "", {}, false, 21 * 1024 * 1024});
    server.SetResponse(TFakeRdapServer::DomainPath("hang.com"), {200, "", {}, true, 0});
    TRdapClient client(TrustingTests());

    const TRdapFetch huge = Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "huge.com"));
    EXPECT_EQ(huge.HttpStatus, 0);
    EXPECT_NE(huge.Error.find("larger than 20 MB"), std::string::npos) << huge.Error;
    EXPECT_TRUE(huge.Body.empty());
    EXPECT_FALSE(huge.Retryable);

    const TRdapFetch late = Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "hang.com"), 200);
    EXPECT_EQ(late.HttpStatus, 0);
    EXPECT_NE(late.Error.find("no answer within 200 ms"), std::string::npos) << late.Error;
    EXPECT_TRUE(late.Retryable);

    // The watchdog's abandon reaches a query that waits with a long time-out.
    const std::string path = TFakeRdapServer::DomainPath("hang.com");
    const int before = server.RequestCount(path);
    std::thread abandon([&] {
        while (server.RequestCount(path) == before)
            std::this_thread::yield();
        // On the network until the abandon: a program ending now must not wait for it.
        EXPECT_EQ(client.InFlight(), 1);
        Cancel.Cancel();
    });
    const auto started = std::chrono::steady_clock::now();
    const TRdapFetch abandoned = Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "hang.com"), 600000);
    abandon.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 60s);
    EXPECT_NE(abandoned.Error.find("abandoned"), std::string::npos) << abandoned.Error;
    EXPECT_FALSE(abandoned.Retryable);
    // The transfers given up are aborted, not left open.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (client.InFlight() != 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_EQ(client.InFlight(), 0);
    // A cancelled token stays cancelled: nothing more is sent for that worker.
    const int total = server.TotalRequests();
    EXPECT_NE(Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "a.com")).Error.find("abandoned"),
              std::string::npos);
    EXPECT_EQ(server.TotalRequests(), total);

    // The client still serves other workers after all that.
    TRdapCancel other;
    EXPECT_EQ(client.Get(TRdapClient::DomainUrl(server.BaseUrl(), "a.com"), {}, 10000, other).HttpStatus, 404);
}

TEST_F(RdapClientTest, GoesThroughASocks5ProxyAndRefusesSocks4WithoutTraffic)
{
    TFakeRdapServer server(*Certificates);
    server.SetResponse(TFakeRdapServer::DomainPath("taken.com"), {200, TakenBody, {}, false, 0});
    TMicrosocksServer proxy("quarrow", "secret");
    ASSERT_TRUE(proxy.Started()) << proxy.Failure();
    TRdapClient client(TrustingTests());

    TSocksParameters socks5;
    socks5.Version = TSocksVersion::Socks5;
    socks5.Host = proxy.Host();
    socks5.Port = proxy.Port();
    socks5.UserName = "quarrow";
    socks5.Password = "secret";
    socks5.Authentication = TSocksAuthentication::UsernamePassword;
    const TRdapFetch through = Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "taken.com"), 10000, socks5);
    EXPECT_EQ(through.Error, "");
    EXPECT_EQ(through.HttpStatus, 200);

    socks5.Password = "wrong";
    const TRdapFetch refusedByProxy = Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "b.com"), 10000, socks5);
    EXPECT_EQ(refusedByProxy.HttpStatus, 0);
    EXPECT_FALSE(refusedByProxy.Error.empty());

    for (const TSocksVersion version : {TSocksVersion::Socks4, TSocksVersion::Socks4A}) {
        TSocksParameters socks4 = socks5;
        socks4.Version = version;
        const TRdapFetch fetch = Get(client, TRdapClient::DomainUrl(server.BaseUrl(), "c.com"), 10000, socks4);
        EXPECT_NE(fetch.Error.find("SOCKS 5"), std::string::npos) << fetch.Error;
    }
    EXPECT_EQ(server.RequestCount(TFakeRdapServer::DomainPath("b.com")), 0);
    EXPECT_EQ(server.RequestCount(TFakeRdapServer::DomainPath("c.com")), 0);
    EXPECT_EQ(server.TotalRequests(), 1);
}

} // namespace
