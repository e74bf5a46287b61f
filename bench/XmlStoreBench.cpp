// Saves and loads a project of 100,000 checked rows with a 2 KB answer each (about 230 MB), and
// parses the same bytes with pugixml for comparison (numeric element names renamed, which pugixml
// would refuse). Each measurement runs in its own process so that its peak memory is its own.
//
//   bench_xml_store [FOLDER]     (default: the system's temporary folder)
#include "BenchProject.h"
#include "project/ProjectFile.h"
#include "project/XMLSaveLoad.h"

#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using BenchProject::Answer;
using BenchProject::MakeProject;
using BenchProject::RowCount;

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// Child modes: each prints "seconds" on stdout.
int Child(const std::string& mode, const std::string& path)
{
    const auto start = std::chrono::steady_clock::now();
    if (mode == "save") {
        const TProjectData project = MakeProject();
        const auto built = std::chrono::steady_clock::now();
        TXMLSaveLoad store;
        if (!SaveProject(store, path, project)) {
            std::fprintf(stderr, "%s\n", store.LastError().c_str());
            return 1;
        }
        std::printf("%f\n", Seconds(std::chrono::steady_clock::now() - built));
    } else if (mode == "parse") {
        TXMLSaveLoad store;
        store.FileName(path);
        std::printf("%f\n", Seconds(std::chrono::steady_clock::now() - start));
    } else if (mode == "load") {
        TXMLSaveLoad store;
        const auto project = LoadProject(store, path);
        if (!project || project->Rows.size() != RowCount || project->AnswerLog[7] != Answer(7))
            return 1;
        std::printf("%f\n", Seconds(std::chrono::steady_clock::now() - start));
    } else if (mode == "pugi") {
        pugi::xml_document doc;
        const pugi::xml_parse_result result = doc.load_file(path.c_str());
        if (!result)
            return 1;
        std::printf("%f\n", Seconds(std::chrono::steady_clock::now() - start));
    } else {
        return 2;
    }
    return 0;
}

struct TRun
{
    double Seconds = 0;
    double PeakMb = 0;
};

TRun RunChild(const std::string& mode, const std::string& path)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        std::exit(1);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        execl("/proc/self/exe", "bench_xml_store", "--child", mode.c_str(), path.c_str(), nullptr);
        _exit(127);
    }
    close(pipeFds[1]);
    std::string out;
    char buffer[256];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<std::size_t>(got));
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the %s run failed\n", mode.c_str());
        std::exit(1);
    }
    return {std::stod(out), static_cast<double>(usage.ru_maxrss) / 1024.0};
}

TRun Best(const std::string& mode, const std::string& path, int runs)
{
    TRun best = RunChild(mode, path);
    for (int i = 1; i < runs; ++i) {
        const TRun run = RunChild(mode, path);
        best.Seconds = std::min(best.Seconds, run.Seconds);
        best.PeakMb = std::max(best.PeakMb, run.PeakMb);
    }
    return best;
}

// pugixml refuses element names that start with a digit; prefix them with 'n'. Values hold no
// '<' (the writer encodes it), so every '<' here starts a tag.
void WriteRenamedCopy(const std::string& from, const std::string& to)
{
    std::ifstream in(from, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string renamed;
    renamed.reserve(text.size() + text.size() / 20);
    for (std::size_t i = 0; i < text.size(); ++i) {
        renamed += text[i];
        if (text[i] != '<')
            continue;
        if (i + 1 < text.size() && text[i + 1] == '/') {
            renamed += '/';
            ++i;
        }
        if (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9')
            renamed += 'n';
    }
    std::ofstream(to, std::ios::binary).write(renamed.data(), static_cast<std::streamsize>(renamed.size()));
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 4 && std::string(argv[1]) == "--child")
        return Child(argv[2], argv[3]);

    const std::filesystem::path folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
    const std::string path = (folder / "bench-store.prj.xml").string();
    const std::string pugiPath = (folder / "bench-store.pugi.xml").string();
    std::filesystem::remove(path);

    const TRun save = RunChild("save", path);
    const double mb = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
    WriteRenamedCopy(path, pugiPath);
    const TRun parse = Best("parse", path, 3);
    const TRun load = Best("load", path, 3);
    const TRun pugi = Best("pugi", pugiPath, 3);

    std::printf("project file: %zu rows, %.1f MB\n", RowCount, mb);
    std::printf("save  (tree + write):        %6.2f s  %7.1f MB/s  peak %7.1f MB (rows held by the caller too)\n",
                save.Seconds, mb / save.Seconds, save.PeakMb);
    std::printf("parse (read + parse):        %6.2f s  %7.1f MB/s  peak %7.1f MB = %.2f x file\n", parse.Seconds,
                mb / parse.Seconds, parse.PeakMb, parse.PeakMb / mb);
    std::printf("load  (parse + rows + log):  %6.2f s  %7.1f MB/s  peak %7.1f MB = %.2f x file\n", load.Seconds,
                mb / load.Seconds, load.PeakMb, load.PeakMb / mb);
    std::printf("pugixml load_file:           %6.2f s  %7.1f MB/s  peak %7.1f MB = %.2f x file\n", pugi.Seconds,
                mb / pugi.Seconds, pugi.PeakMb, pugi.PeakMb / mb);
    std::printf("parse / pugixml: %.2f   load / pugixml: %.2f\n", parse.Seconds / pugi.Seconds,
                load.Seconds / pugi.Seconds);
    std::filesystem::remove(path);
    std::filesystem::remove(pugiPath);
    return 0;
}
