// The settings dialog against a large configuration file: opening it with 5,000 TLD entries and
// with the shipped table, and OK with 1,000 TLD rows (plus the proxy and preference keys),
// counting how often the file was replaced (inotify rename events) and timing the whole OK. Runs
// offscreen; plain main.
//
//   bench_settings_dialog [FOLDER]     (default: the system's temporary folder)
#include "gui/SettingsDialog.h"
#include "settings/IniFile.h"
#include "support/RecordingDesktop.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

namespace {

double Ms(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// A file as users grow it: the TLD table, then one section per host with its four strings.
void WriteConfig(const std::string& path, int tlds)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "[Proxy]\nUseProxy=0\nPort=1080\n[Pref]\nThrdCount=30\n[TLD]\n";
    for (int i = 0; i < tlds; ++i)
        out << "t" << i << "=whois.nic" << i % 200 << ".example\n";
    for (int host = 0; host < 200; ++host)
        out << "[whois.nic" << host << ".example]\nnot_found_strings=No match for \"%DOMAIN%\".\n"
            << "whois_server_string=Registrar WHOIS Server:\nregistrar_string=Registrar:\n"
            << "expires_string=Registry Expiry Date:\n";
}

int CountRenames(int inotifyFd)
{
    int renames = 0;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = read(inotifyFd, buffer, sizeof buffer);
        if (got <= 0)
            return renames;
        for (char* at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if ((event->mask & IN_MOVED_TO) && event->len > 0 && std::string(event->name) == "mvwhois.ini")
                ++renames;
            at += sizeof(inotify_event) + event->len;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const std::filesystem::path folder =
        std::filesystem::path(argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string()) /
        "quarrow-settings-bench";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "mvwhois.ini").string();
    TRecordingDesktop desktop;

    WriteConfig(path, 5000);
    std::vector<double> opens;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        TfSett dialog(path, desktop);
        dialog.show();
        QApplication::processEvents();
        opens.push_back(Ms(std::chrono::steady_clock::now() - start));
    }

    // The shipped table: every TLD of the root zone and the host sections of real registries.
    std::vector<double> shippedOpens;
    for (int run = 0; run < 5; ++run) {
        std::filesystem::copy_file(QUARROW_SOURCE_DATA_DIR "/mvwhois.ini", path,
                                   std::filesystem::copy_options::overwrite_existing);
        const auto start = std::chrono::steady_clock::now();
        TfSett dialog(path, desktop);
        dialog.show();
        QApplication::processEvents();
        shippedOpens.push_back(Ms(std::chrono::steady_clock::now() - start));
    }

    std::vector<double> saves;
    int mostRenames = 0;
    for (int run = 0; run < 11; ++run) {
        WriteConfig(path, 1000);
        TfSett dialog(path, desktop);
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        inotify_add_watch(watch, folder.c_str(), IN_MOVED_TO);
        const auto start = std::chrono::steady_clock::now();
        dialog.bOkClick();
        saves.push_back(Ms(std::chrono::steady_clock::now() - start));
        mostRenames = std::max(mostRenames, CountRenames(watch));
        close(watch);
        if (dialog.result() != QDialog::Accepted) {
            std::fprintf(stderr, "OK failed\n");
            return 1;
        }
    }
    std::sort(opens.begin(), opens.end());
    std::sort(saves.begin(), saves.end());
    std::sort(shippedOpens.begin(), shippedOpens.end());
    std::printf("open with 5,000 TLD entries: median %.1f ms (max %.1f ms)\n", opens[opens.size() / 2], opens.back());
    std::printf("open with the shipped table: median %.1f ms (max %.1f ms)\n", shippedOpens[shippedOpens.size() / 2],
                shippedOpens.back());
    std::printf("OK with 1,000 TLD rows: median %.1f ms (max %.1f ms), file replaced %d time(s) per OK\n",
                saves[saves.size() / 2], saves.back(), mostRenames);
    std::filesystem::remove_all(folder);
    return 0;
}
