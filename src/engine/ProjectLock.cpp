#include "engine/ProjectLock.h"

#include <QString>

namespace {

std::unique_ptr<QLockFile> LockFileOf(const std::string& projectPath)
{
    auto lock = std::make_unique<QLockFile>(QString::fromStdString(TProjectLock::LockPathOf(projectPath)));
    // Only a holder that no longer runs makes a lock stale, never the time it has been held.
    lock->setStaleLockTime(0);
    return lock;
}

} // namespace

bool TProjectLock::Take(const std::string& projectPath)
{
    if (Held() && Project == projectPath)
        return true;
    Release();
    Reason.clear();
    auto lock = LockFileOf(projectPath);
    if (lock->tryLock(0)) {
        Lock = std::move(lock);
        Project = projectPath;
        return true;
    }
    qint64 pid = 0;
    if (lock->error() == QLockFile::LockFailedError && lock->getLockInfo(&pid, nullptr, nullptr))
        Reason = BusyText(projectPath, pid);
    else
        Reason = "The lock file " + LockPathOf(projectPath) + " could not be made, so the project " + projectPath +
                 " is not checked: another program could be checking it at the same time.";
    return false;
}

void TProjectLock::Release()
{
    if (Lock)
        Lock->unlock();
    Lock.reset();
    Project.clear();
}

bool TProjectLock::HeldElsewhere(const std::string& projectPath, std::int64_t* pid)
{
    auto lock = LockFileOf(projectPath);
    if (lock->tryLock(0)) {
        lock->unlock();
        return false;
    }
    if (lock->error() != QLockFile::LockFailedError)
        return false;
    qint64 holder = 0;
    if (pid && lock->getLockInfo(&holder, nullptr, nullptr))
        *pid = holder;
    return true;
}

std::string TProjectLock::BusyText(const std::string& projectPath, std::int64_t pid)
{
    return "The project " + projectPath + " is being checked by another program (pid " + std::to_string(pid) + ").";
}
