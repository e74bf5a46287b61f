// The first start of the program on a new user's empty data folder: the shipped server table,
// date masks and RDAP bootstrap copied in, the date masks loaded, and the main window built and
// shown with the TLD word list filled from the table's [TLD] keys. Also the window's start on the
// data folder that first start left (every later start). Runs offscreen; plain main.
//
//   bench_first_start [SHIPPED_FOLDER]   (default: the source tree's data/; another folder holding a
//                                         mvwhois.ini, datemask.ini and rdap-dns.json compares tables)
#include "app/MainWindow.h"
#include "core/ExpiryDate.h"
#include "gui/QuarrowApplication.h"
#include "models/WordLists.h"
#include "project/XMLSaveLoad.h"
#include "settings/ShippedData.h"
#include "support/FolderWindowContext.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

double Ms(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct TStart
{
    double InstallMs = 0;
    double WindowMs = 0;
    int Tlds = 0;
};

// One start on `folder`: copies what the folder lacks, then builds and shows the window.
TStart Start(const std::string& shipped, const std::string& folder)
{
    TStart start;
    const auto begin = std::chrono::steady_clock::now();
    const TDataFolderStatus status = TShippedData(shipped).InstallDefaults(folder + "/");
    if (!status.CanSave) {
        std::fprintf(stderr, "first start failed: %s\n", status.Message.c_str());
        std::exit(1);
    }
    const auto installed = std::chrono::steady_clock::now();
    TXMLSaveLoad store;
    TMainWindowContext context = FolderWindowContext(folder, store);
    context.CheckOptions.DateMasks = LoadDateMasks(folder + "/datemask.ini");
    TfMain window(std::move(context));
    window.show();
    QApplication::processEvents();
    const auto shown = std::chrono::steady_clock::now();
    start.InstallMs = Ms(installed - begin);
    start.WindowMs = Ms(shown - installed);
    start.Tlds = window.WordLists().Tlds().Count();
    return start;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TQuarrowApplication app(argc, argv);
    const std::string shipped = (argc > 1 ? std::string(argv[1]) : std::string(QUARROW_SOURCE_DATA_DIR)) + "/";
    const std::filesystem::path root = std::filesystem::temp_directory_path() / "quarrow-first-start-bench";
    std::vector<double> installs;
    std::vector<double> firstWindows;
    std::vector<double> laterWindows;
    int tlds = 0;
    for (int run = 0; run < 7; ++run) {
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
        const TStart first = Start(shipped, root.string());
        const TStart later = Start(shipped, root.string());
        installs.push_back(first.InstallMs);
        firstWindows.push_back(first.WindowMs);
        laterWindows.push_back(later.WindowMs);
        tlds = first.Tlds;
    }
    std::filesystem::remove_all(root);
    std::printf("first start with %d TLD keys: data copied in %.1f ms, window shown %.1f ms later (medians of 7)\n",
                tlds, Median(installs), Median(firstWindows));
    std::printf("later start: window shown in %.1f ms (median of 7)\n", Median(laterWindows));
    return 0;
}
