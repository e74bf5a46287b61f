#pragma once

#include <string>
#include <string_view>
#include <vector>

// The names of `check -`: one a line, lines ending at LF, CR LF or a lone CR (as files from any
// system end them), each trimmed of blanks and control characters; blank lines give no name.
std::vector<std::string> NamesFromStandardInput(std::string_view text);
