// Reading one host's response strings from a 50 MB configuration file, as every checked name
// does: once with a file that has been quiet for an hour (read and parsed once, then kept), and
// once with a file whose time lies ahead, which is never trusted and so read whole on every call,
// as every read was before parsed files were kept. The host's section is the last one.

#include "settings/IniFile.h"

#include "BenchServerTable.h"

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

// One file for every run: the benchmark calls each function several times.
struct TBenchFile
{
    std::string Folder;
    std::string Path;
    std::string Host;

    TBenchFile()
    {
        char pattern[] = "/tmp/quarrow-bench-XXXXXX";
        Folder = mkdtemp(pattern);
        Path = Folder + "/mvwhois.ini";
        std::ofstream(Path, std::ios::binary) << BenchServerTable::Make(ConfigBytes, Host);
    }
    ~TBenchFile()
    {
        unlink(Path.c_str());
        rmdir(Folder.c_str());
    }
};

const TBenchFile& BenchFile()
{
    static const TBenchFile file;
    return file;
}

void ReadHostStrings(benchmark::State& state, std::time_t modified)
{
    const TBenchFile& file = BenchFile();
    const timespec times[2] = {{0, UTIME_OMIT}, {modified, 0}};
    if (::utimensat(AT_FDCWD, file.Path.c_str(), times, 0) != 0)
        state.SkipWithError("cannot set the file's time");

    const TIniFile ini(file.Path);
    const std::vector<std::string_view> keys = {"not_found_strings", "whois_server_string", "registrar_string",
                                                "expires_string"};
    std::vector<std::string> values;
    // The first read after the time was set reads the file in any case.
    ini.ReadStrings(file.Host, keys, values);
    for (auto _ : state) {
        ini.ReadStrings(file.Host, keys, values);
        benchmark::DoNotOptimize(values.data());
    }
    if (values[2] != "Registrar:")
        state.SkipWithError("host strings not read");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_QuietFile(benchmark::State& state)
{
    ReadHostStrings(state, std::time(nullptr) - 3600);
}
BENCHMARK(BM_QuietFile)->Unit(benchmark::kMicrosecond);

// Each read finds the file changed (another time an hour ago): it is read and its sections
// found again.
void BM_FileChangedEveryRead(benchmark::State& state)
{
    const TBenchFile& file = BenchFile();
    const std::time_t anHourAgo = std::time(nullptr) - 3600;
    std::time_t shift = 0;
    const TIniFile ini(file.Path);
    const std::vector<std::string_view> keys = {"not_found_strings"};
    std::vector<std::string> values;
    for (auto _ : state) {
        const timespec times[2] = {{0, UTIME_OMIT}, {anHourAgo - (shift ^= 1), 0}};
        ::utimensat(AT_FDCWD, file.Path.c_str(), times, 0);
        ini.ReadStrings(file.Host, keys, values);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_FileChangedEveryRead)->Unit(benchmark::kMillisecond);

void BM_FileNeverTrusted(benchmark::State& state)
{
    ReadHostStrings(state, std::time(nullptr) + 3600);
}
BENCHMARK(BM_FileNeverTrusted)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
