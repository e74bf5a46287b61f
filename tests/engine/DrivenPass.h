#pragma once

#include "CheckDispatcherProbe.h"
#include "CheckRig.h"

#include <cstdint>
#include <string>
#include <vector>

// A pass driven by hand on the test's clock: each step waits for the running checks to end, then
// moves the clock on to when the pacing timer would fire (if it is set) and ticks. Time passes
// only here, so a back-off costs the test nothing but a step.
struct TDrivenPass
{
    TCheckRig& Rig;
    std::uint64_t& Now;
    // The clock at each start of a check, in order.
    std::vector<std::uint64_t> Starts;

    bool Run(int steps = 500)
    {
        TCheckDispatcherProbe probe(*Rig.Dispatcher);
        Rig.Finished = false;
        Rig.Dispatcher->StartAll();
        for (int step = 0; step < steps; ++step) {
            if (!Rig.WaitUntil([&] { return Rig.Dispatcher->RunningCount() == 0; }))
                return false;
            probe.StatusTick();
            if (Rig.Finished)
                return true;
            // A tick first; the clock moves on to the next waiting row only when the tick
            // started nothing (every row passed, or every waiting host not yet due).
            if (!Tick(probe) && probe.PacingTimerDelay() > 0) {
                Now += static_cast<std::uint64_t>(probe.PacingTimerDelay());
                Tick(probe);
            }
        }
        return false;
    }

    bool Tick(TCheckDispatcherProbe& probe)
    {
        const int before = Rig.Dispatcher->RunningCount();
        probe.DispatcherTick();
        for (int started = before; started < Rig.Dispatcher->RunningCount(); ++started)
            Starts.push_back(Now);
        return Rig.Dispatcher->RunningCount() > before;
    }
};

// Starts `rig` on the host at `port` with hand-driven ticks and `now` as its clock (on top of
// `options`).
inline void StartDriven(TCheckRig& rig, int port, const std::string& config, int threads, int attempts,
                        std::uint64_t& now, const std::vector<std::string>& names, TCheckOptions options = {})
{
    rig.WriteConfig(config);
    options.Clock = [&now] { return now; };
    rig.Start(port, threads, attempts, TCheckRig::ManualTicks, options);
    // Ticks come from the test; the pace keeps above a Pause of 5 ms, as in a real pass.
    TCheckDispatcherProbe(*rig.Dispatcher).SetPacingPause(5);
    rig.Generate(names);
}
