#pragma once

#include "support/TestCertificates.h"

#include <QPointer>
#include <QTcpSocket>
#include <QThread>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class QObject;
class QSslServer;

// An RDAP host on 127.0.0.1 for tests: HTTPS (HTTP/1.1 with keep-alive) on its own thread, with a
// certificate from the tests' own authority (or a self-signed or expired one). Each request path
// is answered by the responses set for it, in turn (the last one repeats), else by the default
// response (404 with an RDAP error object, or the one SetDefaultResponse gave). It counts the TLS
// connections it accepted, so that a test can see connections being reused. A response can break
// off after part of its body, carry a length that is no number, come after a delay, or be held
// until the test lets it go.
class TFakeRdapServer
{
public:
    enum class TCertificate
    {
        Trusted,
        SelfSigned,
        Expired
    };

    struct TResponse
    {
        int Status = 200;
        std::string Body;
        std::vector<std::pair<std::string, std::string>> Headers;
        bool Hang = false;         // never answer; the connection stays open
        std::size_t FillBytes = 0; // a body of this many bytes of JSON-looking filler instead of Body
        // Only this many bytes of the body are sent (the announced length stays the whole body's),
        // then the connection is closed, or reset when Reset is set.
        std::size_t CutAfter = std::string::npos;
        bool Reset = false;
        std::string ContentLength = {}; // sent instead of the body's real length when not empty
        int DelayMs = 0;                // the response goes out this long after the request came
        bool Held = false;              // the response waits until Release lets it go
    };

    explicit TFakeRdapServer(const TTestCertificates& certificates, TCertificate which = TCertificate::Trusted);
    ~TFakeRdapServer();
    TFakeRdapServer(const TFakeRdapServer&) = delete;
    TFakeRdapServer& operator=(const TFakeRdapServer&) = delete;

    int Port() const { return BoundPort; }
    // "https://127.0.0.1:PORT" + path.
    std::string Url(const std::string& path) const;
    // The RDAP base the tests put into the server table: Url("/rdap/").
    std::string BaseUrl() const { return Url("/rdap/"); }

    void SetResponses(const std::string& path, std::vector<TResponse> responses);
    void SetResponse(const std::string& path, TResponse response) { SetResponses(path, {std::move(response)}); }
    // The response of every path that has none of its own.
    void SetDefaultResponse(TResponse response);
    // The path of BASE/domain/NAME.
    static std::string DomainPath(const std::string& name) { return "/rdap/domain/" + name; }

    int RequestCount(const std::string& path) const;
    int TotalRequests() const;
    int ConnectionsAccepted() const;
    // When each request arrived, in milliseconds of the host's own steady clock.
    std::vector<std::int64_t> RequestTimesMs() const;
    // The request line and headers of the last request for `path`.
    std::string LastRequestHead(const std::string& path) const;
    // Held responses not yet let go; Release sends the `count` oldest of them (all with -1) and
    // returns how many it sent.
    int HeldCount() const;
    int Release(int count = -1);
    // The most requests that had arrived and were not yet answered (held, delayed or hanging) at once.
    int MostUnanswered() const;

private:
    // Runs `call` on the server's thread and returns when it has run there.
    void RunOnThread(const std::function<void()>& call);
    void Serve(QTcpSocket* socket);
    TResponse ResponseFor(const std::string& path);
    // Writes the response on the server's thread; Held ones are queued instead.
    void Answer(QTcpSocket* socket, const TResponse& response);
    void Write(QTcpSocket* socket, const TResponse& response);

    QThread Thread;
    QObject* Context = nullptr; // lives on Thread
    QSslServer* Server = nullptr;
    int BoundPort = 0;

    mutable std::mutex Mutex;
    std::map<std::string, std::vector<TResponse>> Responses;
    TResponse DefaultResponse;
    // Server thread only: held responses and the connections they are for.
    std::deque<std::pair<QPointer<QTcpSocket>, TResponse>> HeldResponses;
    int HeldTotal = 0;   // under Mutex: HeldResponses.size(), for other threads
    int Outstanding = 0; // under Mutex
    int MostOutstanding = 0;
    std::map<std::string, int> Counts;
    std::map<std::string, std::string> LastHeaders;
    std::vector<std::int64_t> Times;
    int Total = 0;
    int Connections = 0;
};
