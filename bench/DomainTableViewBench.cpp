// The domain table in a shown window (offscreen): sorting 1,000,000 rows by Domain and by an
// Expires column full of dates, a result applied while they are shown, ticking them all, rows
// arriving in generation batches, and opening and saving the 100,000-row project of the store
// benchmark through the project commands. Prints one line per measure.
//
//   bench_domain_table [FOLDER]     (default: the system's temporary folder)
#include "BenchProject.h"
#include "engine/ProjectController.h"
#include "gui/ZqListView.h"
#include "models/ExpiryDateFormat.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <time.h>

namespace {

constexpr int TableRows = 1000000;

class TBenchWorkspace : public TProjectWorkspace
{
public:
    void StoreInto(TProjectData& project) const override { project.Keywords = {{"domain", true}}; }
    void LoadFrom(const TProjectData&) override {}
    void ResetWords() override {}
    void StopChecks() override {}
    void ClearAnswers() override {}
    void ShowProgress(int, int) override {}
};

class TBenchPrompts : public TProjectPrompts
{
public:
    TAnswer AskYesNoCancel(const QString&) override { return No; }
    QString OpenProjectFileName(const QString&) override { return Path; }
    QString SaveProjectFileName() override { return Path; }
    void ShowMessage(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    QString Path;
};

double CpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Milliseconds of `work` followed by the repaint it causes. The processor time of the window's
// thread goes to LastCpuMs: on a shared machine it says more than the clock.
double LastCpuMs = 0;
template <typename F> double TimedMs(F&& work)
{
    QElapsedTimer timer;
    const double cpu = CpuMs();
    timer.start();
    work();
    QApplication::processEvents();
    LastCpuMs = CpuMs() - cpu;
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// One measure: its clock time and the processor time it took.
void Report(const char* what, double ms)
{
    std::printf("%-44s %9.1f ms  (processor %.1f ms)\n", what, ms, LastCpuMs);
}

std::vector<TDomainRow> MillionRows()
{
    std::mt19937 random(7);
    static const char* const words[] = {"shop", "web",   "net",  "cloud", "best", "my",   "get",
                                        "go",   "super", "mega", "info",  "data", "host", "zone",
                                        "one",  "top",   "city", "home",  "free", "smart"};
    std::vector<TDomainRow> rows;
    rows.reserve(TableRows);
    for (int i = 0; i < TableRows; ++i) {
        std::string caption = std::string(words[random() % 20]) + words[random() % 20] + words[random() % 20] +
                              std::to_string(random() % 1000) + ".com";
        // Expiry dates over twenty years, in the user's short date format.
        const std::string expires = FormatDayNumber(40000 + static_cast<int>(random() % 7300));
        // A checked table: a quarter free, an eighth in error, an eighth not yet checked.
        static const char* const results[] = {"NO", "NO", "NO", "NO", "YES", "YES", "RESULT ERROR", ""};
        rows.push_back(
            {std::move(caption),
             true,
             {results[i % 8], "Example Registrar, Inc.", "whois.example.com", expires, std::to_string(i), ""}});
    }
    return rows;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const std::filesystem::path folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();

    {
        TDomainTableModel model;
        TzqListView view(model);
        view.resize(800, 600);
        view.show();
        QApplication::processEvents();
        model.SetContents(MillionRows(), std::vector<std::string>(TableRows));
        view.SetSortColumn(2); // Registrar: one text for all
        view.SetSortType(stBoth);
        QApplication::processEvents();

        Report("sort 1,000,000 rows by Domain:", TimedMs([&] { view.ColClick(0); }));
        Report("  again, descending:", TimedMs([&] { view.ColClick(0); }));
        Report("sort 1,000,000 rows by Expires (dates):", TimedMs([&] { view.ColClick(4); }));
        Report("  again, ascending:", TimedMs([&] { view.ColClick(4); }));
        Report("  back to Domain:", TimedMs([&] { view.ColClick(0); }));

        // A result as the applier writes it: four slots and the row's answers entry.
        std::mt19937 random(11);
        constexpr int Results = 2000;
        double worst = 0;
        const double total = TimedMs([&] {
            for (int i = 0; i < Results; ++i) {
                const double one = TimedMs([&] {
                    const int row = static_cast<int>(random() % TableRows);
                    model.SetSlot(row, SlotAvailability, "YES");
                    model.SetSlot(row, SlotRegistrar, "Another Registrar");
                    model.SetSlot(row, SlotWhoisServer, "whois.another.example");
                    model.SetSlot(row, SlotExpires, "");
                    model.SetAnswer(model.AnswerIndexOf(row), BenchProject::Answer(static_cast<std::size_t>(row)));
                });
                worst = std::max(worst, one);
            }
        });
        std::printf("result applied with 1,000,000 rows shown: %8.3f ms mean, %.3f ms worst\n", total / Results, worst);
        Report("select all domains, 1,000,000 rows:", TimedMs([&] { view.SetAllChecked(false); }));

        // The filter over the whole table, repaint included, with a row selected.
        view.selectRow(10);
        TDomainSortProxy& proxy = view.SortProxy();
        for (const TDomainFilter filter : {TDomainFilter::Available, TDomainFilter::Errors, TDomainFilter::Unchecked,
                                           TDomainFilter::Registered, TDomainFilter::All}) {
            const double ms = TimedMs([&] { proxy.SetFilter(filter); });
            std::printf("filter 1,000,000 rows to %-10s %9.1f ms  (processor %.1f ms), %d shown\n",
                        std::string(FilterKeyText(filter)).c_str(), ms, LastCpuMs, proxy.ShownCount());
        }
        // Results that bring rows into a filtered view or take them out of it.
        proxy.SetFilter(TDomainFilter::Available);
        double worstShown = 0;
        const double shownTotal = TimedMs([&] {
            for (int i = 0; i < Results; ++i) {
                const double one = TimedMs([&] {
                    const int row = static_cast<int>(random() % TableRows);
                    model.SetSlot(row, SlotAvailability, i % 2 == 0 ? "YES" : "NO");
                });
                worstShown = std::max(worstShown, one);
            }
        });
        std::printf("result moving a row in or out of the filter: %8.3f ms mean (processor %.3f ms), %.3f ms worst\n",
                    shownTotal / Results, LastCpuMs / Results, worstShown);
        proxy.SetFilter(TDomainFilter::All);

        // Rows arriving in batches as generation adds them, kept sorted by Domain.
        view.ColClick(0);
        model.Clear();
        const std::vector<TDomainRow> rows = MillionRows();
        std::vector<std::string> captions;
        const double arrivals = TimedMs([&] {
            constexpr std::size_t Batch = 1 << 16;
            for (std::size_t first = 0; first < rows.size(); first += Batch) {
                captions.clear();
                for (std::size_t i = first; i < std::min(rows.size(), first + Batch); ++i)
                    captions.push_back(rows[i].Caption);
                model.AppendGenerated(captions);
                QApplication::processEvents();
            }
        });
        Report("1,000,000 generated rows, batches of 65,536:", arrivals);
    }

    {
        const std::string path = (folder / "bench-window.prj.xml").string();
        {
            TXMLSaveLoad writer;
            if (!SaveProject(writer, path, BenchProject::MakeProject()))
                return 1;
        }
        TXMLSaveLoad store;
        TDomainTableModel model;
        TzqListView view(model);
        view.SetSortType(stBoth);
        view.resize(800, 600);
        view.show();
        TBenchWorkspace workspace;
        TBenchPrompts prompts;
        prompts.Path = QString::fromStdString(path);
        TProjectController controller(store, view.SortProxy(), workspace, prompts, {});
        bool opened = false;
        Report("open 100,000-row project into the window:", TimedMs([&] { opened = controller.Open(); }));
        if (!opened || model.RowCount() != static_cast<int>(BenchProject::RowCount))
            return 1;
        bool saved = false;
        Report("save it back:", TimedMs([&] { saved = controller.SaveProject(prompts.Path); }));
        std::filesystem::remove(path);
        if (!saved)
            return 1;
    }
    return 0;
}
