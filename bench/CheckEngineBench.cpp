// The check engine's figures: the pace of a pass against a loopback host that answers at once,
// the status tick during draining over a million rows, and the memory of a million fresh rows.
#include "PassTiming.h"
#include "engine/CheckDispatcher.h"
#include "engine/CheckDispatcherProbe.h"
#include "models/DomainTableModel.h"
#include "support/FakeWhoisServer.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> Names(int count)
{
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        names.push_back("candidate" + std::to_string(i) + ".com");
    return names;
}

long ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

void PassPace(const std::string& folder)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, "No match for \"x\".\r\n", 0});
    const std::string config = folder + "/mvwhois.ini";
    std::ofstream(config) << "[TLD]\ncom=127.0.0.1\n[127.0.0.1]\nnot_found_strings=No match for \"%DOMAIN%\".\n";

    TDomainTableModel model;
    model.AppendGenerated(Names(2000));
    TCheckOptions options;
    options.ConfigPath = config;
    options.WhoisPort = server.Port();
    options.LockFolder = folder;
    TCheckDispatcher dispatcher(model, options);
    dispatcher.LoadSettings(PassBenchSettings(5));
    const TPassTiming pass = TimePass(dispatcher);
    std::printf("pass of 2000 rows, Pause 5 ms, 50 threads: last result after %lld ms, pass over (status tick) "
                "after %lld ms; target <= %d ms; %d results, %d requests\n",
                static_cast<long long>(pass.LastResultMs), static_cast<long long>(pass.PassOverMs), 10500, pass.Results,
                static_cast<int>(server.Requests().size()));
}

// The status tick while draining: the watchdog looks at slot 5 of the running rows.
void StatusTickWhileDraining(const std::string& folder, bool everyRowRunning)
{
    TDomainTableModel model;
    model.AppendGenerated(Names(1000000));
    TCheckOptions options;
    options.ConfigPath = folder + "/mvwhois.ini";
    options.LockFolder = folder;
    options.Clock = [] { return std::uint64_t{10000000}; };
    TCheckDispatcher dispatcher(model, options);
    TCheckDispatcherProbe probe(dispatcher);
    // Nothing is overdue, so every tick scans the whole lot and replaces nothing.
    const int step = everyRowRunning ? 1 : 20000;
    for (int row = 0; row < model.RowCount(); row += step)
        model.SetSlot(row, SlotStartTick, "9900000");
    std::vector<double> times;
    for (int i = 0; i < 50; ++i) {
        const auto start = std::chrono::steady_clock::now();
        probe.CheckOverdueWorkers();
        probe.StatusTick();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("status tick + watchdog scan over 1,000,000 rows with %d running: median %.3f ms, worst %.3f ms; "
                "target <= 10 ms\n",
                model.RunningRowCount(), times[times.size() / 2], times.back());
}

void FreshRowMemory()
{
    const std::vector<std::string> names = Names(1000000);
    const long before = ResidentBytes();
    auto* model = new TDomainTableModel;
    model->AppendGenerated(names);
    const long after = ResidentBytes();
    std::printf(
        "1,000,000 fresh rows (captions of %zu bytes on average): %.1f bytes per row counted by the model, "
        "%.1f bytes per row of resident memory; aim <= 200\n",
        [&] {
            std::size_t total = 0;
            for (const auto& name : names)
                total += name.size();
            return total / names.size();
        }(),
        static_cast<double>(model->MemoryUsage()) / 1e6, static_cast<double>(after - before) / 1e6);
    delete model;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    char folderTemplate[] = "/tmp/quarrow-bench-XXXXXX";
    const std::string folder = mkdtemp(folderTemplate);
    FreshRowMemory();
    StatusTickWhileDraining(folder, false);
    StatusTickWhileDraining(folder, true);
    PassPace(folder);
    std::remove((folder + "/mvwhois.ini").c_str());
    std::remove((folder + "/quarrow-mutex-SMCOUNTER.lock").c_str());
    rmdir(folder.c_str());
    return 0;
}
