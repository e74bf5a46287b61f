#pragma once

#include <string>
#include <string_view>

// Field encodings of the record exports (CSV, JSON, TSV). CSV and JSON come out as valid UTF-8
// whatever the bytes: a text that is not valid UTF-8 is taken as Latin-1, as the window shows it,
// so that no byte is lost and one hostile answer cannot spoil a whole document.

// CSV and TSV are opened by spreadsheets, which run a cell that starts with "=", "+", "-", "@", a tab
// or a carriage return as a formula: such a field gets a leading "'" (the spreadsheets' mark for
// text), so that what a WHOIS host sends is shown and never run. JSON keeps every text exact.

// A CSV field: quoted, with doubled quotes, when it holds a comma, a quote or a line break.
std::string CsvField(std::string_view text);

// A JSON string literal, control characters escaped.
std::string JsonString(std::string_view text);

// A TSV field: bytes kept, but tab, line breaks, backslash and every other control character
// escaped ("\t", "\n", "\r", "\\", "\xHH"), so that a record stays one line of tab-separated fields.
std::string TsvField(std::string_view text);
