#include "engine/GenerateCommand.h"

#include "models/DomainTableModel.h"
#include "models/WordLists.h"

#include <QTimer>

#include <algorithm>

namespace {

// Names made between two looks at the clock: small enough to keep a part near its time.
constexpr std::size_t NameStep = 4096;

} // namespace

TGenerateCommand::TGenerateCommand(TCustomDomainNameGenerator& generator, TWordLists& lists, TDomainTableModel& model,
                                   QObject* parent)
    : QObject(parent), Generator(generator), Lists(lists), Model(model)
{
}

void TGenerateCommand::Run(bool useHyphens)
{
    if (Running)
        return;
    Running = true;
    CancelFlag = false;
    Filling = false;
    RowsAdded = 0;
    emit BusyChanged(true);

    bool started = false;
    try {
        Model.Clear();
        Generator.SetUsePrefix(Lists.UsePrefix());
        Generator.SetUseSuffix(Lists.UseSuffix());
        Generator.SetUseHyphens(useHyphens);
        Generator.Prefixes() = Lists.UsePrefix() ? Lists.Prefixes().CollectTicked() : std::vector<std::string>{};
        Generator.Keywords() = Lists.Keywords().CollectTicked();
        Generator.Suffixes() = Lists.UseSuffix() ? Lists.Suffixes().CollectTicked() : std::vector<std::string>{};
        Generator.Tlds() = Lists.Tlds().CollectTicked();
        started = Generator.Start();
    } catch (...) {
        Finish();
        throw;
    }
    if (!started) {
        emit Progress(0, 1);
        Finish();
        return;
    }
    ScheduleNext();
}

void TGenerateCommand::Cancel()
{
    if (Running)
        CancelFlag = true;
}

void TGenerateCommand::ScheduleNext()
{
    QTimer::singleShot(0, this, &TGenerateCommand::Continue);
}

void TGenerateCommand::Continue()
{
    if (!Running)
        return;
    if (!CancelFlag) {
        if (Filling)
            AddRows();
        else
            MakeNames();
    }
    // A run cancelled while names were made or rows added leaves no half table behind.
    if (CancelFlag) {
        Model.Clear();
        emit Progress(0, 1);
        Finish();
        return;
    }
    if (Filling && RowsAdded == Generator.Names().Count()) {
        emit Progress(0, std::max(Model.RowCount(), 1));
        Finish();
        return;
    }
    ScheduleNext();
}

void TGenerateCommand::MakeNames()
{
    PartTimer.start();
    bool more = true;
    while (more && PartTimer.elapsed() < EventIntervalMs)
        more = Generator.Step(NameStep);
    emit Progress(static_cast<int>(Generator.Made()), static_cast<int>(Generator.Planned()));
    if (!more) {
        const TNameList& names = Generator.Names();
        Model.ReserveRows(names.Count(), names.TextBytes());
        Filling = true;
    }
}

void TGenerateCommand::AddRows()
{
    const TNameList& names = Generator.Names();
    const std::size_t count = names.Count();
    const std::size_t last = std::min(count, RowsAdded + static_cast<std::size_t>(RowBatch));
    std::vector<std::string_view> batch;
    batch.reserve(last - RowsAdded);
    for (std::size_t i = RowsAdded; i < last; ++i)
        batch.push_back(names[i]);
    Model.AppendGeneratedNames(batch);
    RowsAdded = last;
    emit Progress(static_cast<int>(last), static_cast<int>(count));
}

void TGenerateCommand::Finish()
{
    // The table holds its own copy of the names: a million of them are worth giving back.
    Generator.ClearNames();
    Running = false;
    emit BusyChanged(false);
    emit Finished();
}
