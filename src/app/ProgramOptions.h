#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The desktop program's own options, answered before the window system is asked for anything, so
// that `quarrow --help` and `quarrow --version` also work on a console without a display.
// `args` are the arguments after the program's name. When they ask for help or the version, the
// answer goes to `out` and the exit status is returned; otherwise nothing happens and the program
// starts (the toolkit's own options and a FILE to open are the window's).
std::optional<int> AnswerInfoOptions(const std::vector<std::string>& args, std::string_view version, std::FILE* out);
