#include "project/RecordWriter.h"

#include "base/AtomicFileWriter.h"
#include "base/QuarrowError.h"
#include "project/RecordFields.h"

TRecordWriter::TRecordWriter(TRecordFormat format, std::vector<std::string> columns)
    : Format(format), Columns(std::move(columns))
{
}

std::string TRecordWriter::Begin() const
{
    switch (Format) {
    case TRecordFormat::Csv: {
        std::string header;
        for (const std::string& column : Columns)
            header += (header.empty() ? "" : ",") + CsvField(column);
        return header + "\r\n";
    }
    case TRecordFormat::Json:
        return LineEnded ? "[\n" : "[";
    case TRecordFormat::Tsv:
        break;
    }
    return {};
}

std::string TRecordWriter::Record(const std::vector<TRecordField>& fields)
{
    const auto text = [&](std::size_t i, auto encode) -> std::string {
        if (const bool* flag = std::get_if<bool>(&fields[i]))
            return Format == TRecordFormat::Json ? (*flag ? "true" : "false") : (*flag ? "1" : "0");
        return encode(std::get<std::string_view>(fields[i]));
    };
    std::string line;
    switch (Format) {
    case TRecordFormat::Tsv:
        for (std::size_t i = 0; i < fields.size(); ++i)
            line += (i == 0 ? "" : "\t") + text(i, TsvField);
        line += '\n';
        break;
    case TRecordFormat::Csv:
        for (std::size_t i = 0; i < fields.size(); ++i)
            line += (i == 0 ? "" : ",") + text(i, CsvField);
        line += "\r\n";
        break;
    case TRecordFormat::Json:
        if (LineEnded)
            line = Written == 0 ? "  {" : ", {";
        else
            line = Written == 0 ? "\n  {" : ",\n  {";
        for (std::size_t i = 0; i < fields.size() && i < Columns.size(); ++i)
            line += (i == 0 ? "" : ", ") + JsonString(Columns[i]) + ": " + text(i, JsonString);
        line += LineEnded ? "}\n" : "}";
        break;
    }
    ++Written;
    return line;
}

std::string TRecordWriter::End() const
{
    if (Format != TRecordFormat::Json)
        return {};
    return Written == 0 || LineEnded ? "]\n" : "\n]\n";
}

namespace {

std::string_view SlotOf(const TDomainRow& row, std::size_t slot)
{
    return slot < row.Slots.size() ? std::string_view(row.Slots[slot]) : std::string_view();
}

} // namespace

bool TRecordWriter::WriteTable(const std::vector<TDomainRow>& rows, TRecordFormat format, const TTableTexts& texts,
                               const std::function<bool(std::string_view)>& write)
{
    TRecordWriter writer(format, {"domain", "checked", "availability", "registrar", "whois_server", "expires", "ace"});
    if (!write(writer.Begin()))
        return false;
    for (const TDomainRow& row : rows)
        if (!write(writer.Record({row.Caption, row.Checked, SlotOf(row, SlotAvailability), SlotOf(row, SlotRegistrar),
                                  SlotOf(row, SlotWhoisServer), texts.ExpiryOf(std::string(SlotOf(row, SlotExpires))),
                                  texts.AceOf(row.Caption)})))
            return false;
    return write(writer.End());
}

void TRecordWriter::SaveTable(const std::string& path, const std::vector<TDomainRow>& rows, TRecordFormat format,
                              const TTableTexts& texts)
{
    TAtomicFileWriter file(path);
    // Records are gathered into larger writes: a million rows are a million short records.
    constexpr std::size_t BufferBytes = 1 << 20;
    std::string buffer;
    buffer.reserve(BufferBytes + 4096);
    WriteTable(rows, format, texts, [&](std::string_view piece) {
        buffer += piece;
        if (buffer.size() >= BufferBytes) {
            file.Write(buffer);
            buffer.clear();
        }
        return !file.Failed();
    });
    file.Write(buffer);
    if (!file.Commit())
        throw TQuarrowError(file.Error());
}
