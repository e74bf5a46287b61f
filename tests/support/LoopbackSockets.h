#pragma once

#include <vector>

// A loopback port that is bound but not listening: connecting to it is refused. Holding the
// binding keeps other tests from taking the port meanwhile.
class TReservedPort
{
public:
    TReservedPort();
    ~TReservedPort();
    TReservedPort(const TReservedPort&) = delete;
    TReservedPort& operator=(const TReservedPort&) = delete;

    int Port() const { return PortNumber; }

private:
    int Fd = -1;
    int PortNumber = 0;
};

// A listener on 127.0.0.1 that never accepts and whose backlog is filled by its own connections,
// so that a further connect is left unanswered: a connect time-out without leaving loopback.
class TFullBacklogListener
{
public:
    TFullBacklogListener();
    ~TFullBacklogListener();
    TFullBacklogListener(const TFullBacklogListener&) = delete;
    TFullBacklogListener& operator=(const TFullBacklogListener&) = delete;

    int Port() const { return PortNumber; }
    // False when the network stack kept completing connections (then no time-out can be shown).
    bool Full() const { return IsFull; }

private:
    int Fd = -1;
    int PortNumber = 0;
    bool IsFull = false;
    std::vector<int> Fillers;
};

// Port 43, the WHOIS port, is a privileged port: only root (or a system whose unprivileged port
// range was lowered) may listen on it. Tests that need it skip elsewhere rather than fail.
bool CanListenOnWhoisPort();
// 43 when this process may listen on it, else 0 (any free port): for fixtures whose fake hosts are
// built before SetUp can skip the test.
int WhoisPortIfAllowed();

#define QUARROW_SKIP_WITHOUT_WHOIS_PORT()                                                                              \
    if (!CanListenOnWhoisPort())                                                                                       \
    GTEST_SKIP() << "needs to listen on port 43, which only root may do here"
