#include "engine/GenerateCommand.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// Thrown through the generator by a cancelled run; it never leaves Run.
struct TGenerateCancelled
{
};

} // namespace

TGenerateCommand::TGenerateCommand(TCustomDomainNameGenerator& generator, TWordLists& lists, TDomainTableModel& model,
                                   QObject* parent)
    : QObject(parent), Generator(generator), Lists(lists), Model(model)
{
    Generator.SetOnProgress(
        [this](TCustomDomainNameGenerator&, int current, int total) { OnGeneratorProgress(current, total); });
}

void TGenerateCommand::Run(bool useHyphens)
{
    if (Running)
        return;
    Running = true;
    CancelFlag = false;
    emit BusyChanged(true);
    struct TEnd
    {
        TGenerateCommand& Command;
        ~TEnd()
        {
            // The table holds its own copy of the names: a million of them are worth giving back.
            Command.Generator.ClearNames();
            Command.Running = false;
            emit Command.BusyChanged(false);
            emit Command.Finished();
        }
    } end{*this};

    Model.Clear();
    Generator.SetUsePrefix(Lists.UsePrefix());
    Generator.SetUseSuffix(Lists.UseSuffix());
    Generator.SetUseHyphens(useHyphens);
    Generator.Prefixes() = Lists.UsePrefix() ? Lists.Prefixes().CollectTicked() : std::vector<std::string>{};
    Generator.Keywords() = Lists.Keywords().CollectTicked();
    Generator.Suffixes() = Lists.UseSuffix() ? Lists.Suffixes().CollectTicked() : std::vector<std::string>{};
    Generator.Tlds() = Lists.Tlds().CollectTicked();

    SinceEvents.start();
    bool generated = false;
    try {
        generated = Generator.Generate();
    } catch (const TGenerateCancelled&) {
        return;
    }
    if (generated && !CancelFlag)
        FillTable();
    emit Progress(0, std::max(Model.RowCount(), 1));
}

void TGenerateCommand::Cancel()
{
    if (Running)
        CancelFlag = true;
}

void TGenerateCommand::OnGeneratorProgress(int current, int total)
{
    if (current != 1 && current != total && SinceEvents.elapsed() < EventIntervalMs)
        return;
    emit Progress(current, total);
    HandleEvents();
    if (CancelFlag)
        throw TGenerateCancelled{};
}

void TGenerateCommand::FillTable()
{
    const TNameList& names = Generator.Names();
    const std::size_t count = names.Count();
    Model.ReserveRows(count, names.TextBytes());
    std::vector<std::string_view> batch;
    for (std::size_t first = 0; first < count && !CancelFlag; first += RowBatch) {
        const std::size_t last = std::min(count, first + static_cast<std::size_t>(RowBatch));
        batch.clear();
        batch.reserve(last - first);
        for (std::size_t i = first; i < last; ++i)
            batch.push_back(names[i]);
        Model.AppendGeneratedNames(batch);
        emit Progress(static_cast<int>(last), static_cast<int>(count));
        HandleEvents();
    }
    // A run cancelled while rows were being added leaves no half table behind.
    if (CancelFlag)
        Model.Clear();
}

void TGenerateCommand::HandleEvents()
{
    QCoreApplication::processEvents();
    SinceEvents.restart();
}
