#include "whois/IdWhois.h"
#include "base/QuarrowError.h"
#include "support/FakeWhoisServer.h"
#include "support/LoopbackSockets.h"

#include <gtest/gtest.h>

namespace {

using TBehaviour = TFakeWhoisServer::TBehaviour;

std::string LookupError(TIdWhois& client, const std::string& domain)
{
    try {
        client.Lookup(domain);
    } catch (const TQuarrowError& error) {
        return error.what();
    }
    return "(no error)";
}

TEST(IdWhoisTest, SameBytesAsTheWorkerAndTheAnswerUnchanged)
{
    TFakeWhoisServer server;
    std::string text = "No match for \"EXAMPLE.COM\".\r\n\xE9";
    text += '\0';
    text += "end";
    server.SetAnswer("example.com", text);
    TIdWhois client;
    client.Host = server.Address();
    client.Port = server.Port();
    EXPECT_EQ(client.Lookup("example.com"), text);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], "example.com\r\n");
}

TEST(IdWhoisTest, ReadFailuresStillAnswer)
{
    TFakeWhoisServer server;
    server.SetReply("closed.com", {TBehaviour::CloseAtOnce, "", 0});
    server.SetReply("reset.com", {TBehaviour::PartThenReset, "half an ans", 0});
    TIdWhois client;
    client.Host = server.Address();
    client.Port = server.Port();
    EXPECT_EQ(client.Lookup("closed.com"), "");
    EXPECT_EQ(client.Lookup("reset.com"), "half an ans");
}

TEST(IdWhoisTest, FailuresAreErrorsWithTheConnectionMessage)
{
    TReservedPort refused;
    TIdWhois client;
    client.Host = "127.0.0.1";
    client.Port = refused.Port();
    const std::string port = std::to_string(refused.Port());
    EXPECT_EQ(LookupError(client, "example.com"),
              "The WHOIS host 127.0.0.1 port " + port + " could not be reached: Connection refused");

    client.Host = "";
    EXPECT_EQ(LookupError(client, "example.com"), "No WHOIS host given");

    // A proxy that is not there: the error is about the first hop.
    client.Host = "127.0.0.1";
    client.Proxy.Version = TSocksVersion::Socks5;
    client.Proxy.Host = "127.0.0.1";
    client.Proxy.Port = refused.Port();
    EXPECT_EQ(LookupError(client, "example.com"),
              "The proxy socks5://127.0.0.1:" + port + " could not be reached: Connection refused");
}

} // namespace
