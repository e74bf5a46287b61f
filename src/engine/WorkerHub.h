#pragma once

#include "core/RowId.h"
#include "engine/SyncSendResult.h"
#include "rdap/RdapCancel.h"
#include "whois/ZqWhois.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

// Runs `body` on a new detached thread; throws std::system_error when no thread can be made.
using TThreadStarter = std::function<void(std::function<void()> body)>;

// What one worker shares with the main thread. The main thread marks it abandoned (the watchdog)
// and aborts its WHOIS client and RDAP query; both sides hold it, so neither ever sees it freed.
struct TWorkerState
{
    std::uint64_t Serial = 0;
    TRowId Row = NoRowId;
    std::size_t Proxy = 0; // the entry of the dispatcher's proxy pool the check goes through
    std::atomic<bool> Abandoned{false};
    TzqWhois Whois;
    TRdapCancel Rdap; // cancelled together with Whois.Abandon()
};

// The main-thread side that workers report to (the dispatcher). Called only on the main thread.
class TWorkerSink
{
public:
    virtual ~TWorkerSink() = default;
    virtual void DeliverResult(const std::shared_ptr<TWorkerState>& worker, const TSyncSendResult& result) = 0;
    virtual void WorkerEnded(const std::shared_ptr<TWorkerState>& worker) = 0;
};

// The link between the workers and the dispatcher that started them. Workers post their
// hand-over and end notice to `Context` (the dispatcher, on the main thread) while holding
// `Mutex`; the dispatcher clears `Context` under the same lock when it goes away. Nothing a
// worker touches afterwards belongs to the main thread, so the window can close (and the
// program end) while workers are still blocked in the network.
struct TWorkerHub
{
    std::mutex Mutex;
    QObject* Context = nullptr;      // guarded by Mutex; the object behind Sink
    TWorkerSink* Sink = nullptr;     // guarded by Mutex
    std::atomic<int> LiveThreads{0}; // worker threads started and not yet finished
};
