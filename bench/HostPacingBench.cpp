// Per-host pacing: a pass over two hosts on loopback, one of them with min_interval, measured by
// the paced host's own clock (the gaps between the requests it received) and against the pacing
// limit, the time the Pause and min_interval allow for the pass. Then the dispatcher's own cost
// while a long min_interval keeps tens of thousands of rows of one host waiting.
#include "PassTiming.h"
#include "engine/CheckDispatcher.h"
#include "engine/CheckDispatcherProbe.h"
#include "models/DomainTableModel.h"
#include "support/FakeWhoisServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int NamesPerHost = 200;
constexpr int PauseMs = 5;
constexpr int MinIntervalMs = 20;

void PacedPass(const std::string& folder)
{
    // Two hosts on one port, as the dispatcher has one WHOIS port for every host.
    std::unique_ptr<TFakeWhoisServer> paced, unpaced;
    for (int attempt = 0; attempt < 20 && !unpaced; ++attempt) {
        paced = std::make_unique<TFakeWhoisServer>("127.0.0.1", 0);
        try {
            unpaced = std::make_unique<TFakeWhoisServer>("127.0.0.2", paced->Port());
        } catch (const std::exception&) {
            paced.reset();
        }
    }
    if (!unpaced) {
        std::printf("no shared port for two fake hosts\n");
        return;
    }
    const std::string answer = "   Registrar: Bench Registrar\r\n";
    paced->SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, answer, 0});
    unpaced->SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, answer, 0});
    const std::string config = folder + "/mvwhois.ini";
    std::ofstream(config) << "[TLD]\ncom=127.0.0.1\nnet=127.0.0.2\n"
                             "[127.0.0.1]\nnot_found_strings=No match\nregistrar_string=Registrar:\nmin_interval="
                          << MinIntervalMs
                          << "\n[127.0.0.2]\nnot_found_strings=No match\nregistrar_string=Registrar:\n";

    std::vector<std::string> names;
    for (int i = 0; i < NamesPerHost; ++i) {
        names.push_back("paced" + std::to_string(i) + ".com");
        names.push_back("free" + std::to_string(i) + ".net");
    }
    TDomainTableModel model;
    model.AppendGenerated(names);
    TCheckDispatcher dispatcher(model, PassBenchOptions(config, paced->Port(), folder));
    dispatcher.LoadSettings(PassBenchSettings(PauseMs));
    const qint64 passOver = TimePass(dispatcher).PassOverMs;

    const auto times = paced->RequestTimes();
    std::vector<double> gaps;
    for (std::size_t i = 1; i < times.size(); ++i)
        gaps.push_back(std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count());
    std::sort(gaps.begin(), gaps.end());
    // The paced host's requests cannot come closer than min_interval, and the pass as a whole
    // cannot end before its last one.
    const double limit = (NamesPerHost - 1) * MinIntervalMs;
    int taken = 0;
    for (int row = 0; row < model.RowCount(); ++row)
        taken += model.Slot(row, SlotAvailability) == "NO" ? 1 : 0;
    std::printf("%d names on a host with min_interval %d ms and %d on one without, Pause %d ms, 50 threads:\n"
                "  paced host's gaps (its own clock): min %.1f ms, median %.1f ms, max %.1f ms\n"
                "  pass over after %lld ms; pacing limit %.0f ms; ratio %.3f (target <= 1.05)\n"
                "  %zu + %zu requests, %d rows NO\n",
                NamesPerHost, MinIntervalMs, NamesPerHost, PauseMs, gaps.empty() ? 0.0 : gaps.front(),
                gaps.empty() ? 0.0 : gaps[gaps.size() / 2], gaps.empty() ? 0.0 : gaps.back(),
                static_cast<long long>(passOver), limit, static_cast<double>(passOver) / limit, times.size(),
                unpaced->Requests().size(), taken);
}

// Every row of the table on one host whose min_interval is an hour: the first row is queried, the
// rest are passed into the waiting queue one per dispatcher tick, which the GUI thread runs.
void ManyWaitingRows(const std::string& folder)
{
    constexpr int Rows = 20000;
    TFakeWhoisServer host("127.0.0.1", 0);
    host.SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, "   Registrar: Bench Registrar\r\n", 0});
    const std::string config = folder + "/mvwhois.ini";
    std::ofstream(config) << "[TLD]\ncom=127.0.0.1\n[127.0.0.1]\nnot_found_strings=No match\n"
                             "registrar_string=Registrar:\nmin_interval=3600000\n";
    std::vector<std::string> names;
    for (int i = 0; i < Rows; ++i)
        names.push_back("waiting" + std::to_string(i) + ".com");
    TDomainTableModel model;
    model.AppendGenerated(names);
    TCheckDispatcher dispatcher(model, PassBenchOptions(config, host.Port(), folder));
    dispatcher.LoadSettings(PassBenchSettings(PauseMs));
    TCheckDispatcherProbe probe(dispatcher);

    dispatcher.StartAll();
    QElapsedTimer clock;
    clock.start();
    qint64 slowestTickNs = 0;
    int ticks = 0;
    while (dispatcher.WaitingCount() < Rows - 1 && ticks < 2 * Rows) {
        const qint64 before = clock.nsecsElapsed();
        probe.DispatcherTick();
        slowestTickNs = std::max(slowestTickNs, clock.nsecsElapsed() - before);
        ++ticks;
    }
    const qint64 passingNs = clock.nsecsElapsed();
    constexpr int PacingTicks = 100;
    const qint64 pacingStart = clock.nsecsElapsed();
    for (int i = 0; i < PacingTicks; ++i)
        probe.PacingTick();
    const qint64 pacingNs = clock.nsecsElapsed() - pacingStart;
    std::printf("%d rows on one host with min_interval 1 h, driven tick by tick:\n"
                "  %d dispatcher ticks to leave %d rows waiting: %.3f s, mean %.1f us, slowest %.1f us a tick\n"
                "  pacing tick with every row waiting: %.1f us\n",
                Rows, ticks, dispatcher.WaitingCount(), static_cast<double>(passingNs) / 1e9,
                static_cast<double>(passingNs) / 1e3 / std::max(ticks, 1), static_cast<double>(slowestTickNs) / 1e3,
                static_cast<double>(pacingNs) / 1e3 / PacingTicks);
    dispatcher.Stop();
    while (dispatcher.RunningCount() > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    char folderTemplate[] = "/tmp/quarrow-bench-XXXXXX";
    const std::string folder = mkdtemp(folderTemplate);
    PacedPass(folder);
    ManyWaitingRows(folder);
    std::remove((folder + "/mvwhois.ini").c_str());
    std::remove((folder + "/quarrow-mutex-SMCOUNTER.lock").c_str());
    rmdir(folder.c_str());
    return 0;
}
