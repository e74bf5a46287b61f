#pragma once

#include <string>
#include <string_view>

// Field encodings shared by the command line's CSV and JSON outputs.

// A CSV field: quoted, with doubled quotes, when it holds a comma, a quote or a line break.
std::string CsvField(std::string_view text);

// A JSON string literal. JSON wants UTF-8: texts that are not valid UTF-8 are taken as Latin-1,
// as the window shows them, so that no byte is lost.
std::string JsonString(std::string_view text);
