#pragma once

#include "engine/CheckDispatcher.h"

// Drives the dispatcher's timer steps and worker notices by hand, so that a test decides when a
// tick happens instead of waiting for one.
class TCheckDispatcherProbe
{
public:
    explicit TCheckDispatcherProbe(TCheckDispatcher& dispatcher) : Dispatcher(dispatcher) {}

    void DispatcherTick() { Dispatcher.DispatcherTick(); }
    void PacingTick() { Dispatcher.PacingTick(); }
    // The time left until tPacing fires, or -1 while it is off.
    int PacingTimerDelay() const { return Dispatcher.tPacing.isActive() ? Dispatcher.tPacing.interval() : -1; }
    void StatusTick() { Dispatcher.StatusTick(); }
    void CheckOverdueWorkers() { Dispatcher.CheckOverdueWorkers(); }
    void DeliverResult(const std::shared_ptr<TWorkerState>& worker, const TSyncSendResult& result)
    {
        Dispatcher.DeliverResult(worker, result);
    }
    void WorkerEnded(const std::shared_ptr<TWorkerState>& worker) { Dispatcher.WorkerEnded(worker); }
    bool DispatcherTimerActive() const { return Dispatcher.tThreads.isActive(); }
    std::shared_ptr<TWorkerHub> Hub() const { return Dispatcher.Hub; }

private:
    TCheckDispatcher& Dispatcher;
};
