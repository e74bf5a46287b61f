#pragma once

// The end of main() for a program that may still have worker threads blocked on WHOIS hosts.
// With workers alive, the output is flushed and the process ends at once without running
// destructors, so no worker can meet a freed object and nothing waits for a host that never
// answers; otherwise `status` is returned for an ordinary return from main.
int FinishProgram(int status, int liveWorkerThreads);
