// Reading one host's response strings from a 50 MB configuration file, as every checked name
// does: once with a file that has been quiet for an hour (read and parsed once, then kept), and
// once with a file whose time lies ahead, which is never trusted and so read whole on every call,
// as every read was before parsed files were kept. The host's section is the last one.

#include "config/IniFile.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t ConfigBytes = 50u * 1024 * 1024;

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

void ReadHostStrings(benchmark::State& state, std::time_t modified)
{
    char pattern[] = "/tmp/quarrow-bench-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    const std::string path = folder + "/mvwhois.ini";
    std::string host;
    std::ofstream(path, std::ios::binary) << MakeConfig(host);
    const timespec times[2] = {{0, UTIME_OMIT}, {modified, 0}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        state.SkipWithError("cannot set the file's time");

    const TIniFile ini(path);
    const std::vector<std::string_view> keys = {"not_found_strings", "whois_server_string", "registrar_string",
                                                "expires_string"};
    std::vector<std::string> values;
    for (auto _ : state) {
        ini.ReadStrings(host, keys, values);
        benchmark::DoNotOptimize(values.data());
    }
    if (values[2] != "Registrar:")
        state.SkipWithError("host strings not read");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    unlink(path.c_str());
    rmdir(folder.c_str());
}

void BM_QuietFile(benchmark::State& state)
{
    ReadHostStrings(state, std::time(nullptr) - 3600);
}
BENCHMARK(BM_QuietFile)->Unit(benchmark::kMicrosecond);

void BM_FileNeverTrusted(benchmark::State& state)
{
    ReadHostStrings(state, std::time(nullptr) + 3600);
}
BENCHMARK(BM_FileNeverTrusted)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
