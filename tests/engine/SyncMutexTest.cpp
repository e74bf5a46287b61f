#include "engine/SyncMutex.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono;

TEST(SyncMutexTest, IdentifierRules)
{
    TTempDir dir;
    TSyncMutex mutex("smCounter", dir.Path());
    EXPECT_EQ(mutex.Identifier(), "");
    mutex.SetIdentifier("Global\\Quarrow\\Count");
    EXPECT_EQ(mutex.Identifier(), "Global_Quarrow_Count");
    mutex.SetIdentifier(mutex.Identifier());
    EXPECT_EQ(mutex.Identifier(), "Global_Quarrow_Count");
    mutex.SetIdentifier("");
    EXPECT_EQ(mutex.Identifier(), "smCounter");
    mutex.SetIdentifier(std::string(300, 'x'));
    EXPECT_EQ(mutex.Identifier().size(), 260u);
    EXPECT_EQ(mutex.TimeOut, 5000u);
    EXPECT_FALSE(mutex.WaitInfinite);

    // Identifiers that differ only in characters unfit for file names keep distinct lock files.
    TSyncMutex slash("a", dir.Path()), percent("b", dir.Path());
    slash.SetIdentifier("x/y");
    percent.SetIdentifier("x%2Fy");
    EXPECT_NE(slash.LockFilePath(), percent.LockFilePath());
    EXPECT_EQ(slash.LockFilePath().rfind(dir.Path() + "/", 0), 0u);
}

TEST(SyncMutexTest, EnterDoesNotNestAndLeaveWithoutEnterIsHarmless)
{
    TTempDir dir;
    TSyncMutex mutex("m", dir.Path());
    mutex.SetIdentifier("NEST");
    mutex.Leave();
    EXPECT_FALSE(mutex.Entered());
    ASSERT_TRUE(mutex.Enter());
    mutex.TimeOut = 120000; // waiting for itself would take the whole two minutes
    const auto started = steady_clock::now();
    EXPECT_FALSE(mutex.Enter()); // at once, without waiting for itself
    EXPECT_LT(steady_clock::now() - started, milliseconds(30000));
    EXPECT_TRUE(mutex.Entered());
    mutex.Leave();
    EXPECT_FALSE(mutex.Entered());
    EXPECT_TRUE(mutex.Enter());
    mutex.Leave();
}

TEST(SyncMutexTest, InstancesWithOneIdentifierExcludeEachOtherInOneProcess)
{
    TTempDir dir;
    TSyncMutex holder("a", dir.Path()), other("b", dir.Path()), unrelated("c", dir.Path());
    holder.SetIdentifier("SHARED");
    other.SetIdentifier("SHARED");
    unrelated.SetIdentifier("OTHER");
    other.TimeOut = 100;
    ASSERT_TRUE(holder.Enter());
    const auto started = steady_clock::now();
    EXPECT_FALSE(other.Enter());
    EXPECT_GE(steady_clock::now() - started, milliseconds(90));
    other.Leave();
    EXPECT_TRUE(unrelated.Enter());
    unrelated.Leave();

    // A waiter on another thread gets the mutex as soon as the holder leaves.
    bool obtained = false;
    other.WaitInfinite = true;
    std::thread waiter([&] {
        obtained = other.Enter();
        other.Leave();
    });
    std::this_thread::sleep_for(milliseconds(50));
    holder.Leave();
    waiter.join();
    EXPECT_TRUE(obtained);
}

TEST(SyncMutexTest, WaitInfiniteBlocksWhileAnotherProcessHoldsIt)
{
    TTempDir dir;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TSyncMutex mutex("child", dir.Path());
        mutex.SetIdentifier("SMCOUNTER");
        mutex.WaitInfinite = true;
        const bool ok = mutex.Enter();
        (void)!write(ready[1], "x", 1);
        std::this_thread::sleep_for(milliseconds(400));
        mutex.Leave();
        _exit(ok ? 0 : 1);
    }
    char byte;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    TSyncMutex mutex("parent", dir.Path());
    mutex.SetIdentifier("SMCOUNTER");
    mutex.WaitInfinite = true;
    const auto started = steady_clock::now();
    EXPECT_TRUE(mutex.Enter());
    EXPECT_GE(steady_clock::now() - started, milliseconds(250));
    mutex.Leave();
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    close(ready[0]);
    close(ready[1]);
}

TEST(SyncMutexTest, UnopenableLockFileFailsButLeaveStillClears)
{
    TSyncMutex mutex("m", "/nonexistent/folder");
    mutex.SetIdentifier("X");
    EXPECT_FALSE(mutex.Enter());
    EXPECT_TRUE(mutex.Entered());
    mutex.Leave();
    EXPECT_FALSE(mutex.Entered());
}

} // namespace
