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
