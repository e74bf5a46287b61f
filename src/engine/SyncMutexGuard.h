#pragma once

#include "engine/SyncMutex.h"

// Holds a TSyncMutex entered for one scope and leaves it on every way out, also when the guarded
// change throws. A failed Enter (no lock file, time-out) still leaves it, as Leave allows.
class TSyncMutexGuard
{
public:
    explicit TSyncMutexGuard(TSyncMutex& mutex) : Mutex(mutex) { Mutex.Enter(); }
    ~TSyncMutexGuard() { Mutex.Leave(); }
    TSyncMutexGuard(const TSyncMutexGuard&) = delete;
    TSyncMutexGuard& operator=(const TSyncMutexGuard&) = delete;

private:
    TSyncMutex& Mutex;
};
