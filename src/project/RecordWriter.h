#pragma once

#include "core/DomainRow.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

enum class TRecordFormat
{
    Tsv, // one line per record, no header
    Csv, // a header line of the column names, CR LF line ends
    Json // an array of objects keyed by the column names
};

// One field of a record: a text, or a yes/no value (true/false in JSON, 1/0 otherwise).
using TRecordField = std::variant<std::string_view, bool>;

// Writes a table of records in one of the export formats, piece by piece, so that a long table
// can go out as it is produced: Begin(), then Record() for each record, then End(). Each call
// returns the text to write; the fields of a record follow the columns given.
class TRecordWriter
{
public:
    TRecordWriter(TRecordFormat format, std::vector<std::string> columns);

    std::string Begin() const;
    std::string Record(const std::vector<TRecordField>& fields);
    std::string End() const;

    // A domain table as the exports give it (quarrow-cli export and the window's File > Export):
    // one record per row with its name, tick, availability, registrar, WHOIS server and expiry
    // text. `write` takes each piece in turn; once it returns false nothing more is written and
    // false is returned.
    static bool WriteTable(const std::vector<TDomainRow>& rows, TRecordFormat format,
                           const std::function<bool(std::string_view)>& write);
    // The same into a file, replaced atomically: on failure the old file stays as it was and the
    // thrown TQuarrowError says why.
    static void SaveTable(const std::string& path, const std::vector<TDomainRow>& rows, TRecordFormat format);

private:
    TRecordFormat Format;
    std::vector<std::string> Columns;
    std::size_t Written = 0;
};
