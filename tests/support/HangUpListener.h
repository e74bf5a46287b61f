#pragma once

#include <atomic>
#include <thread>

// A loopback listener that accepts every connection and hangs up at once, counting them: a proxy
// that fails every attempt where the attempts can be counted.
class THangUpListener
{
public:
    THangUpListener();
    ~THangUpListener();
    THangUpListener(const THangUpListener&) = delete;
    THangUpListener& operator=(const THangUpListener&) = delete;

    int Port() const { return PortNumber; }
    int Connections() const { return Accepted.load(); }

private:
    int Fd = -1;
    int Wake[2] = {-1, -1};
    int PortNumber = 0;
    std::atomic<int> Accepted{0};
    std::thread Thread;
};
