// One result (a registered name: availability, registrar, registrar's server, expiry date) on its
// way to the table with a 4 MB configuration file, as a large server table makes it. The worker
// reads the host's response strings once per check (its section is the last one) and the answer
// with them; the main thread only writes the result into the row, and its share is measured on its
// own. The worker's share is measured with a file quiet for an hour (read once and kept) and with
// one whose time lies ahead, which is never kept, so that every check parses the whole file.

#include "engine/ResultApplier.h"
#include "engine/ResultReader.h"
#include "models/DomainTableModel.h"

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

struct TBenchConfig
{
    explicit TBenchConfig(bool kept = true)
    {
        char pattern[] = "/tmp/quarrow-bench-XXXXXX";
        Folder = mkdtemp(pattern);
        Path = Folder + "/mvwhois.ini";
        std::ofstream(Path, std::ios::binary) << BenchServerTable::Make(ConfigBytes, Host);
        const std::time_t modified = std::time(nullptr) + (kept ? -3600 : 3600);
        const timespec times[2] = {{0, UTIME_OMIT}, {modified, 0}};
        TimeSet = ::utimensat(AT_FDCWD, Path.c_str(), times, 0) == 0;
    }
    ~TBenchConfig()
    {
        unlink(Path.c_str());
        rmdir(Folder.c_str());
    }
    TWhoisAnswers Answers() const
    {
        TWhoisAnswers answers;
        answers.Answer = Answer;
        answers.WhoisServer = Host;
        answers.DomainName = "lanternmoss.com";
        return answers;
    }
    std::string Folder;
    std::string Path;
    std::string Host;
    bool TimeSet = false;
};

bool Applied(const TDomainTableModel& model)
{
    return model.Slot(0, SlotRegistrar) == "Harbourlight Registrar, LLC" && model.ExpiryDay(0) != 0;
}

// The worker's share: the host's strings read for the check (its queries use them too), then the
// answer read with them.
void BM_ReadResultWithLargeConfig(benchmark::State& state)
{
    const TBenchConfig config(state.range(0) == 0);
    if (!config.TimeSet)
        state.SkipWithError("cannot set the file's time");
    const auto masks = std::make_shared<const TDateMasks>(TDateMasks{"yyyy-mm-dd"});
    const TWhoisAnswers answers = config.Answers();
    TSyncSendResult result;
    for (auto _ : state) {
        TResultReader reader(config.Path, masks);
        benchmark::DoNotOptimize(reader.StringsOf(config.Host));
        result = reader.ReadWhois(answers);
    }
    if (result.Registrar != "Harbourlight Registrar, LLC" || !result.Expiry || result.Expiry->Day == 0)
        state.SkipWithError("answer not read");
}
// 0: a quiet file; 1: a file never kept.
BENCHMARK(BM_ReadResultWithLargeConfig)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The main thread's share: the read result written into its row.
void BM_ApplyReadResult(benchmark::State& state)
{
    const TBenchConfig config;
    TDomainTableModel model;
    model.AppendGenerated({"lanternmoss.com"});
    TSyncSendResult result = TResultReader(config.Path, std::make_shared<const TDateMasks>(TDateMasks{"yyyy-mm-dd"}))
                                 .ReadWhois(config.Answers());
    result.RowIndex = model.IdAt(0);
    for (auto _ : state)
        TResultApplier::ApplyResult(model, result);
    if (!Applied(model))
        state.SkipWithError("result not applied");
}
BENCHMARK(BM_ApplyReadResult)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
