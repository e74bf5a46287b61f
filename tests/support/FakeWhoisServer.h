#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A WHOIS host on loopback for tests. It listens on a 127.x.y.z address, serves every connection in
// its own thread, records the raw bytes each client sent and answers according to the reply set
// for the requested domain (the request line without its CR LF), or the default reply.
//
// Port 0 picks a free port. A fixed port (43 for the worker's real port) with an empty address
// picks a free loopback address 127.x.y.z, so parallel test programs never collide; with a fixed
// address and port the server waits for a lock file, so tests that need, say, localhost:43 take
// turns across processes.
//
// The destructor stops everything promptly, hanging connections included.
class TFakeWhoisServer
{
public:
    enum class TBehaviour
    {
        Answer,        // send the text, then close
        CloseAtOnce,   // close without sending anything
        PartThenReset, // send the text, then reset the connection (RST)
        NeverClose     // send the text, then keep the connection open until the client or the server ends
    };

    struct TReply
    {
        TBehaviour Behaviour = TBehaviour::Answer;
        std::string Text;
        int DelayMs = 0; // wait this long after the request before answering
    };

    explicit TFakeWhoisServer(const std::string& address = "127.0.0.1", int port = 0);
    ~TFakeWhoisServer();
    TFakeWhoisServer(const TFakeWhoisServer&) = delete;
    TFakeWhoisServer& operator=(const TFakeWhoisServer&) = delete;

    const std::string& Address() const { return BoundAddress; }
    int Port() const { return BoundPort; }

    void SetReply(const std::string& domain, TReply reply);
    void SetDefaultReply(TReply reply);
    // The n-th request for `domain` gets the n-th reply; the last one stands for every later request.
    void SetReplies(const std::string& domain, std::vector<TReply> replies);
    // Shorthand: answer `text` and close.
    void SetAnswer(const std::string& domain, const std::string& text)
    {
        SetReply(domain, {TBehaviour::Answer, text, 0});
    }

    // While held, every request is recorded and then waits for ReleaseReplies before it gets its
    // reply: a worker stays running exactly as long as the test wants.
    void HoldReplies();
    void ReleaseReplies();

    // Raw bytes received on each connection, in the order the requests were complete.
    std::vector<std::string> Requests() const;
    int RequestCount(const std::string& domain) const;
    // When each request of Requests() was complete, by this host's own clock.
    std::vector<std::chrono::steady_clock::time_point> RequestTimes() const;
    int ConnectionCount() const { return Accepted.load(); }
    // Number of connections whose handler has finished (answered and closed, or given up).
    int FinishedCount() const { return Finished.load(); }
    // Waits until `count` requests were received; false after `timeoutMs`.
    bool WaitForRequests(int count, int timeoutMs) const;

private:
    struct TWorker
    {
        std::thread Thread;
        std::shared_ptr<std::atomic<bool>> Done;
    };

    void AcceptLoop();
    void Serve(int fd);
    TReply ReplyFor(const std::string& domain) const;
    // Sleeps up to `ms` (forever for -1); false when the server is stopping.
    bool Pause(int ms, int alsoWatchFd = -1) const;
    void ReapFinished();

    std::string BoundAddress;
    int BoundPort = 0;
    int ListenFd = -1;
    int LockFd = -1;
    int WakePipe[2] = {-1, -1};
    std::atomic<bool> Stopping{false};
    std::atomic<int> Accepted{0};
    std::atomic<int> Finished{0};

    mutable std::mutex Lock;
    mutable std::condition_variable RequestArrived;
    std::condition_variable ReplyGate;
    bool Held = false;
    std::map<std::string, TReply> Replies;
    std::map<std::string, std::vector<TReply>> Sequences;
    TReply DefaultReply;
    std::vector<std::string> Received;
    std::vector<std::chrono::steady_clock::time_point> ReceivedAt;
    std::map<std::string, int> Counts;

    std::vector<TWorker> Workers; // touched by the accept thread, and by the destructor after it ended
    std::thread Acceptor;
};
