#include "support/FakeWhoisServer.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

TEST(CloseDuringCheckTest, ClosingWhileWorkersHangEndsTheProgramAtOnceWithStatusZero)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TFakeWhoisServer::TBehaviour::NeverClose, "", 0});
    TTempDir dir;
    dir.Write("mvwhois.ini", "[Pref]\nPause=1\nThrdCount=20\n[TLD]\ncom=127.0.0.1\n");

    const auto started = std::chrono::steady_clock::now();
    const TProcessResult result = RunProcess({QUARROW_CLOSE_HELPER_PATH, std::to_string(server.Port()), dir.Path()});
    const auto elapsed = std::chrono::steady_clock::now() - started;

    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, "closed: yes, live workers 20\n");
    EXPECT_EQ(server.Requests().size(), 20u);
    EXPECT_LT(elapsed, std::chrono::seconds(8));
    EXPECT_EQ(result.Err.find("Sanitizer"), std::string::npos) << result.Err;
    EXPECT_EQ(result.Err.find("runtime error"), std::string::npos) << result.Err;
    EXPECT_EQ(result.Err.find("QThread"), std::string::npos) << result.Err;
}

} // namespace
