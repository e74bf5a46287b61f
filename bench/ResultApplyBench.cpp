// Applying one result (a registered name: availability, registrar, registrar's server, expiry
// date) with a 4 MB configuration file, as a large server table makes it. The host's response
// strings are read from the file once per result; its section is the last one. Measured with a
// file quiet for an hour (read once and kept) and with one whose time lies ahead, which is never
// kept, so that every application reads and searches the whole file.

#include "engine/ResultApplier.h"

#include "BenchServerTable.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t ConfigBytes = 4 * 1024 * 1024;

const char* const Answer = "   Domain Name: LANTERNMOSS.COM\r\n"
                           "   Registry Domain ID: 2874419301_DOMAIN_COM-VRSN\r\n"
                           "   Registrar WHOIS Server: whois.harbourlight-registrar.example\r\n"
                           "   Updated Date: 2025-02-11T16:20:05Z\r\n"
                           "   Creation Date: 2011-03-14T18:02:51Z\r\n"
                           "   Registry Expiry Date: 2027-03-14T18:02:51Z\r\n"
                           "   Registrar: Harbourlight Registrar, LLC\r\n"
                           "   Name Server: NS1.LANTERNMOSS.COM\r\n";

void BM_ApplyResultWithLargeConfig(benchmark::State& state)
{
    char pattern[] = "/tmp/quarrow-bench-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    const std::string path = folder + "/mvwhois.ini";
    std::string host;
    std::ofstream(path, std::ios::binary) << BenchServerTable::Make(ConfigBytes, host);
    const std::time_t modified = std::time(nullptr) + (state.range(0) == 0 ? -3600 : 3600);
    const timespec times[2] = {{0, UTIME_OMIT}, {modified, 0}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        state.SkipWithError("cannot set the file's time");

    const TResultApplier applier(path, {"yyyy-mm-dd"});
    TDomainTableModel model;
    model.AppendGenerated({"lanternmoss.com"});
    TSyncSendResult result;
    result.Answer = Answer;
    result.RowIndex = model.IdAt(0);
    result.WhoisServer = host;
    result.DomainName = "lanternmoss.com";
    for (auto _ : state)
        applier.ApplyResult(model, result);
    if (model.Slot(0, SlotRegistrar) != "Harbourlight Registrar, LLC" || model.ExpiryDay(0) == 0)
        state.SkipWithError("result not applied");
    unlink(path.c_str());
    rmdir(folder.c_str());
}
// 0: a quiet file; 1: a file never kept.
BENCHMARK(BM_ApplyResultWithLargeConfig)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
