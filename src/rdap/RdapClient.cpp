#include "rdap/RdapClient.h"

#include "rdap/RdapExchange.h"
#include "whois/TcpConnection.h"

#include <QDateTime>
#include <QHostAddress>
#include <QHostInfo>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <deque>
#include <future>
#include <limits>
#include <unordered_map>
#include <utility>

namespace {

std::mutex PostingLock;

bool InRange(quint32 address, quint32 network, int prefix)
{
    const quint32 mask = prefix == 0 ? 0 : ~quint32(0) << (32 - prefix);
    return (address & mask) == (network & mask);
}

// A redirect may lead a registry's answer anywhere; it must not make this program reach into the
// user's own network (RFC 1918, carrier-grade NAT, link-local, unique-local), nor this machine.
bool AddressAllowed(const QHostAddress& address, bool allowLoopback)
{
    if (address.isNull() || address.isMulticast() || address.isBroadcast() || address.isLinkLocal() ||
        address.isSiteLocal() || address.isUniqueLocalUnicast())
        return false;
    if (address.isLoopback())
        return allowLoopback;
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    if (isV4)
        return !(InRange(v4, 0x00000000, 8) || InRange(v4, 0x0A000000, 8) || InRange(v4, 0x64400000, 10) ||
                 InRange(v4, 0xA9FE0000, 16) || InRange(v4, 0xAC100000, 12) || InRange(v4, 0xC0A80000, 16));
    return address.isGlobal();
}

bool IsLoopbackHost(const QString& host)
{
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 || QHostAddress(host).isLoopback();
}

bool IsRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Retry-After holds either a number of seconds or an HTTP date (RFC 9110, 10.2.3).
int RetryAfterMs(const QByteArray& value)
{
    const QByteArray text = value.trimmed();
    if (text.isEmpty())
        return -1;
    constexpr qint64 Longest = std::numeric_limits<int>::max();
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return text.size() > 9 ? static_cast<int>(Longest)
                               : static_cast<int>(std::min(text.toLongLong() * 1000, Longest));
    // The date is in GMT, written with English names ("Sun, 06 Nov 1994 08:49:37 GMT").
    const QDateTime written =
        QLocale::c().toDateTime(QString::fromLatin1(text), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    if (!written.isValid())
        return -1;
    const QDateTime at(written.date(), written.time(), Qt::UTC);
    return static_cast<int>(std::clamp<qint64>(QDateTime::currentDateTimeUtc().msecsTo(at), 0, Longest));
}

QNetworkProxy ProxyFor(const TSocksParameters& socks)
{
    if (socks.Version != TSocksVersion::Socks5)
        return QNetworkProxy(QNetworkProxy::NoProxy);
    QNetworkProxy proxy(QNetworkProxy::Socks5Proxy, QString::fromStdString(socks.Host),
                        static_cast<quint16>(socks.Port));
    if (socks.Authentication == TSocksAuthentication::UsernamePassword) {
        proxy.setUser(QString::fromStdString(socks.UserName));
        proxy.setPassword(QString::fromStdString(socks.Password));
    }
    return proxy;
}

// Qt reports an HTTP error status (404, 429, 5xx...) as an error of its own, and that is an answer.
// Any other error once a status line has come means the body did not arrive whole: a reset, or a
// close before the announced length.
bool TransferBrokeOff(QNetworkReply::NetworkError error)
{
    const int code = error;
    const bool fromStatus =
        (code >= QNetworkReply::ContentAccessDenied && code <= QNetworkReply::UnknownContentError) ||
        error == QNetworkReply::ProtocolInvalidOperationError ||
        (code >= QNetworkReply::InternalServerError && code <= QNetworkReply::UnknownServerError);
    return error != QNetworkReply::NoError && !fromStatus;
}

bool IsProxyError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ProxyConnectionRefusedError &&
            error <= QNetworkReply::ProxyAuthenticationRequiredError) ||
           error == QNetworkReply::UnknownProxyError;
}

// A failure without an HTTP answer that would not come out differently on another attempt.
bool WorthRetrying(QNetworkReply::NetworkError error)
{
    return error != QNetworkReply::SslHandshakeFailedError && error != QNetworkReply::ProtocolUnknownError &&
           error != QNetworkReply::OperationCanceledError;
}

// Qt takes a Content-Length that is no number for none and reads on until the host closes, which
// a kept-alive connection never does.
bool LengthUnreadable(const QNetworkReply& reply)
{
    if (!reply.hasRawHeader("Content-Length"))
        return false;
    const QByteArray length = reply.rawHeader("Content-Length").trimmed();
    return length.isEmpty() || !std::all_of(length.begin(), length.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The connections Qt keeps are per host and port.
std::string SlotKey(const QUrl& url)
{
    return url.host().toLower().toStdString() + ":" + std::to_string(url.port(443));
}

TRdapFetch Failure(std::string error, bool retryable)
{
    TRdapFetch fetch;
    fetch.Error = std::move(error);
    fetch.Retryable = retryable;
    return fetch;
}

} // namespace

// The network thread's side: one access manager for every query, so that its connection cache
// keeps the HTTPS connections to a host open between names. Everything here runs on that thread.
class TRdapNetwork : public QObject
{
    struct THostSlots
    {
        int Busy = 0;
        std::deque<std::pair<std::shared_ptr<TRdapExchange>, QUrl>> Waiting;
    };

public:
    TRdapNetwork(TRdapClientOptions options, std::shared_ptr<std::atomic<int>> pending)
        : Options(std::move(options)), Pending(std::move(pending))
    {
    }

    void Begin(const std::shared_ptr<TRdapExchange>& exchange)
    {
        std::string url;
        TSocksParameters proxy;
        std::shared_ptr<const TRdapHostSet> knownHosts;
        {
            std::unique_lock lock(exchange->Mutex);
            if (exchange->Done) {
                lock.unlock();
                End(exchange);
                return;
            }
            url = exchange->Url;
            proxy = exchange->Proxy;
            knownHosts = exchange->KnownHosts;
        }
        exchange->KnownHostsHere = std::move(knownHosts);
        if (!Manager) {
            Manager = new QNetworkAccessManager(this);
            Tls = QSslConfiguration::defaultConfiguration();
            if (!Options.ExtraCaCertificatesPem.empty())
                Tls.addCaCertificates(
                    QSslCertificate::fromData(QByteArray::fromStdString(Options.ExtraCaCertificatesPem), QSsl::Pem));
        }
        if (proxy.Version == TSocksVersion::Socks5)
            exchange->ProxyShown = "The proxy " + TSocksClient::ShownAddress(proxy);
        const QNetworkProxy wanted = ProxyFor(proxy);
        if (Manager->proxy() != wanted)
            Manager->setProxy(wanted);
        const QUrl first(QString::fromStdString(url));
        exchange->StartedOnLoopback = IsLoopbackHost(first.host());
        exchange->ServiceHost = first.host().toLower().toStdString();
        Send(exchange, first);
    }

    void Abort(const std::shared_ptr<TRdapExchange>& exchange)
    {
        if (exchange->Reply) {
            exchange->Reply->abort();
            return;
        }
        // Still waiting for a connection: it leaves the line unsent.
        for (auto& [key, gate] : Slots) {
            auto& line = gate.Waiting;
            const auto it =
                std::find_if(line.begin(), line.end(), [&](const auto& entry) { return entry.first == exchange; });
            if (it != line.end()) {
                line.erase(it);
                End(exchange);
                return;
            }
        }
    }

    // The access manager keeps its connections in a thread of its own. Dropping them while that
    // thread still runs lets them be freed there; the manager's destructor alone would stop the
    // thread first and leave them behind.
    void Shutdown()
    {
        if (!Manager)
            return;
        Manager->clearConnectionCache();
        delete Manager;
        Manager = nullptr;
        Replies.clear();
        Lookups.clear();
        Slots.clear();
    }

private:
    // Sends the request when its host has a connection free, else puts it in that host's line.
    void Send(const std::shared_ptr<TRdapExchange>& exchange, const QUrl& url)
    {
        if (Over(exchange)) {
            End(exchange);
            return;
        }
        const std::string key = SlotKey(url);
        THostSlots& gate = Slots[key];
        if (gate.Busy >= TRdapClient::ConnectionsPerHost) {
            gate.Waiting.emplace_back(exchange, url);
            return;
        }
        Dispatch(exchange, url, key, gate);
    }

    void Dispatch(const std::shared_ptr<TRdapExchange>& exchange, const QUrl& url, const std::string& key,
                  THostSlots& gate)
    {
        ++gate.Busy;
        exchange->SlotHost = key;
        {
            std::lock_guard lock(exchange->Mutex);
            if (!exchange->SentAt) {
                exchange->SentAt = std::chrono::steady_clock::now();
                exchange->Wake.notify_all();
            }
        }
        QNetworkRequest request(url);
        request.setRawHeader("Accept", "application/rdap+json, application/json");
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        request.setSslConfiguration(Tls);
        QNetworkReply* reply = Manager->get(request);
        exchange->Reply = reply;
        exchange->Body.clear();
        Replies[reply] = exchange;
        // The slots capture nothing that needs destroying: Qt may free a reply's connections on its
        // own network thread, and the exchange is released here, on this one.
        connect(reply, &QNetworkReply::metaDataChanged, reply, [this, reply] {
            const auto found = Replies.find(reply);
            if (found == Replies.end() || !LengthUnreadable(*reply))
                return;
            found->second->LengthProblem =
                "the length " + reply->rawHeader("Content-Length").toStdString() + " of the answer is no number";
            reply->abort();
        });
        connect(reply, &QNetworkReply::requestSent, reply, [this, reply] {
            if (const auto found = Replies.find(reply); found != Replies.end()) {
                std::lock_guard lock(found->second->Mutex);
                found->second->RequestWritten = true;
            }
        });
        connect(reply, &QNetworkReply::readyRead, reply, [this, reply] {
            if (const auto found = Replies.find(reply); found != Replies.end())
                Read(found->second, reply);
        });
        connect(reply, &QNetworkReply::finished, reply, [this, reply] {
            auto node = Replies.extract(reply);
            if (!node.empty())
                Finished(node.mapped(), reply);
        });
    }

    void Read(const std::shared_ptr<TRdapExchange>& exchange, QNetworkReply* reply)
    {
        if (exchange->Oversized)
            return;
        const QByteArray chunk = reply->readAll();
        if (exchange->Body.size() + static_cast<std::size_t>(chunk.size()) > Options.MaxBodyBytes) {
            exchange->Oversized = true;
            reply->abort();
            return;
        }
        exchange->Body.append(chunk.constData(), static_cast<std::size_t>(chunk.size()));
    }

    void Finished(const std::shared_ptr<TRdapExchange>& exchange, QNetworkReply* reply)
    {
        reply->deleteLater();
        if (exchange->Reply == reply)
            exchange->Reply = nullptr;
        FreeSlot(exchange);
        const std::string shownUrl = reply->url().toString().toStdString();
        if (!exchange->LengthProblem.empty()) {
            Complete(exchange, Failure(shownUrl + ": " + exchange->LengthProblem + ".", false));
            return;
        }
        if (exchange->Oversized) {
            Complete(exchange,
                     Failure("The answer is larger than " + std::to_string(Options.MaxBodyBytes / (1024 * 1024)) +
                                 " MB; it was not read further.",
                             false));
            return;
        }
        if (reply->isOpen())
            Read(exchange, reply);
        if (exchange->Oversized) {
            Complete(exchange, Failure("The answer is larger than the limit; it was not read further.", false));
            return;
        }
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QNetworkReply::NetworkError error = reply->error();
        if (status == 0) {
            if (IsProxyError(error) && !exchange->ProxyShown.empty()) {
                TRdapFetch fetch = Failure(exchange->ProxyShown + " failed the query " + shownUrl + ": " +
                                               reply->errorString().toStdString(),
                                           true);
                fetch.ProxyFailed = true;
                Complete(exchange, std::move(fetch));
                return;
            }
            // A certificate that does not verify fails again on every attempt.
            Complete(exchange, Failure(shownUrl + ": " + reply->errorString().toStdString(), WorthRetrying(error)));
            return;
        }
        // A status line with part of a body is no answer: the missing part may be what decides.
        if (TransferBrokeOff(error)) {
            Complete(exchange, Failure(shownUrl + ": the answer (HTTP " + std::to_string(status) +
                                           ") broke off before its end: " + reply->errorString().toStdString(),
                                       WorthRetrying(error)));
            return;
        }
        if (IsRedirect(status)) {
            Redirect(exchange, reply->url(), reply->rawHeader("Location"));
            return;
        }
        TRdapFetch fetch;
        fetch.HttpStatus = status;
        fetch.Body = std::move(exchange->Body);
        fetch.FinalUrl = shownUrl;
        fetch.Retryable = status == 429 || status >= 500;
        if (status == 429 || status == 503)
            fetch.RetryAfterMs = RetryAfterMs(reply->rawHeader("Retry-After"));
        Complete(exchange, std::move(fetch));
    }

    void Redirect(const std::shared_ptr<TRdapExchange>& exchange, const QUrl& from, const QByteArray& location)
    {
        const QUrl target = from.resolved(QUrl(QString::fromUtf8(location)));
        const std::string shown = target.toString().toStdString();
        if (location.isEmpty() || !target.isValid()) {
            Complete(exchange, Failure("A redirect without a valid address.", false));
            return;
        }
        if (++exchange->Redirects > Options.MaxRedirects) {
            Complete(exchange, Failure("More than " + std::to_string(Options.MaxRedirects) +
                                           " redirects; the last one led to " + shown + ".",
                                       false));
            return;
        }
        if (target.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) != 0 || target.host().isEmpty()) {
            Complete(exchange, Failure("A redirect to " + shown + " was refused: only HTTPS is followed.", false));
            return;
        }
        // The service's own host, and the other services of the bootstrap, were chosen by the user
        // or the registry's registry, wherever their addresses are.
        const std::string host = target.host().toLower().toStdString();
        if (host == exchange->ServiceHost || (exchange->KnownHostsHere && exchange->KnownHostsHere->count(host) > 0)) {
            Send(exchange, target);
            return;
        }
        const QHostAddress literal(target.host());
        if (!literal.isNull()) {
            Follow(exchange, target, {literal});
            return;
        }
        if (Options.ResolveRedirectHost) {
            QList<QHostAddress> addresses;
            for (const std::string& address : Options.ResolveRedirectHost(target.host().toStdString()))
                addresses.append(QHostAddress(QString::fromStdString(address)));
            if (addresses.isEmpty())
                Complete(exchange,
                         Failure("A redirect to " + shown + " was refused: its host name does not resolve.", true));
            else
                Follow(exchange, target, addresses);
            return;
        }
        // A host name is checked by what it resolves to; the answer arrives on this thread. As with
        // a reply's slots, the callback holds only a key.
        const quint64 key = NextLookup++;
        Lookups[key] = {exchange, target};
        QHostInfo::lookupHost(target.host(), this, [this, key](const QHostInfo& info) {
            auto node = Lookups.extract(key);
            if (node.empty())
                return;
            const auto& [waiting, redirected] = node.mapped();
            if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
                Complete(waiting, Failure("A redirect to " + redirected.toString().toStdString() +
                                              " was refused: its host name does not resolve.",
                                          true));
                return;
            }
            Follow(waiting, redirected, info.addresses());
        });
    }

    void Follow(const std::shared_ptr<TRdapExchange>& exchange, const QUrl& target,
                const QList<QHostAddress>& addresses)
    {
        for (const QHostAddress& address : addresses) {
            // A server the user named on this machine may pass the query on within it: that reaches
            // nothing the user did not already point this program at.
            if (!AddressAllowed(address, exchange->StartedOnLoopback)) {
                Complete(exchange, Failure("A redirect to " + target.toString().toStdString() +
                                               " was refused: it leads to the private, loopback or link-local "
                                               "address " +
                                               address.toString().toStdString() + ".",
                                           false));
                return;
            }
        }
        Send(exchange, target);
    }

    // The request's connection is free again: the first live request waiting for that host goes out.
    void FreeSlot(const std::shared_ptr<TRdapExchange>& exchange)
    {
        if (exchange->SlotHost.empty())
            return;
        const std::string key = std::move(exchange->SlotHost);
        exchange->SlotHost.clear();
        const auto found = Slots.find(key);
        if (found == Slots.end())
            return;
        THostSlots& gate = found->second;
        --gate.Busy;
        while (gate.Busy < TRdapClient::ConnectionsPerHost && !gate.Waiting.empty()) {
            auto [next, url] = std::move(gate.Waiting.front());
            gate.Waiting.pop_front();
            // A worker that stopped waiting meanwhile has its request dropped, never sent.
            if (Over(next))
                End(next);
            else
                Dispatch(next, url, key, gate);
        }
        if (gate.Busy == 0 && gate.Waiting.empty())
            Slots.erase(found);
    }

    static bool Over(const std::shared_ptr<TRdapExchange>& exchange)
    {
        std::lock_guard lock(exchange->Mutex);
        return exchange->Done;
    }

    // The network side of the exchange is over: the result goes to the worker if it still waits.
    void Complete(const std::shared_ptr<TRdapExchange>& exchange, TRdapFetch fetch)
    {
        {
            std::lock_guard lock(exchange->Mutex);
            if (!exchange->Done) {
                exchange->Result = std::move(fetch);
                exchange->Done = true;
                exchange->Wake.notify_all();
            }
        }
        End(exchange);
    }

    void End(const std::shared_ptr<TRdapExchange>& exchange)
    {
        if (exchange->NetworkEnded)
            return;
        exchange->NetworkEnded = true;
        Pending->fetch_sub(1);
    }

    TRdapClientOptions Options;
    std::shared_ptr<std::atomic<int>> Pending;
    QNetworkAccessManager* Manager = nullptr;
    QSslConfiguration Tls;
    // The exchange behind each reply in flight, and behind each redirect whose host is being looked up.
    std::unordered_map<QNetworkReply*, std::shared_ptr<TRdapExchange>> Replies;
    std::unordered_map<quint64, std::pair<std::shared_ptr<TRdapExchange>, QUrl>> Lookups;
    quint64 NextLookup = 0;
    // Requests out to each host (SlotKey) and those waiting for one of its connections, in turn.
    std::unordered_map<std::string, THostSlots> Slots;
};

TRdapClient::TRdapClient(TRdapClientOptions options) : Options(std::move(options))
{
    Thread = new QThread;
    Thread->setObjectName(QStringLiteral("rdap"));
    Network = new TRdapNetwork(Options, Pending);
    Network->moveToThread(Thread);
    QObject::connect(Thread, &QThread::finished, Network, &QObject::deleteLater);
    // Posting to the thread writes to the wake-up descriptor of its event loop, made when the
    // thread starts. Waiting for the start here orders that before every post in a way the thread
    // sanitizer can see (Qt's own locks are invisible to it); the thread starts at once.
    std::promise<void> started;
    const QMetaObject::Connection notice = QObject::connect(
        Thread, &QThread::started, Thread, [&started] { started.set_value(); }, Qt::DirectConnection);
    Thread->start();
    started.get_future().wait();
    QObject::disconnect(notice);
}

TRdapClient::~TRdapClient()
{
    // Nothing on the network thread blocks, so this returns at once.
    std::promise<void> shutDown;
    Post([this, &shutDown] {
        Network->Shutdown();
        shutDown.set_value();
    });
    shutDown.get_future().wait();
    Thread->quit();
    Thread->wait();
    delete Thread;
}

void TRdapClient::Post(std::function<void()> call)
{
    // Qt's event queue orders a post before its call, but through locks the thread sanitizer
    // cannot see. Posting under PostingLock, and taking it once more where the call runs, shows it.
    // The lock is a global one: the call must take it before it reads anything the post wrote.
    std::lock_guard lock(PostingLock);
    QMetaObject::invokeMethod(
        Network,
        [call = std::move(call)] {
            {
                std::lock_guard ordered(PostingLock);
            }
            call();
        },
        Qt::QueuedConnection);
}

std::string TRdapClient::ProxyFailure(const std::string& url, const TSocksParameters& proxy) const
{
    const QUrl target(QString::fromStdString(url));
    TTcpConnection connection;
    if (!connection.Connect(proxy.Host, proxy.Port, TRdapClient::ProxyConnectTimeoutMs))
        return "The proxy " + TSocksClient::ShownAddress(proxy) + " could not be reached: " + connection.Error();
    if (!TSocksClient::Negotiate(connection, proxy, target.host().toStdString(), target.port(443),
                                 Options.NegotiationTimeoutMs))
        return connection.Error();
    return {};
}

std::string TRdapClient::DomainUrl(const std::string& base, const std::string& name)
{
    std::string url = base;
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    return url + "/domain/" + name;
}

TRdapFetch TRdapClient::Get(const std::string& url, const TSocksParameters& proxy, int timeoutMs, TRdapCancel& cancel,
                            std::shared_ptr<const TRdapHostSet> knownHosts)
{
    if (proxy.Version == TSocksVersion::Socks4 || proxy.Version == TSocksVersion::Socks4A)
        return Failure("RDAP needs a SOCKS 5 proxy or none: a SOCKS 4 or 4A proxy is configured.", false);
    if (url.rfind("https://", 0) != 0)
        return Failure("Not an HTTPS address: " + url, false);

    auto exchange = std::make_shared<TRdapExchange>();
    {
        std::lock_guard lock(exchange->Mutex);
        exchange->Url = url;
        exchange->Proxy = proxy;
        exchange->KnownHosts = std::move(knownHosts);
    }
    if (!cancel.Attach(exchange))
        return Failure("The query was abandoned.", false);
    Pending->fetch_add(1);
    Post([network = Network, exchange] { network->Begin(exchange); });

    // The time-out runs from when the request goes out, not while it waits for a connection.
    using Clock = std::chrono::steady_clock;
    const auto timeout = std::chrono::milliseconds(std::max(timeoutMs, 1));
    const int queueMs = std::max(Options.MaxQueueWaitMs, 1);
    const Clock::time_point queueDeadline = Clock::now() + std::chrono::milliseconds(queueMs);
    TRdapFetch result;
    bool answered = false;
    // A request through a proxy that is still unwritten after the negotiation bound: the proxy is
    // asked on its own whether it gets through to the host at all.
    const bool viaProxy = proxy.Version == TSocksVersion::Socks5;
    const auto negotiation = std::chrono::milliseconds(std::max(Options.NegotiationTimeoutMs, 1));
    bool proxyTried = !viaProxy;
    std::string proxyFailure;
    {
        std::unique_lock lock(exchange->Mutex);
        for (;;) {
            if (exchange->Done || exchange->Cancelled)
                break;
            Clock::time_point deadline = exchange->SentAt ? *exchange->SentAt + timeout : queueDeadline;
            if (!proxyTried && exchange->SentAt && !exchange->RequestWritten) {
                const Clock::time_point tryProxyAt = *exchange->SentAt + negotiation;
                if (Clock::now() >= tryProxyAt) {
                    proxyTried = true;
                    lock.unlock();
                    proxyFailure = ProxyFailure(url, proxy);
                    lock.lock();
                    if (!proxyFailure.empty())
                        break;
                    continue;
                }
                deadline = std::min(deadline, tryProxyAt);
            }
            if (Clock::now() >= deadline)
                break;
            exchange->Wake.wait_until(lock, deadline);
        }
        answered = exchange->Done;
        if (answered) {
            result = std::move(exchange->Result);
        } else {
            // From here on a late answer finds the exchange over and is dropped, and a request still
            // waiting for its connection is never sent.
            exchange->Done = true;
            result = exchange->Cancelled     ? Failure("The query was abandoned.", false)
                     : !proxyFailure.empty() ? Failure(proxyFailure + ".", true)
                     : exchange->SentAt
                         ? Failure(url + ": no answer within " + std::to_string(timeout.count()) + " ms.", true)
                         : Failure(url + ": no connection to its host became free within " + std::to_string(queueMs) +
                                       " ms; the query was not sent.",
                                   true);
            result.ProxyFailed = !exchange->Cancelled && !proxyFailure.empty();
        }
    }
    cancel.Detach();
    if (!answered)
        Post([network = Network, exchange] { network->Abort(exchange); });
    return result;
}
