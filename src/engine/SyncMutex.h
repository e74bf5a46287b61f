#pragma once

#include <cstdint>
#include <string>

// A mutex named by an identifier and shared by every process of the user that opens the same
// identifier: a lock file in the user's runtime folder, locked with flock(). Every Enter opens
// the file afresh and every Leave closes it, so two instances (in one process or in two) exclude
// each other, and the system releases the lock of a process that dies.
//
// Callers use the pair as Enter, change the guarded value, Leave (also when the change fails).
// An instance is used by one thread at a time; Enter does not nest.
class TSyncMutex
{
public:
    // `name` is the component name that an empty identifier stands for; `lockFolder` holds the
    // lock files (empty: DefaultLockFolder()).
    explicit TSyncMutex(std::string name, std::string lockFolder = {});
    ~TSyncMutex();
    TSyncMutex(const TSyncMutex&) = delete;
    TSyncMutex& operator=(const TSyncMutex&) = delete;

    const std::string& Name() const { return ComponentName; }
    const std::string& Identifier() const { return Ident; }
    // Backslashes become underscores; an empty value stands for the component name; at most 260
    // characters are kept.
    void SetIdentifier(const std::string& value);

    std::uint32_t TimeOut = 5000; // ms; used when WaitInfinite is false
    bool WaitInfinite = false;

    // False at once when this instance is already entered; false when the lock file cannot be
    // opened or the wait ran out of time (the instance then stays entered until Leave).
    bool Enter();
    void Leave();
    bool Entered() const { return EnteredFlag; }

    // Path of the lock file for the current identifier.
    std::string LockFilePath() const;

    // $XDG_RUNTIME_DIR when it names a folder, else a private folder under /tmp for this user.
    static std::string DefaultLockFolder();

private:
    std::string ComponentName;
    std::string Folder;
    std::string Ident;
    bool EnteredFlag = false;
    int Handle = -1;
};
