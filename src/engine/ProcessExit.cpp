#include "engine/ProcessExit.h"

#include <cstdio>
#include <unistd.h>

int FinishProgram(int status, int liveWorkerThreads)
{
    if (liveWorkerThreads <= 0)
        return status;
    std::fflush(nullptr);
    ::_exit(status);
}
