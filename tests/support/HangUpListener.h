#pragma once

#include <atomic>
#include <thread>
#include <vector>

// A loopback listener that accepts every connection and hangs up at once, counting them: a proxy
// that fails every attempt where the attempts can be counted. Holding, it keeps every connection
// open and never sends a byte (a black hole) until it is destroyed.
class THangUpListener
{
public:
    enum class TMode
    {
        HangUp,
        Hold
    };
    explicit THangUpListener(TMode mode = TMode::HangUp);
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
    std::vector<int> Held; // the listener's thread alone
    std::thread Thread;
};
