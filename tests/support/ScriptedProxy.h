#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A proxy that follows a fixed script on the first connection it accepts: read an exact number of
// bytes (recorded, so a test can compare them with the bytes a SOCKS client must send), send
// given bytes, and close when the script ends. It never forwards anything, so a script that
// plays a successful negotiation also plays the WHOIS host behind it.
class TScriptedProxy
{
public:
    struct TStep
    {
        std::size_t ExpectBytes = 0; // read this many bytes first (0: nothing)
        std::string Send;            // then send these
    };

    explicit TScriptedProxy(std::vector<TStep> script);
    ~TScriptedProxy();
    TScriptedProxy(const TScriptedProxy&) = delete;
    TScriptedProxy& operator=(const TScriptedProxy&) = delete;

    int Port() const { return PortNumber; }
    // What each reading step received (possibly short when the client stopped early).
    std::vector<std::string> Received() const;
    // Waits until the script has ended (or the client went away).
    bool WaitDone(int timeoutMs) const;
    int Connections() const;

private:
    void Run();

    std::vector<TStep> Script;
    int ListenFd = -1;
    int WakePipe[2] = {-1, -1};
    int PortNumber = 0;
    mutable std::mutex Lock;
    mutable std::condition_variable DoneSignal;
    std::vector<std::string> Chunks;
    int Accepted = 0;
    bool Done = false;
    std::thread Worker;
};
