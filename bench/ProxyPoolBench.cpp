// A pool of proxies: 40 names on one loopback host with min_interval 150 ms, checked through one
// microsocks and then through three. The host limits each source address, so three ways out
// should take about a third of the time.
#include "BenchProxies.h"
#include "PassTiming.h"
#include "engine/CheckDispatcher.h"
#include "models/DomainTableModel.h"
#include "support/FakeWhoisServer.h"
#include "support/SocksDaemons.h"
#include "support/TempDir.h"

#include <QCoreApplication>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Names = 40;
constexpr int MinIntervalMs = 150;
constexpr int PauseMs = 5;

struct TPassFigures
{
    qint64 PassOverMs = 0;
    int RightRows = 0;
};

TPassFigures PassThrough(const std::vector<TMicrosocksServer*>& proxies, TFakeWhoisServer& host,
                         const std::string& folder)
{
    const std::string config = folder + "/mvwhois.ini";
    std::ofstream(config) << "[TLD]\ncom=127.0.0.1\n[127.0.0.1]\nnot_found_strings=No match for \"%DOMAIN%\"\n"
                             "registrar_string=Registrar:\nmin_interval="
                          << MinIntervalMs << "\n";
    std::vector<std::string> names;
    for (int i = 0; i < Names; ++i)
        names.push_back((i % 2 == 0 ? "free" : "taken") + std::to_string(i) + ".com");
    TDomainTableModel model;
    model.AppendGenerated(names);
    TCheckDispatcher dispatcher(model, PassBenchOptions(config, host.Port(), folder));
    TEngineSettings settings = PassBenchSettings(PauseMs);
    BenchProxies::Use(settings, proxies);
    dispatcher.LoadSettings(settings);
    TPassFigures figures;
    figures.PassOverMs = TimePass(dispatcher).PassOverMs;
    for (int row = 0; row < model.RowCount(); ++row) {
        const bool free = model.Caption(row).starts_with("free");
        figures.RightRows += model.Slot(row, SlotAvailability) == (free ? "YES" : "NO") ? 1 : 0;
    }
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TTempDir dir;
    TMicrosocksServer first, second, third;
    if (!BenchProxies::Started({&first, &second, &third}))
        return 1;
    TFakeWhoisServer host("127.0.0.1", 0);
    host.SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, "Registrar: Bench Registrar\r\n", 0});
    for (int i = 0; i < Names; i += 2) {
        const std::string name = "free" + std::to_string(i) + ".com";
        host.SetAnswer(name, "No match for \"" + name + "\"\r\n");
    }

    const TPassFigures one = PassThrough({&first}, host, dir.Path());
    const TPassFigures three = PassThrough({&first, &second, &third}, host, dir.Path());
    const double ratio =
        static_cast<double>(three.PassOverMs) / static_cast<double>(std::max<qint64>(one.PassOverMs, 1));
    std::printf(
        "%d names on a loopback host with min_interval %d ms, Pause %d ms, 50 threads, microsocks on loopback:\n"
        "  through 1 proxy:  pass over after %lld ms, %d of %d rows right\n"
        "  through 3 proxies: pass over after %lld ms, %d of %d rows right\n"
        "  ratio %.3f (target <= 0.4)\n",
        Names, MinIntervalMs, PauseMs, static_cast<long long>(one.PassOverMs), one.RightRows, Names,
        static_cast<long long>(three.PassOverMs), three.RightRows, Names, ratio);
    return ratio <= 0.4 && one.RightRows == Names && three.RightRows == Names ? 0 : 1;
}
