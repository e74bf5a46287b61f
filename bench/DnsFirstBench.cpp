// "Ask DNS first": a pass over 2,000 names of which 1,800 are delegated, Pause 5 ms, against a
// loopback WHOIS host and unbound on loopback, with and without the DNS stage. The stage must end
// the pass in at most 0.2 x the time without it, with a WHOIS query for exactly the 200 others.
#include "PassTiming.h"
#include "engine/CheckDispatcher.h"
#include "models/DomainTableModel.h"
#include "support/DnsServers.h"
#include "support/FakeWhoisServer.h"
#include "support/TempDir.h"

#include <QCoreApplication>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int Names = 2000;
constexpr int PauseMs = 5;

// Every tenth name is not delegated (and free); the rest are delegated.
bool Delegated(int i)
{
    return i % 10 != 9;
}

std::string NameOf(int i)
{
    return (Delegated(i) ? "d" : "f") + std::to_string(i) + ".com";
}

struct TRun
{
    qint64 PassOverMs = 0;
    std::size_t WhoisQueries = 0;
    int Taken = 0;
    int Free = 0;
    int Wrong = 0;
};

TRun Pass(const std::string& folder, const std::string& dnsServer, bool dnsFirst)
{
    TFakeWhoisServer whois("127.0.0.1", 0);
    whois.SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, "No match for this name.\r\n", 0});
    const std::string config = folder + "/mvwhois.ini";
    std::ofstream(config)
        << "[TLD]\ncom=127.0.0.1\n[127.0.0.1]\nnot_found_strings=No match\nregistrar_string=Registrar:\n";
    std::vector<std::string> names;
    for (int i = 0; i < Names; ++i)
        names.push_back(NameOf(i));
    TDomainTableModel model;
    model.AppendGenerated(names);
    TCheckOptions options;
    options.ConfigPath = config;
    options.WhoisPort = whois.Port();
    options.LockFolder = folder;
    TCheckDispatcher dispatcher(model, options);
    TEngineSettings settings = PassBenchSettings(PauseMs);
    settings.DnsFirst = dnsFirst;
    settings.DnsServer = dnsServer;
    dispatcher.LoadSettings(settings);
    TRun run;
    run.PassOverMs = TimePass(dispatcher).PassOverMs;
    run.WhoisQueries = whois.Requests().size();
    for (int row = 0; row < model.RowCount(); ++row) {
        const std::string verdict = model.Slot(row, SlotAvailability);
        const bool delegated = model.Caption(row).front() == 'd';
        run.Taken += verdict == "NO" ? 1 : 0;
        run.Free += verdict == "YES" ? 1 : 0;
        // Without DNS every name reads free here (the host says so); with it, delegated ones are taken.
        run.Wrong += dnsFirst && verdict != (delegated ? "NO" : "YES") ? 1 : 0;
    }
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::string zone;
    for (int i = 0; i < Names; ++i) {
        if (Delegated(i))
            zone += "  local-data: \"" + NameOf(i) + ". 3600 IN NS ns1.bench.net.\"\n";
    }
    TUnboundServer dns(zone);
    if (!dns.Started()) {
        std::printf("unbound did not start: %s\n", dns.Failure().c_str());
        return 1;
    }
    TTempDir dir;
    const TRun without = Pass(dir.Path(), dns.Address(), false);
    const TRun with = Pass(dir.Path(), dns.Address(), true);
    const double ratio =
        static_cast<double>(with.PassOverMs) / static_cast<double>(std::max<qint64>(1, without.PassOverMs));
    std::printf("%d names, %d delegated, Pause %d ms, 50 threads, loopback WHOIS host and unbound:\n", Names,
                Names - Names / 10, PauseMs);
    std::printf("  without DNS first: pass over after %.2f s, %zu WHOIS queries\n", without.PassOverMs / 1000.0,
                without.WhoisQueries);
    std::printf("  with DNS first:    pass over after %.2f s, %zu WHOIS queries, %d taken, %d free, %d wrong\n",
                with.PassOverMs / 1000.0, with.WhoisQueries, with.Taken, with.Free, with.Wrong);
    std::printf("  ratio %.3f (target at most 0.2, exactly %d WHOIS queries)\n", ratio, Names / 10);
    return ratio <= 0.2 && with.WhoisQueries == static_cast<std::size_t>(Names / 10) && with.Wrong == 0 ? 0 : 1;
}
