#include "engine/ProjectLock.h"

#include <QDateTime>
#include <QFileInfo>
#include <QString>

namespace {

std::unique_ptr<QLockFile> LockFileOf(const std::string& projectPath)
{
    auto lock = std::make_unique<QLockFile>(QString::fromStdString(TProjectLock::LockPathOf(projectPath)));
    // Only a holder that no longer runs makes a lock stale, never the time it has been held.
    lock->setStaleLockTime(0);
    return lock;
}

// A lock file that names no process is one whose maker ended between making it and writing it:
// nothing would ever call it stale. Once it is older than the longest such gap can be, it is
// removed and the lock taken again; until then it may be a lock being made.
bool TakeOverUnreadable(QLockFile& lock, const std::string& projectPath)
{
    if (lock.error() != QLockFile::LockFailedError || lock.getLockInfo(nullptr, nullptr, nullptr))
        return false;
    const QFileInfo file(QString::fromStdString(TProjectLock::LockPathOf(projectPath)));
    if (!file.exists() ||
        file.lastModified().secsTo(QDateTime::currentDateTime()) < TProjectLock::UnreadableGraceSeconds)
        return false;
    return lock.removeStaleLockFile() && lock.tryLock(0);
}

} // namespace

bool TProjectLock::Take(const std::string& projectPath)
{
    if (Held() && Project == projectPath)
        return true;
    Release();
    Reason.clear();
    auto lock = LockFileOf(projectPath);
    if (lock->tryLock(0) || TakeOverUnreadable(*lock, projectPath)) {
        Lock = std::move(lock);
        Project = projectPath;
        return true;
    }
    qint64 pid = 0;
    if (lock->error() == QLockFile::LockFailedError)
        Reason = BusyText(projectPath, lock->getLockInfo(&pid, nullptr, nullptr) ? pid : 0);
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
    if (lock->tryLock(0) || TakeOverUnreadable(*lock, projectPath)) {
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
    const std::string text = "The project " + projectPath + " is being checked by another program";
    return pid > 0 ? text + " (pid " + std::to_string(pid) + ")." : text + ".";
}
