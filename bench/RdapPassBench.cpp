// A pass split over an RDAP host and a WHOIS host on loopback: 2,000 names (every other one for
// each host), Pause 5 ms, 50 threads. The pace a pass can have is set by the dispatcher (one row
// per Pause) and by each host's min_interval (given as the first argument, 0 by default); the
// pass is measured against that limit, and the RDAP host reports how many HTTPS connections it
// needed and the shortest gap between two requests by its own clock.
//
// `bench_rdap_pass slow`: 100 names on one RDAP host that answers each request after 4 s, 50
// threads, the default 20 s bound of a query. The host has six connections' worth of checks at a
// time, so the pass takes about 100 / 6 x 4 s; no row may end as an error.
#include "PassTiming.h"
#include "engine/CheckDispatcher.h"
#include "models/DomainTableModel.h"
#include "support/FakeRdapServer.h"
#include "support/FakeWhoisServer.h"
#include "support/TempDir.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

int SlowHostPass()
{
    constexpr int Names = 100;
    constexpr int AnswerMs = 4000;
    TTestCertificates certificates;
    TFakeRdapServer rdap(certificates);
    TFakeRdapServer::TResponse slow{404, R"({"errorCode":404})", {}, false, 0};
    slow.DelayMs = AnswerMs;
    rdap.SetDefaultResponse(slow);
    TTempDir dir;
    const std::string config = dir.Write("mvwhois.ini", "[TLD]\ncom=" + rdap.BaseUrl() + "\n");
    TDomainTableModel model;
    std::vector<std::string> names;
    for (int i = 0; i < Names; ++i)
        names.push_back("slow" + std::to_string(i) + ".com");
    model.AppendGenerated(names);
    TCheckOptions options;
    options.ConfigPath = config;
    options.LockFolder = dir.Path();
    options.Rdap.ExtraCaCertificatesPem = certificates.CaPem();
    TCheckDispatcher dispatcher(model, options);
    dispatcher.LoadSettings(PassBenchSettings(5));
    int mostRunning = 0;
    QObject::connect(&dispatcher, &TCheckDispatcher::StatusChanged,
                     [&] { mostRunning = std::max(mostRunning, dispatcher.RunningCount()); });
    const TPassTiming pass = TimePass(dispatcher);

    std::map<std::string, int> verdicts;
    for (int row = 0; row < model.RowCount(); ++row)
        ++verdicts[model.Slot(row, SlotAvailability)];
    const long long floor =
        static_cast<long long>((Names + TRdapClient::ConnectionsPerHost - 1) / TRdapClient::ConnectionsPerHost) *
        AnswerMs;
    std::printf("pass of %d rows on one RDAP host answering after %d ms, 50 threads: pass over after %lld ms "
                "(%d rounds of %d connections: %lld ms)\n",
                Names, AnswerMs, static_cast<long long>(pass.PassOverMs), static_cast<int>(floor / AnswerMs),
                TRdapClient::ConnectionsPerHost, floor);
    std::printf("results: YES %d, NO %d, RESULT ERROR %d (target 0), none %d; requests %d, at most %d unanswered at "
                "once, at most %d checks running\n",
                verdicts["YES"], verdicts["NO"], verdicts["RESULT ERROR"], verdicts[""], rdap.TotalRequests(),
                rdap.MostUnanswered(), mostRunning);
    return verdicts["RESULT ERROR"] == 0 && verdicts[""] == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::string(argv[1]) == "slow")
        return SlowHostPass();
    const int minInterval = argc > 1 ? std::atoi(argv[1]) : 0;
    constexpr int Names = 2000;
    constexpr int Pause = 5;

    TTestCertificates certificates;
    TFakeRdapServer rdap(certificates);
    // Pacing keys on the host name, so the two hosts need addresses of their own.
    TFakeWhoisServer whois("127.0.0.2", 0);
    whois.SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, "No match for \"x\".\r\n", 0});
    TTempDir dir;
    const std::string interval = "min_interval=" + std::to_string(minInterval) + "\n";
    const std::string config = dir.Write("mvwhois.ini", "[TLD]\ncom=" + rdap.BaseUrl() +
                                                            "\nnet=127.0.0.2\n[127.0.0.2]\nnot_found_strings=No " +
                                                            "match for\n" + interval + "[127.0.0.1]\n" + interval);

    TDomainTableModel model;
    std::vector<std::string> names;
    for (int i = 0; i < Names; ++i)
        names.push_back("candidate" + std::to_string(i) + (i % 2 == 0 ? ".com" : ".net"));
    model.AppendGenerated(names);
    TCheckOptions options;
    options.ConfigPath = config;
    options.WhoisPort = whois.Port();
    options.LockFolder = dir.Path();
    options.Rdap.ExtraCaCertificatesPem = certificates.CaPem();
    TCheckDispatcher dispatcher(model, options);
    dispatcher.LoadSettings(PassBenchSettings(Pause));
    const TPassTiming pass = TimePass(dispatcher);

    std::map<std::string, int> verdicts;
    for (int row = 0; row < model.RowCount(); ++row)
        ++verdicts[model.Slot(row, SlotAvailability)];
    const std::vector<std::int64_t> times = rdap.RequestTimesMs();
    // The first request also makes the TLS handshake, so the gap after it can look short.
    std::vector<std::int64_t> gaps;
    for (std::size_t i = 2; i < times.size(); ++i)
        gaps.push_back(times[i] - times[i - 1]);
    std::sort(gaps.begin(), gaps.end());
    const long long smallestGap = gaps.empty() ? 0 : gaps.front();
    const long long medianGap = gaps.empty() ? 0 : gaps[gaps.size() / 2];
    const long long limit =
        std::max<long long>(static_cast<long long>(Names) * Pause, static_cast<long long>(Names / 2 - 1) * minInterval);
    std::printf("pass of %d rows (half RDAP, half WHOIS), Pause %d ms, min_interval %d ms, 50 threads: last result "
                "after %lld ms, pass over after %lld ms; pacing limit %lld ms, ratio %.3f (target <= 1.05)\n",
                Names, Pause, minInterval, static_cast<long long>(pass.LastResultMs),
                static_cast<long long>(pass.PassOverMs), limit,
                static_cast<double>(pass.PassOverMs) / static_cast<double>(limit));
    std::printf("results: YES %d, NO %d, RESULT ERROR %d, none %d; RDAP requests %d over %d HTTPS connection(s), "
                "gaps after the first by the host's clock: smallest %lld ms, median %lld ms; WHOIS requests %zu\n",
                verdicts["YES"], verdicts["NO"], verdicts["RESULT ERROR"], verdicts[""], rdap.TotalRequests(),
                rdap.ConnectionsAccepted(), smallestGap, medianGap, whois.Requests().size());
    return 0;
}
