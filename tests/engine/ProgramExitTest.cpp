#include "support/FakeWhoisServer.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

TEST(ProgramExitTest, EndsAtOnceAndCleanlyWithHundredWorkersBlockedOnAHost)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TFakeWhoisServer::TBehaviour::NeverClose, "", 0});
    TTempDir dir;
    const std::string config = dir.Write("mvwhois.ini", "[TLD]\ncom=127.0.0.1\n");

    const auto started = std::chrono::steady_clock::now();
    const TProcessResult result =
        RunProcess({QUARROW_EXIT_HELPER_PATH, std::to_string(server.Port()), config, dir.Path()});
    const auto elapsed = std::chrono::steady_clock::now() - started;

    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, "running 100, live workers 100\n");
    EXPECT_EQ(server.RequestCount("hang0.com"), 1);
    EXPECT_EQ(server.Requests().size(), 100u);
    // Starting 100 workers takes about 100 dispatcher ticks; the end itself must not wait for them.
    EXPECT_LT(elapsed, std::chrono::seconds(8));
    EXPECT_EQ(result.Err.find("Sanitizer"), std::string::npos) << result.Err;
    EXPECT_EQ(result.Err.find("runtime error"), std::string::npos) << result.Err;
    EXPECT_EQ(result.Err.find("QThread"), std::string::npos) << result.Err;
}

TEST(ProgramExitTest, EndsAtOnceAndCleanlyWithRdapWorkersWaitingForAHandshakeAndRowsForTheirHost)
{
    // The host takes the connections and never speaks: every RDAP query waits in its TLS
    // handshake, far inside the query's own bound, when the window closes; the host's other rows
    // wait for one of its connections.
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TFakeWhoisServer::TBehaviour::NeverClose, "", 0});
    TTempDir dir;
    const std::string config =
        dir.Write("mvwhois.ini", "[TLD]\ncom=https://127.0.0.1:" + std::to_string(server.Port()) + "/rdap/\n");

    const auto started = std::chrono::steady_clock::now();
    const TProcessResult result =
        RunProcess({QUARROW_EXIT_HELPER_PATH, std::to_string(server.Port()), config, dir.Path(), "6"});
    const auto elapsed = std::chrono::steady_clock::now() - started;

    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    // Each waiting worker counts once as a thread and once as a query on the network.
    EXPECT_EQ(result.Out, "running 6, live workers 12\n");
    EXPECT_LT(elapsed, std::chrono::seconds(8));
    EXPECT_EQ(result.Err.find("Sanitizer"), std::string::npos) << result.Err;
    EXPECT_EQ(result.Err.find("runtime error"), std::string::npos) << result.Err;
    EXPECT_EQ(result.Err.find("QThread"), std::string::npos) << result.Err;
}

} // namespace
