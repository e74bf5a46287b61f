// Rate-limited registries: 2,000 names over 10 loopback WHOIS hosts that each allow 5 queries a
// second per source address and refuse above that (half by the refusal text, half by closing
// without a word), checked with no min_interval set, so that the dispatcher has to learn each
// host's pace. The names come in TLD blocks (sorted, or generated TLD by TLD) and interleaved,
// directly and through 3 microsocks bound to 3 source addresses. Each run reports its wall time
// against the physical limit (names per host / (rate x source addresses)), the queries refused,
// wrong rows and "RESULT ERROR" rows.
//
//   bench_rate_limit [blocks|interleaved|all] [1|3|all] [NAMES] [--warm]
//
// Every run starts without a pace file unless --warm is given: then each configuration runs twice
// and the second starts at the pace the first left in the pace file.
#include "BenchProxies.h"
#include "PassTiming.h"
#include "RateLimitedWhoisHost.h"
#include "engine/CheckDispatcher.h"
#include "engine/PaceFile.h"
#include "models/DomainTableModel.h"
#include "support/SocksDaemons.h"
#include "support/TempDir.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Hosts = 10;
constexpr double Rate = 5;
constexpr int PauseMs = 5;
constexpr int Threads = 50;
constexpr double Goal = 1.1;
constexpr double RefusedGoal = 0.03;

std::string HostAddress(int host)
{
    return "127.0.1." + std::to_string(host + 1);
}

std::vector<std::string> Names(int count, bool blocks)
{
    std::vector<std::string> names;
    const int perHost = count / Hosts;
    for (int i = 0; i < perHost * Hosts; ++i) {
        const int host = blocks ? i / perHost : i % Hosts;
        const int number = blocks ? i % perHost : i / Hosts;
        names.push_back((number % 2 == 0 ? "free" : "taken") + std::to_string(number) + ".t" + std::to_string(host));
    }
    return names;
}

void WriteConfig(const std::string& path)
{
    std::ofstream config(path);
    config << "[TLD]\n";
    for (int host = 0; host < Hosts; ++host)
        config << "t" << host << "=" << HostAddress(host) << "\n";
    for (int host = 0; host < Hosts; ++host)
        config << "[" << HostAddress(host) << "]\nnot_found_strings=No match for \"%DOMAIN%\".\n"
               << "registrar_string=Registrar:\nexpires_string=Registry Expiry Date:\n"
               << "limit_strings=Query rate limit exceeded\n";
}

struct TRun
{
    double Seconds = 0;
    double LimitSeconds = 0;
    int Queries = 0;
    int Refused = 0;
    int Wrong = 0;
    int Errors = 0;
    int Unchecked = 0;
};

TRun Run(TRateLimitedWhoisHost& host, const std::vector<TMicrosocksServer*>& proxies, const std::string& folder,
         int count, bool blocks)
{
    const std::string config = folder + "/mvwhois.ini";
    WriteConfig(config);
    const std::vector<std::string> names = Names(count, blocks);
    TDomainTableModel model;
    model.AppendGenerated(names);
    TCheckOptions options = PassBenchOptions(config, host.Port(), folder);
    options.PaceFilePath = folder + "/" + TPaceFile::FileName;
    TEngineSettings settings = PassBenchSettings(PauseMs);
    settings.ThreadLimit = Threads;
    settings.Attempts = 5;
    BenchProxies::Use(settings, proxies);
    host.ResetCounts();
    TRun run;
    {
        TCheckDispatcher dispatcher(model, options);
        dispatcher.LoadSettings(settings);
        run.Seconds = static_cast<double>(TimePass(dispatcher).PassOverMs) / 1000.0;
    }
    const TRateLimitedWhoisHost::TCounts counts = host.Counts();
    run.Queries = counts.Queries;
    run.Refused = counts.Refused;
    const int sources = std::max<int>(1, static_cast<int>(proxies.size()));
    run.LimitSeconds = static_cast<double>(names.size() / Hosts) / (Rate * sources);
    for (int row = 0; row < model.RowCount(); ++row) {
        const std::string result = model.Slot(row, SlotAvailability);
        const bool free = model.Caption(row).starts_with("free");
        if (result == "RESULT ERROR")
            ++run.Errors;
        else if (result.empty())
            ++run.Unchecked;
        else if (result != (free ? "YES" : "NO"))
            ++run.Wrong;
    }
    return run;
}

bool Report(const char* order, std::size_t proxies, const char* start, const TRun& run)
{
    const double ratio = run.Seconds / run.LimitSeconds;
    const double refused = run.Queries > 0 ? static_cast<double>(run.Refused) / run.Queries : 0;
    std::printf("%-11s %s, %s: %.2f s against %.2f s (%.3f x), %d queries, %d refused (%.1f %%), %d wrong, "
                "%d RESULT ERROR, %d unchecked\n",
                order, proxies <= 1 ? "direct   " : "3 proxies", start, run.Seconds, run.LimitSeconds, ratio,
                run.Queries, run.Refused, refused * 100, run.Wrong, run.Errors, run.Unchecked);
    std::fflush(stdout);
    return ratio <= Goal && refused <= RefusedGoal && run.Wrong == 0 && run.Errors == 0 && run.Unchecked == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::string orders = "all", ways = "all";
    int count = 2000;
    bool warm = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--warm")
            warm = true;
        else if (arg == "blocks" || arg == "interleaved")
            orders = arg;
        else if (arg == "1" || arg == "3")
            ways = arg;
        else
            count = std::max(Hosts, std::atoi(arg.c_str()));
    }

    std::vector<TRateLimitedWhoisHost::THost> hosts;
    for (int host = 0; host < Hosts; ++host)
        hosts.push_back({HostAddress(host), host % 2 == 0 ? TRateLimitedWhoisHost::TRefusal::Text
                                                          : TRateLimitedWhoisHost::TRefusal::Silent});
    TRateLimitedWhoisHost host(hosts, Rate);
    if (!host.Started()) {
        std::printf("the hosts did not start: %s\n", host.Failure().c_str());
        return 1;
    }
    TMicrosocksServer first("", "", "127.0.0.101"), second("", "", "127.0.0.102"), third("", "", "127.0.0.103");
    if (!BenchProxies::Started({&first, &second, &third}))
        return 1;
    std::printf("%d names over %d loopback hosts at %.0f queries a second per source address, no min_interval, "
                "Pause %d ms, %d threads\n",
                count, Hosts, Rate, PauseMs, Threads);

    bool met = true;
    for (const char* order : {"blocks", "interleaved"}) {
        if (orders != "all" && orders != order)
            continue;
        for (const std::vector<TMicrosocksServer*>& way :
             {std::vector<TMicrosocksServer*>{}, std::vector<TMicrosocksServer*>{&first, &second, &third}}) {
            if ((ways == "1" && !way.empty()) || (ways == "3" && way.empty()))
                continue;
            TTempDir dir;
            const bool blocks = std::strcmp(order, "blocks") == 0;
            met = Report(order, way.size(), "cold", Run(host, way, dir.Path(), count, blocks)) && met;
            if (warm)
                met = Report(order, way.size(), "warm", Run(host, way, dir.Path(), count, blocks)) && met;
        }
    }
    return met ? 0 : 1;
}
