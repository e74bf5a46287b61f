#include "support/FakeRdapServer.h"

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <future>
#include <limits>
#include <stdexcept>

#include <sys/socket.h>

namespace {

std::string ReasonOf(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 307:
        return "Temporary Redirect";
    case 404:
        return "Not Found";
    case 429:
        return "Too Many Requests";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

// Taken around each post and by the posted call before it reads anything: a global, so that
// taking it reads nothing the post wrote.
std::mutex PostingLock;

const char* const NotFoundBody = R"({"rdapConformance":["rdap_level_0"],"errorCode":404,"title":"Not Found"})";

} // namespace

TFakeRdapServer::TFakeRdapServer(const TTestCertificates& certificates, TCertificate which)
    : DefaultResponse{404, NotFoundBody, {}, false, 0}
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    const std::string pem = which == TCertificate::Trusted   ? certificates.ServerPem()
                            : which == TCertificate::Expired ? certificates.ExpiredPem()
                                                             : certificates.SelfSignedPem();
    tls.setLocalCertificate(QSslCertificate(QByteArray::fromStdString(pem), QSsl::Pem));
    tls.setPrivateKey(QSslKey(QByteArray::fromStdString(certificates.ServerKeyPem()), QSsl::Ec, QSsl::Pem));
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);

    // Moved before the start, and every call posted under PostingLock and waited for through a promise:
    // orders that the thread sanitizer can see (Qt's own locks are invisible to it).
    Thread.setObjectName(QStringLiteral("fake-rdap"));
    Context = new QObject;
    Context->moveToThread(&Thread);
    RunOnThread([] {});
    RunOnThread([this, tls] {
        Server = new QSslServer(Context);
        Server->setSslConfiguration(tls);
        // QSslServer drops a connection whose handshake has not ended 5 s after it was accepted. A
        // client under the sanitizers on a loaded machine (quarrow-cli starting up, loading its
        // TLS library and trust store) can take that long, and its query would fail for the
        // machine's speed alone; the tests' own time limits are the ones that may end a query.
        Server->setHandshakeTimeout(std::numeric_limits<int>::max());
        QObject::connect(Server, &QTcpServer::pendingConnectionAvailable, Server, [this] {
            while (QTcpSocket* socket = Server->nextPendingConnection())
                Serve(socket);
        });
        if (Server->listen(QHostAddress(QStringLiteral("127.0.0.1")), 0))
            BoundPort = Server->serverPort();
    });
    if (BoundPort == 0)
        throw std::runtime_error("the fake RDAP host cannot listen on 127.0.0.1");
}

TFakeRdapServer::~TFakeRdapServer()
{
    RunOnThread([this] { delete Context; });
    Thread.quit();
    Thread.wait();
}

void TFakeRdapServer::RunOnThread(const std::function<void()>& call)
{
    if (!Thread.isRunning()) {
        // The first call starts the thread; its event loop's wake-up descriptor exists once
        // `started` has been sent.
        std::promise<void> started;
        const QMetaObject::Connection notice = QObject::connect(
            &Thread, &QThread::started, &Thread, [&started] { started.set_value(); }, Qt::DirectConnection);
        Thread.start();
        started.get_future().wait();
        QObject::disconnect(notice);
    }
    std::promise<void> done;
    {
        std::lock_guard ordered(PostingLock);
        QMetaObject::invokeMethod(
            Context,
            [&call, &done] {
                {
                    std::lock_guard posted(PostingLock);
                }
                call();
                done.set_value();
            },
            Qt::QueuedConnection);
    }
    done.get_future().wait();
}

std::string TFakeRdapServer::Url(const std::string& path) const
{
    return "https://127.0.0.1:" + std::to_string(BoundPort) + path;
}

void TFakeRdapServer::SetResponses(const std::string& path, std::vector<TResponse> responses)
{
    std::lock_guard lock(Mutex);
    Responses[path] = std::move(responses);
}

int TFakeRdapServer::RequestCount(const std::string& path) const
{
    std::lock_guard lock(Mutex);
    const auto it = Counts.find(path);
    return it == Counts.end() ? 0 : it->second;
}

int TFakeRdapServer::TotalRequests() const
{
    std::lock_guard lock(Mutex);
    return Total;
}

int TFakeRdapServer::ConnectionsAccepted() const
{
    std::lock_guard lock(Mutex);
    return Connections;
}

std::vector<std::int64_t> TFakeRdapServer::RequestTimesMs() const
{
    std::lock_guard lock(Mutex);
    return Times;
}

std::string TFakeRdapServer::LastRequestHead(const std::string& path) const
{
    std::lock_guard lock(Mutex);
    const auto it = LastHeaders.find(path);
    return it == LastHeaders.end() ? std::string() : it->second;
}

void TFakeRdapServer::SetDefaultResponse(TResponse response)
{
    std::lock_guard lock(Mutex);
    DefaultResponse = std::move(response);
}

int TFakeRdapServer::HeldCount() const
{
    std::lock_guard lock(Mutex);
    return HeldTotal;
}

int TFakeRdapServer::MostUnanswered() const
{
    std::lock_guard lock(Mutex);
    return MostOutstanding;
}

int TFakeRdapServer::Release(int count)
{
    int sent = 0;
    RunOnThread([&] {
        while (!HeldResponses.empty() && (count < 0 || sent < count)) {
            auto [socket, response] = std::move(HeldResponses.front());
            HeldResponses.pop_front();
            {
                std::lock_guard lock(Mutex);
                --HeldTotal;
            }
            // A connection the client has closed meanwhile takes nothing; it still counts as let go.
            if (socket) {
                Write(socket, response);
            } else {
                std::lock_guard lock(Mutex);
                --Outstanding;
            }
            ++sent;
        }
    });
    return sent;
}

void TFakeRdapServer::Serve(QTcpSocket* socket)
{
    {
        std::lock_guard lock(Mutex);
        ++Connections;
    }
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    auto buffer = std::make_shared<std::string>();
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
        const QByteArray data = socket->readAll();
        buffer->append(data.constData(), static_cast<std::size_t>(data.size()));
        // Requests are GETs without a body: each ends with its blank line.
        for (auto end = buffer->find("\r\n\r\n"); end != std::string::npos; end = buffer->find("\r\n\r\n")) {
            const std::string head = buffer->substr(0, end);
            buffer->erase(0, end + 4);
            const auto firstSpace = head.find(' ');
            const auto secondSpace = head.find(' ', firstSpace + 1);
            if (firstSpace == std::string::npos || secondSpace == std::string::npos) {
                socket->abort();
                return;
            }
            const std::string path = head.substr(firstSpace + 1, secondSpace - firstSpace - 1);
            {
                std::lock_guard lock(Mutex);
                LastHeaders[path] = head;
            }
            Answer(socket, ResponseFor(path));
        }
    });
}

TFakeRdapServer::TResponse TFakeRdapServer::ResponseFor(const std::string& path)
{
    std::lock_guard lock(Mutex);
    ++Total;
    MostOutstanding = std::max(MostOutstanding, ++Outstanding);
    Times.push_back(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
    const int served = Counts[path]++;
    const auto it = Responses.find(path);
    if (it != Responses.end() && !it->second.empty())
        return it->second[std::min<std::size_t>(static_cast<std::size_t>(served), it->second.size() - 1)];
    return DefaultResponse;
}

void TFakeRdapServer::Answer(QTcpSocket* socket, const TResponse& response)
{
    if (response.Hang)
        return;
    if (response.Held) {
        HeldResponses.emplace_back(socket, response);
        std::lock_guard lock(Mutex);
        ++HeldTotal;
        return;
    }
    if (response.DelayMs > 0) {
        QTimer::singleShot(response.DelayMs, socket, [this, socket, response] { Write(socket, response); });
        return;
    }
    Write(socket, response);
}

void TFakeRdapServer::Write(QTcpSocket* socket, const TResponse& response)
{
    {
        std::lock_guard lock(Mutex);
        --Outstanding;
    }
    std::string body = response.Body;
    if (response.FillBytes > 0) {
        body = "{\"objectClassName\":\"domain\",\"remarks\":\"";
        body.append(response.FillBytes, 'x');
        body += "\"}";
    }
    const std::string length = response.ContentLength.empty() ? std::to_string(body.size()) : response.ContentLength;
    std::string reply = "HTTP/1.1 " + std::to_string(response.Status) + " " + ReasonOf(response.Status) + "\r\n";
    reply += "Content-Type: application/rdap+json\r\nContent-Length: " + length + "\r\n";
    for (const auto& [name, value] : response.Headers)
        reply += name + ": " + value + "\r\n";
    const bool cut = response.CutAfter < body.size();
    reply += "\r\n" + (cut ? body.substr(0, response.CutAfter) : body);
    socket->write(reply.data(), static_cast<qint64>(reply.size()));
    if (!cut)
        return;
    if (!response.Reset) {
        socket->disconnectFromHost();
        return;
    }
    // A reset, once the part sent has left (the wait is on loopback): without lingering, the close
    // sends RST.
    while (socket->bytesToWrite() > 0 && socket->waitForBytesWritten(5000)) {
    }
    const int fd = static_cast<int>(socket->socketDescriptor());
    const linger none{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &none, sizeof none);
    socket->abort();
}
