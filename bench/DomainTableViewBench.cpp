// The domain table in a shown window (offscreen): sorting 1,000,000 rows by Domain and by an
// Expires column full of dates, a result applied while they are shown, ticking them all, rows
// arriving in generation batches, and opening and saving the 100,000-row project of the store
// benchmark through the project commands. Prints one line per measure.
//
//   bench_domain_table [FOLDER]     (default: the system's temporary folder)
//   bench_domain_table --qt-proxy   the same sorts, results and arrivals through Qt's own sort and
//                                   filter proxy with typed sort roles, to compare with the first
//                                   part of a plain run in the same conditions
#include "BenchProject.h"
#include "engine/ProjectController.h"
#include "gui/ZqListView.h"
#include "models/DomainSortProxy.h"
#include "models/DomainTableModel.h"
#include "models/ExpiryDateFormat.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSortFilterProxyModel>
#include <QTableView>

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

// The rows of a checked table.
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
        const int day = 40000 + static_cast<int>(random() % 7300);
        const std::string expires = FormatDayNumber(day);
        // A checked table: a quarter free, an eighth in error, an eighth not yet checked.
        static const char* const results[] = {"NO", "NO", "NO", "NO", "YES", "YES", "RESULT ERROR", ""};
        rows.push_back(
            {std::move(caption),
             true,
             {results[i % 8], "Example Registrar, Inc.", "whois.example.com", expires, std::to_string(i), ""}});
    }
    return rows;
}

// Results as the applier writes them (verdict, registrar, server, expiry and the row's answers
// entry) into random rows of the shown table, one repaint each.
void ApplyResults(TDomainTableModel& model, std::mt19937& random)
{
    constexpr int Results = 2000;
    double worst = 0;
    const double total = TimedMs([&] {
        for (int i = 0; i < Results; ++i) {
            const double one = TimedMs([&] {
                const int row = static_cast<int>(random() % TableRows);
                model.SetResult(row, {TRowResult::Available, BenchProject::Answer(static_cast<std::size_t>(row)),
                                      "Another Registrar", "whois.another.example", TExpiryResult{}});
            });
            worst = std::max(worst, one);
        }
    });
    std::printf("result applied with 1,000,000 rows shown: %8.3f ms mean, %.3f ms worst\n", total / Results, worst);
}

// A new table of 1,000,000 rows arriving in batches as generation adds them.
void GenerateInBatches(TDomainTableModel& model)
{
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

// The candidate for the hand-made proxy: Qt's sort and filter proxy, ordering by typed roles in
// lessThan (the caption's bytes, as the C locale orders them, and the expiry day number) and
// filtering by the result role in filterAcceptsRow. Nothing else is overridden.
class TQtSortProxy : public QSortFilterProxyModel
{
public:
    explicit TQtSortProxy(TDomainTableModel& model)
    {
        setSourceModel(&model);
        setDynamicSortFilter(true);
    }
    void SetFilter(TDomainFilter filter)
    {
        Filter = filter;
        invalidateRowsFilter();
    }

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override
    {
        if (left.column() == TDomainTableModel::ColumnExpires)
            return left.data(TDomainTableModel::ExpiryDayRole).toInt() <
                   right.data(TDomainTableModel::ExpiryDayRole).toInt();
        return left.data(TDomainTableModel::RawTextRole).toByteArray() <
               right.data(TDomainTableModel::RawTextRole).toByteArray();
    }
    bool filterAcceptsRow(int sourceRow, const QModelIndex&) const override
    {
        const QModelIndex cell = sourceModel()->index(sourceRow, 0);
        return FilterShows(Filter, static_cast<TRowResult>(cell.data(TDomainTableModel::ResultRole).toInt()));
    }

private:
    TDomainFilter Filter = TDomainFilter::All;
};

int RunQtProxy()
{
    TDomainTableModel model;
    // Loading reads each row's expiry day back from its text, so the typed role has it.
    model.SetContents(MillionRows(), std::vector<std::string>(TableRows));
    TQtSortProxy proxy(model);
    QTableView view;
    view.setModel(&proxy);
    view.resize(800, 600);
    view.show();
    QApplication::processEvents();
    Report("sort 1,000,000 rows by Domain:", TimedMs([&] { proxy.sort(0, Qt::AscendingOrder); }));
    Report("  again, descending:", TimedMs([&] { proxy.sort(0, Qt::DescendingOrder); }));
    Report("sort 1,000,000 rows by Expires (dates):", TimedMs([&] { proxy.sort(4, Qt::DescendingOrder); }));
    Report("  again, ascending:", TimedMs([&] { proxy.sort(4, Qt::AscendingOrder); }));
    Report("  back to Domain:", TimedMs([&] { proxy.sort(0, Qt::AscendingOrder); }));
    std::mt19937 random(11);
    ApplyResults(model, random);
    for (const TDomainFilter filter : {TDomainFilter::Available, TDomainFilter::All}) {
        const double ms = TimedMs([&] { proxy.SetFilter(filter); });
        std::printf("filter 1,000,000 rows to %-10s %9.1f ms  (processor %.1f ms), %d shown\n",
                    std::string(FilterKeyText(filter)).c_str(), ms, LastCpuMs, proxy.rowCount());
    }
    GenerateInBatches(model);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc > 1 && std::string_view(argv[1]) == "--qt-proxy")
        return RunQtProxy();
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

        std::mt19937 random(11);
        ApplyResults(model, random);
        constexpr int Results = 2000;
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
        GenerateInBatches(model);
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
