#include "rdap/RdapClient.h"

#include "rdap/RdapExchange.h"

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
public:
    TRdapNetwork(TRdapClientOptions options, std::shared_ptr<std::atomic<int>> pending)
        : Options(std::move(options)), Pending(std::move(pending))
    {
    }

    void Begin(const std::shared_ptr<TRdapExchange>& exchange)
    {
        std::string url;
        TSocksParameters proxy;
        {
            std::unique_lock lock(exchange->Mutex);
            if (exchange->Done) {
                lock.unlock();
                End(exchange);
                return;
            }
            url = exchange->Url;
            proxy = exchange->Proxy;
        }
        if (!Manager) {
            Manager = new QNetworkAccessManager(this);
            Tls = QSslConfiguration::defaultConfiguration();
            if (!Options.ExtraCaCertificatesPem.empty())
                Tls.addCaCertificates(
                    QSslCertificate::fromData(QByteArray::fromStdString(Options.ExtraCaCertificatesPem), QSsl::Pem));
        }
        const QNetworkProxy wanted = ProxyFor(proxy);
        if (Manager->proxy() != wanted)
            Manager->setProxy(wanted);
        const QUrl first(QString::fromStdString(url));
        exchange->StartedOnLoopback = IsLoopbackHost(first.host());
        Send(exchange, first);
    }

    void Abort(const std::shared_ptr<TRdapExchange>& exchange)
    {
        if (exchange->Reply)
            exchange->Reply->abort();
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
    }

private:
    void Send(const std::shared_ptr<TRdapExchange>& exchange, const QUrl& url)
    {
        if (Over(exchange)) {
            End(exchange);
            return;
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
        if (status == 0) {
            const QNetworkReply::NetworkError error = reply->error();
            // A certificate that does not verify fails again on every attempt.
            const bool retryable = error != QNetworkReply::SslHandshakeFailedError &&
                                   error != QNetworkReply::ProtocolUnknownError &&
                                   error != QNetworkReply::OperationCanceledError;
            Complete(
                exchange,
                Failure(reply->url().toString().toStdString() + ": " + reply->errorString().toStdString(), retryable));
            return;
        }
        if (IsRedirect(status)) {
            Redirect(exchange, reply->url(), reply->rawHeader("Location"));
            return;
        }
        TRdapFetch fetch;
        fetch.HttpStatus = status;
        fetch.Body = std::move(exchange->Body);
        fetch.FinalUrl = reply->url().toString().toStdString();
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
        const QHostAddress literal(target.host());
        if (!literal.isNull()) {
            Follow(exchange, target, {literal});
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

std::string TRdapClient::DomainUrl(const std::string& base, const std::string& name)
{
    std::string url = base;
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    return url + "/domain/" + name;
}

TRdapFetch TRdapClient::Get(const std::string& url, const TSocksParameters& proxy, int timeoutMs, TRdapCancel& cancel)
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
    }
    if (!cancel.Attach(exchange))
        return Failure("The query was abandoned.", false);
    Pending->fetch_add(1);
    Post([network = Network, exchange] { network->Begin(exchange); });

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 1));
    TRdapFetch result;
    bool answered = false;
    {
        std::unique_lock lock(exchange->Mutex);
        exchange->Wake.wait_until(lock, deadline, [&] { return exchange->Done || exchange->Cancelled; });
        answered = exchange->Done;
        if (answered) {
            result = std::move(exchange->Result);
        } else {
            // From here on a late answer finds the exchange over and is dropped.
            exchange->Done = true;
            result = exchange->Cancelled
                         ? Failure("The query was abandoned.", false)
                         : Failure(url + ": no answer within " + std::to_string(std::max(timeoutMs, 1)) + " ms.", true);
        }
    }
    cancel.Detach();
    if (!answered)
        Post([network = Network, exchange] { network->Abort(exchange); });
    return result;
}
