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

    // Each record's text then ends its line, so that a reader of a file that is still growing
    // finds every record written so far whole; JSON then puts the comma between two records at
    // the start of the second one's line ("[", "  {...}", ", {...}", "]").
    void EndEachLine() { LineEnded = true; }

    std::string Begin() const;
    std::string Record(const std::vector<TRecordField>& fields);
    std::string End() const;

    // What a table's records need that this layer cannot make itself: the name as servers are asked
    // it ("ace"; empty for a name no server may be asked), and the Expires cell in its exported
    // form (the window keeps it in the user's date format, exports write it as check does).
    struct TTableTexts
    {
        std::function<std::string(const std::string&)> AceOf;
        std::function<std::string(const std::string&)> ExpiryOf;
    };
    // A domain table as the exports give it (quarrow-cli export and the window's File > Export):
    // one record per row with its name, tick, availability, registrar, WHOIS server and expiry,
    // and last "ace". It comes after the older columns so that readers that go by position keep
    // working. `write` takes each piece in turn; once it returns false nothing more is written and
    // false is returned.
    static bool WriteTable(const std::vector<TDomainRow>& rows, TRecordFormat format, const TTableTexts& texts,
                           const std::function<bool(std::string_view)>& write);
    // The same into a file, replaced atomically: on failure the old file stays as it was and the
    // thrown TQuarrowError says why.
    static void SaveTable(const std::string& path, const std::vector<TDomainRow>& rows, TRecordFormat format,
                          const TTableTexts& texts);

private:
    TRecordFormat Format;
    std::vector<std::string> Columns;
    std::size_t Written = 0;
    bool LineEnded = false;
};
