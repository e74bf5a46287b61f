#include "project/RecordWriter.h"

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
        return "[";
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
        line = Written == 0 ? "\n  {" : ",\n  {";
        for (std::size_t i = 0; i < fields.size() && i < Columns.size(); ++i)
            line += (i == 0 ? "" : ", ") + JsonString(Columns[i]) + ": " + text(i, JsonString);
        line += '}';
        break;
    }
    ++Written;
    return line;
}

std::string TRecordWriter::End() const
{
    if (Format != TRecordFormat::Json)
        return {};
    return Written == 0 ? "]\n" : "\n]\n";
}
