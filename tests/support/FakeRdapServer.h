#pragma once

#include "support/TestCertificates.h"

#include <QThread>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class QObject;
class QSslServer;
class QTcpSocket;

// An RDAP host on 127.0.0.1 for tests: HTTPS (HTTP/1.1 with keep-alive) on its own thread, with a
// certificate from the tests' own authority (or a self-signed or expired one). Each request path
// is answered by the responses set for it, in turn (the last one repeats), else by the default
// response (404 with an RDAP error object). It counts the TLS connections it accepted, so that a
// test can see connections being reused.
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
    // The path of BASE/domain/NAME.
    static std::string DomainPath(const std::string& name) { return "/rdap/domain/" + name; }

    int RequestCount(const std::string& path) const;
    int TotalRequests() const;
    int ConnectionsAccepted() const;
    // When each request arrived, in milliseconds of the host's own steady clock.
    std::vector<std::int64_t> RequestTimesMs() const;
    // The request line and headers of the last request for `path`.
    std::string LastRequestHead(const std::string& path) const;

private:
    // Runs `call` on the server's thread and returns when it has run there.
    void RunOnThread(const std::function<void()>& call);
    void Serve(QTcpSocket* socket);
    std::string Respond(const std::string& path);

    QThread Thread;
    QObject* Context = nullptr; // lives on Thread
    QSslServer* Server = nullptr;
    int BoundPort = 0;

    mutable std::mutex Mutex;
    std::map<std::string, std::vector<TResponse>> Responses;
    std::map<std::string, int> Counts;
    std::map<std::string, std::string> LastHeaders;
    std::vector<std::int64_t> Times;
    int Total = 0;
    int Connections = 0;
};
