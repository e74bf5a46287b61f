#include "cli/CheckRecords.h"

#include "cli/CliCommands.h"
#include "core/ExpiryDate.h"
#include "models/IdnaName.h"

#include <cstdio>

namespace {

std::vector<std::string> Columns(bool withAnswers)
{
    std::vector<std::string> columns = {"domain", "availability", "registrar", "whois_server", "expires"};
    if (withAnswers)
        columns.emplace_back("answers");
    // The name as servers were asked it; after the older columns, so that readers by position
    // keep working. Empty for a name no server may be asked.
    columns.emplace_back("ace");
    return columns;
}

// The expiry date as ISO yyyy-mm-dd, or the marked raw text when the date could not be read.
std::string ExpiryOf(const TDomainTableModel& model, int row)
{
    if (model.ExpiryUnreadable(row))
        return model.Slot(row, SlotExpires);
    return IsoDateFromDayNumber(model.ExpiryDay(row));
}

} // namespace

TCheckRecords::TCheckRecords(const TDomainTableModel& model, TRecordFormat format, bool withAnswers,
                             const std::vector<int>& recordRows)
    : Model(model), WithAnswers(withAnswers), Writer(format, Columns(withAnswers)), RecordRows(recordRows),
      Occurrences(static_cast<std::size_t>(model.RowCount()), 0),
      Done(static_cast<std::size_t>(model.RowCount()), false)
{
    Writer.EndEachLine();
    for (const int row : RecordRows)
        ++Occurrences[static_cast<std::size_t>(row)];
}

void TCheckRecords::Write(std::string_view text)
{
    if (OutputFailed)
        return;
    OutputFailed = !WriteOut(text) || std::fflush(stdout) != 0;
}

void TCheckRecords::Begin()
{
    Write(Writer.Begin());
}

bool TCheckRecords::Written(int row) const
{
    return row >= 0 && static_cast<std::size_t>(row) < Done.size() && Done[static_cast<std::size_t>(row)];
}

void TCheckRecords::RowFinished(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= Done.size() || Done[static_cast<std::size_t>(row)] ||
        Occurrences[static_cast<std::size_t>(row)] == 0)
        return;
    Done[static_cast<std::size_t>(row)] = true;
    const std::string domain = Model.Caption(row);
    const std::string availability = Model.Slot(row, SlotAvailability);
    const std::string registrar = Model.Slot(row, SlotRegistrar);
    const std::string whoisServer = Model.Slot(row, SlotWhoisServer);
    const std::string expires = ExpiryOf(Model, row);
    const std::string ace = TIdnaName::Of(domain).Ace;
    std::vector<TRecordField> fields = {domain, availability, registrar, whoisServer, expires};
    if (WithAnswers) {
        const int entry = Model.AnswerIndexOf(row);
        fields.emplace_back(entry >= 0 ? std::string_view(Model.AnswerLog()[static_cast<std::size_t>(entry)])
                                       : std::string_view());
    }
    fields.emplace_back(ace);
    // One write for all of the row's records, so that a reader never sees half of them.
    std::string text;
    for (int i = 0; i < Occurrences[static_cast<std::size_t>(row)]; ++i)
        text += Writer.Record(fields);
    Write(text);
}

void TCheckRecords::Finish()
{
    for (const int row : RecordRows)
        RowFinished(row);
    Write(Writer.End());
}
