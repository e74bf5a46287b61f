#pragma once

#include "engine/CheckDispatcher.h"
#include "models/DomainTableModel.h"
#include "support/FakeWhoisServer.h"
#include "support/HangUpListener.h"
#include "support/TempDir.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// A domain table, a configuration file and a dispatcher wired together against fake WHOIS hosts
// on loopback, with helpers that run the event loop until something has happened.
class TCheckRig
{
public:
    TCheckRig();
    ~TCheckRig();

    TTempDir Dir;
    std::string ConfigPath;
    TDomainTableModel Model;
    std::unique_ptr<TCheckDispatcher> Dispatcher;
    int Beeps = 0;
    int Results = 0;    // ResultApplied signals
    int MaxRunning = 0; // highest RunningCount seen after any start or status tick
    bool Finished = false;

    // Writes the configuration file; `hosts` become the TLD entries and host sections.
    void WriteConfig(const std::string& text);
    // (Re)creates the dispatcher for `port` with these settings. A pause of ManualTicks never lets
    // the dispatcher timer fire: the test ticks through TCheckDispatcherProbe.
    static constexpr int ManualTicks = 1000000;
    void Start(int port, int threads = 10, int attempts = 1, int pause = 1, TCheckOptions options = {});
    void Generate(const std::vector<std::string>& names);
    // Runs "Check domains" and the event loop until the pass is over; false on time-out.
    bool RunPass(int timeoutMs = 10000);
    // Runs the event loop until `done` or the time-out; returns `done()`.
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000);
    // Runs the event loop until every worker thread has finished.
    bool Drain(int timeoutMs = 10000);

    int Row(const std::string& caption) const;
    std::string Slot(const std::string& caption, int slot) const { return Model.Slot(Row(caption), slot); }
    std::string Answer(const std::string& caption) const;
};

// Two fake hosts on different loopback addresses that share one port, as the dispatcher has one
// WHOIS port for every host.
struct TServerPair
{
    std::unique_ptr<TFakeWhoisServer> First;
    std::unique_ptr<TFakeWhoisServer> Second;
    TServerPair();
};
