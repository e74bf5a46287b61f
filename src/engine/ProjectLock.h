#pragma once

#include <QLockFile>

#include <cstdint>
#include <memory>
#include <string>

// Keeps two programs (two windows, a window and quarrow-cli, two quarrow-cli) from checking one
// saved project at once: both would append to its journal, and whichever saved last would throw
// the other's results away. The lock is a file beside the project, naming the process that holds
// it; a lock whose process no longer runs (killed, or the machine rebooted) is taken over, so a
// crash never blocks the project for good. Its age counts for nothing: a check may run for days.
class TProjectLock
{
public:
    static constexpr const char* LockSuffix = ".lock";
    // A lock file that names no process is taken over once it is this old.
    static constexpr int UnreadableGraceSeconds = 10;

    TProjectLock() = default;
    ~TProjectLock() { Release(); }
    TProjectLock(const TProjectLock&) = delete;
    TProjectLock& operator=(const TProjectLock&) = delete;

    static std::string LockPathOf(const std::string& projectPath) { return projectPath + LockSuffix; }

    // Takes the project's lock (a lock of another project held so far is given back first). True
    // when this object holds it now; false when another running program holds it or the lock file
    // cannot be made, and Refusal() says so.
    bool Take(const std::string& projectPath);
    void Release();
    bool Held() const { return Lock && Lock->isLocked(); }
    // The project whose lock is held (empty when none is).
    const std::string& ProjectPath() const { return Project; }
    const std::string& Refusal() const { return Reason; }

    // Another running program holds the project's lock; `pid` is set to it when it is known.
    static bool HeldElsewhere(const std::string& projectPath, std::int64_t* pid = nullptr);
    // The text that tells a person the project is busy (pid 0: not known).
    static std::string BusyText(const std::string& projectPath, std::int64_t pid);

private:
    std::unique_ptr<QLockFile> Lock;
    std::string Project;
    std::string Reason;
};
