#include "engine/TestQuery.h"

#include "base/QuarrowError.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

// Shared by the owner and the query's thread. Receiver is touched on the owner's thread only; the
// thread never waits for the owner nor the owner for the thread.
struct TTestQuery::TState
{
    TState() : CancelFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~TState()
    {
        if (CancelFd >= 0)
            ::close(CancelFd);
    }
    TState(const TState&) = delete;
    TState& operator=(const TState&) = delete;

    void Abandon() const
    {
        const std::uint64_t one = 1;
        ssize_t written;
        do {
            written = ::write(CancelFd, &one, sizeof one);
        } while (written < 0 && errno == EINTR);
    }

    const int CancelFd;
    TTestQuery* Receiver = nullptr;
};

TTestQuery::TTestQuery(QObject* parent) : QObject(parent) {}

TTestQuery::~TTestQuery()
{
    Cancel();
}

bool TTestQuery::Start(const TIdWhois& client, const std::string& domain)
{
    if (Current)
        return false;
    auto state = std::make_shared<TState>();
    if (state->CancelFd < 0) {
        // Without the descriptor a hanging host could not be abandoned: refuse rather than risk it.
        Deliver(state, false, "Cannot create the abandon signal");
        return true;
    }
    state->Receiver = this;
    Current = state;
    TIdWhois copy = client;
    copy.CancelFd = state->CancelFd;
    std::thread([state, copy, domain]() mutable {
        bool ok = true;
        std::string text;
        try {
            text = copy.Lookup(domain);
        } catch (const std::exception& error) {
            ok = false;
            text = error.what();
        }
        // Posted to the application object, which outlives any dialog: the receiver is looked up
        // only once the call runs on the owner's thread.
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app,
                [state, ok, text = std::move(text)] {
                    if (state->Receiver)
                        state->Receiver->Deliver(state, ok, text);
                },
                Qt::QueuedConnection);
    }).detach();
    return true;
}

void TTestQuery::Cancel()
{
    if (!Current)
        return;
    Current->Receiver = nullptr;
    Current->Abandon();
    Current.reset();
}

void TTestQuery::Deliver(const std::shared_ptr<TState>& state, bool ok, const std::string& text)
{
    if (state == Current) {
        state->Receiver = nullptr;
        Current.reset();
    }
    if (ok)
        emit Answered(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    else
        emit Failed(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}
