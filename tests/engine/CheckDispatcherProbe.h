#pragma once

#include "engine/CheckDispatcher.h"
#include "settings/ProxyUrl.h"

#include <string>
#include <vector>

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
    // The Pause the learnt pace keeps above, while the dispatcher timer itself never fires (the
    // test ticks by hand); the ways out stay as the settings made them.
    void SetPacingPause(int pauseMs)
    {
        std::vector<std::string> ways;
        for (std::size_t proxy = 0; proxy < Dispatcher.Router.Count(); ++proxy)
            ways.push_back(ProxyUrl(*Dispatcher.Router.Proxy(proxy), false));
        Dispatcher.Pacing.SetWays(std::move(ways), pauseMs);
    }

private:
    TCheckDispatcher& Dispatcher;
};
