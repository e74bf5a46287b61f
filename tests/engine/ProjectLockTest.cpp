#include "engine/ProjectLock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool Exists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

TEST(ProjectLock, OneHolderAtATimeAndTheOtherIsToldWhichProcessHasIt)
{
    TTempDir dir;
    const std::string project = dir.File("work.prj.xml");
    TProjectLock first;
    TProjectLock second;
    ASSERT_TRUE(first.Take(project));
    EXPECT_TRUE(Exists(project + ".lock"));
    EXPECT_TRUE(first.Take(project)) << "taking a held lock again is no conflict";
    EXPECT_FALSE(second.Take(project));
    EXPECT_FALSE(second.Held());
    EXPECT_EQ(second.Refusal(), "The project " + project + " is being checked by another program (pid " +
                                    std::to_string(::getpid()) + ").");
    std::int64_t pid = 0;
    EXPECT_TRUE(TProjectLock::HeldElsewhere(project, &pid));
    EXPECT_EQ(pid, ::getpid());
    // Another project is free, and taking it gives the first one back.
    ASSERT_TRUE(first.Take(dir.File("other.prj.xml")));
    EXPECT_FALSE(TProjectLock::HeldElsewhere(project));
    ASSERT_TRUE(second.Take(project));
    EXPECT_TRUE(second.Refusal().empty());
    second.Release();
    EXPECT_FALSE(Exists(project + ".lock"));
}

TEST(ProjectLock, ALockLeftByAProcessThatNoLongerRunsIsTakenOver)
{
    TTempDir dir;
    const std::string project = dir.File("work.prj.xml");
    // A process that takes the lock and is gone without giving it back, as a killed check is.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TProjectLock lock;
        ::_exit(lock.Take(project) ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(Exists(project + ".lock"));

    EXPECT_FALSE(TProjectLock::HeldElsewhere(project));
    TProjectLock lock;
    EXPECT_TRUE(lock.Take(project)) << lock.Refusal();
}

TEST(ProjectLock, ALockFileThatNamesNoProcessIsTakenOverOnceItIsNoLongerBeingMade)
{
    TTempDir dir;
    const std::string project = dir.File("work.prj.xml");
    // As a program killed between making the file and writing its pid leaves it.
    const std::string lockPath = dir.Write("work.prj.xml.lock", "");
    TProjectLock lock;
    EXPECT_FALSE(lock.Take(project)) << "it may be a lock being made";
    EXPECT_EQ(lock.Refusal(), "The project " + project + " is being checked by another program.");
    EXPECT_TRUE(TProjectLock::HeldElsewhere(project));
    const timeval old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimes(lockPath.c_str(), old), 0);
    EXPECT_FALSE(TProjectLock::HeldElsewhere(project));
    dir.Write("work.prj.xml.lock", "garbage\n");
    ASSERT_EQ(::utimes(lockPath.c_str(), old), 0);
    EXPECT_TRUE(lock.Take(project)) << lock.Refusal();
}

TEST(ProjectLock, AFolderWhereNoLockCanBeMadeIsSaidAndNothingIsHeld)
{
    TTempDir dir;
    const std::string project = dir.File("missing/work.prj.xml");
    TProjectLock lock;
    EXPECT_FALSE(lock.Take(project));
    EXPECT_FALSE(lock.Held());
    EXPECT_NE(lock.Refusal().find("could not be made"), std::string::npos) << lock.Refusal();
}

} // namespace
