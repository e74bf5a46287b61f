// One ExtractLabelledValue on a 4 KB registry answer with a 30-host configuration file, as result
// application runs it up to four times per checked name. The file is opened and parsed on every
// call, so the figure includes that cost.

#include "whois/ResponseText.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::string MakeConfig()
{
    std::string text = "[Pref]\nThrdCount=10\nAttempts=5\nPause=250\n[TLD]\n";
    for (int i = 0; i < 30; ++i)
        text += "tld" + std::to_string(i) + "=whois.host" + std::to_string(i) + ".example\n";
    for (int i = 0; i < 30; ++i) {
        text += "[whois.host" + std::to_string(i) + ".example]\n";
        text += "not_found_strings=No match for \"%DOMAIN%\".\n";
        text += "whois_server_string=Registrar WHOIS Server:\n";
        text += "registrar_string=Registrar:\n";
        text += "expires_string=Registry Expiry Date:\n";
    }
    return text;
}

std::string MakeAnswer()
{
    const std::string record = "   Domain Name: LANTERNMOSS.COM\r\n"
                               "   Registry Domain ID: 2874419301_DOMAIN_COM-VRSN\r\n"
                               "   Registrar WHOIS Server: whois.harbourlight-registrar.example\r\n"
                               "   Registrar URL: http://www.harbourlight-registrar.example\r\n"
                               "   Updated Date: 2025-02-11T16:20:05Z\r\n"
                               "   Creation Date: 2011-03-14T18:02:51Z\r\n"
                               "   Registry Expiry Date: 2027-03-14T18:02:51Z\r\n"
                               "   Registrar: Harbourlight Registrar, LLC\r\n"
                               "   Registrar IANA ID: 4917\r\n"
                               "   Domain Status: clientTransferProhibited https://icann.org/epp\r\n"
                               "   Name Server: NS1.LANTERNMOSS.COM\r\n"
                               "   Name Server: NS2.LANTERNMOSS.COM\r\n";
    std::string answer = record;
    const std::string notice = "NOTICE: The expiration date shown in this record is when the registrar's "
                               "sponsorship of the name in the registry ends.\r\n";
    while (answer.size() < 4096)
        answer += notice;
    return answer.substr(0, 4096);
}

struct TFixture
{
    std::string Folder;
    std::string Path;
    std::string Answer = MakeAnswer();

    TFixture()
    {
        char pattern[] = "/tmp/quarrow-bench-XXXXXX";
        Folder = mkdtemp(pattern);
        Path = Folder + "/mvwhois.ini";
        std::ofstream(Path, std::ios::binary) << MakeConfig();
    }
    ~TFixture()
    {
        unlink(Path.c_str());
        rmdir(Folder.c_str());
    }
};

void BM_ExtractLabelledValue(benchmark::State& state)
{
    static TFixture fixture;
    // The first host's section is found at once, the last one only after scanning the whole file.
    const std::string host = "whois.host" + std::to_string(state.range(0)) + ".example";
    std::string value;
    for (auto _ : state) {
        ExtractLabelledValue("registrar_string", fixture.Answer, host, value, fixture.Path);
        benchmark::DoNotOptimize(value);
    }
    if (value != "Harbourlight Registrar, LLC")
        state.SkipWithError("wrong value extracted");
}
BENCHMARK(BM_ExtractLabelledValue)->Arg(0)->Arg(29)->Unit(benchmark::kMicrosecond);

void BM_FindExpiryDate(benchmark::State& state)
{
    const std::string answer = MakeAnswer();
    std::string text;
    for (auto _ : state) {
        FindExpiryDate(answer, text);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_FindExpiryDate)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
