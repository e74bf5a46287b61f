// One result (a registered name: availability, registrar, registrar's server, expiry date) on its
// way to the table with a 4 MB configuration file, as a large server table makes it. The worker
// reads the host's response strings once per check (its section is the last one, so every read
// parses the whole file) and the answer with them; the main thread only writes the result into
// the row, and its share is measured on its own.

#include "engine/ResultApplier.h"
#include "engine/ResultReader.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr std::size_t ConfigBytes = 4 * 1024 * 1024;

std::string MakeConfig(std::string& lastHost)
{
    std::string text = "[Pref]\nThrdCount=10\nAttempts=5\nPause=250\n[TLD]\n";
    for (int i = 0; i < 1000; ++i)
        text += "tld" + std::to_string(i) + "=whois.host" + std::to_string(i) + ".example\n";
    for (int i = 0; text.size() < ConfigBytes; ++i) {
        lastHost = "whois.host" + std::to_string(i) + ".example";
        text += "[" + lastHost + "]\n";
        text += "not_found_strings=No match for \"%DOMAIN%\".\n";
        text += "whois_server_string=Registrar WHOIS Server:\n";
        text += "registrar_string=Registrar:\n";
        text += "expires_string=Registry Expiry Date:\n";
    }
    return text;
}

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
    TBenchConfig()
    {
        char pattern[] = "/tmp/quarrow-bench-XXXXXX";
        Folder = mkdtemp(pattern);
        Path = Folder + "/mvwhois.ini";
        std::ofstream(Path, std::ios::binary) << MakeConfig(Host);
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
};

bool Applied(const TDomainTableModel& model)
{
    return model.Slot(0, SlotRegistrar) == "Harbourlight Registrar, LLC" && model.ExpiryDay(0) != 0;
}

// The worker's share: the host's strings read for the check (its queries use them too), then the
// answer read with them.
void BM_ReadResultWithLargeConfig(benchmark::State& state)
{
    const TBenchConfig config;
    const auto masks = std::make_shared<const TDateMasks>(TDateMasks{"yyyy-mm-dd"});
    const TWhoisAnswers answers = config.Answers();
    TSyncSendResult result;
    for (auto _ : state) {
        TResultReader reader(config.Path, masks);
        benchmark::DoNotOptimize(reader.StringsOf(config.Host));
        result = reader.ReadWhois(answers);
    }
    if (result.Registrar != "Harbourlight Registrar, LLC" || result.ExpiryDay == 0)
        state.SkipWithError("answer not read");
}
BENCHMARK(BM_ReadResultWithLargeConfig)->Unit(benchmark::kMillisecond);

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
