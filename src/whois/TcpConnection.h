#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

// One outgoing TCP connection over IPv4, shared by both WHOIS clients and the SOCKS negotiation so
// that every byte on the wire comes from one place. The socket is non-blocking and every wait is a
// poll() that also watches an optional cancel descriptor: once that descriptor turns readable (an
// eventfd written by another thread), every pending and later wait ends at once with Cancelled.
// The socket itself is only ever touched and closed by the thread that owns the connection.
class TTcpConnection
{
public:
    enum class TReadEnd
    {
        Closed,   // the host closed the connection (or the size cap was reached)
        Reset,    // a read error such as a reset; the bytes received so far stand
        TimedOut, // the overall bound passed before the host closed; the bytes so far stand
        Cancelled // the cancel descriptor fired
    };

    static constexpr int ReadSliceMs = 250;

    explicit TTcpConnection(int cancelFd = -1);
    ~TTcpConnection();
    TTcpConnection(const TTcpConnection&) = delete;
    TTcpConnection& operator=(const TTcpConnection&) = delete;

    // Resolves `host` to IPv4 (a dotted IPv4 literal is taken as it is) and connects to it.
    // timeoutMs <= 0 leaves the bound to the operating system.
    bool Connect(const std::string& host, int port, int timeoutMs);
    // Takes over a connected stream socket (one end of a socket pair in tests and fuzzing) in
    // place of Connect; the connection closes it.
    void Adopt(int fd);
    // Both fail once the deadline (SetDeadline) has passed, with DeadlinePassed() set.
    bool SendAll(const std::string& bytes);
    // Exactly `count` bytes or failure; a connection closed early is a short reply.
    bool ReadExact(std::size_t count, std::string& out);
    // One bound for a whole exchange of small messages (a SOCKS negotiation), however its bytes
    // trickle in; timeoutMs <= 0 removes it.
    void SetDeadline(int timeoutMs);
    bool DeadlinePassed() const { return PassedDeadline; }
    // Appends everything the host sends until it closes, at most `cap` bytes in all, within
    // `totalTimeoutMs` when that is positive (otherwise without a bound of its own).
    TReadEnd ReadToEnd(std::string& answer, std::size_t cap, int totalTimeoutMs = 0);
    void Close();

    bool Cancelled() const;
    // Message of the last failure, worded for the user ("Connection refused", "Host not found").
    const std::string& Error() const { return ErrorText; }
    // The last Connect failed because the host is not there: its name did not resolve, or it
    // refused, could not be routed to or never took the connection.
    bool HostNotReached() const { return NotReached; }
    void SetError(std::string text) { ErrorText = std::move(text); }
    // A proxy in between said that the target host is not there (refused, unreachable).
    void SetTargetNotReached() { TargetNotReached = true; }
    bool TargetRefused() const { return TargetNotReached; }

    // IPv4 dotted literal into network-order bytes; false when `host` is not one.
    static bool ParseIPv4(const std::string& host, unsigned char (&bytes)[4]);
    // Name resolution to the first IPv4 address; false with a message when it fails.
    static bool ResolveIPv4(const std::string& host, unsigned char (&bytes)[4], std::string& error);

private:
    // Waits until the socket is ready for `events`. 0: ready, 1: timed out, -1: cancelled/failed.
    int WaitFor(short events, int timeoutMs);
    // The wait SendAll and ReadExact may spend on one slice: `sliceMs` (-1: unbounded), cut to
    // what is left before the deadline; -2 when the deadline has passed (the connection is then
    // closed and the error set).
    int SliceBeforeDeadline(int sliceMs);
    bool FailWithErrno(int err);

    int Fd = -1;
    int CancelFd;
    std::string ErrorText;
    bool NotReached = false;
    bool TargetNotReached = false;
    std::optional<std::chrono::steady_clock::time_point> Deadline;
    int DeadlineMs = 0;
    bool PassedDeadline = false;
};
