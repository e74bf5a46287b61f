#pragma once

#include <map>
#include <string>
#include <vector>

// Runs a program to its end with captured standard output and error, for tests of the programs.
struct TProcessResult
{
    int ExitStatus = -1; // -1 when the program did not exit normally (killed by a signal)
    std::string Out;
    std::string Err;
    long PeakMemoryKb = 0; // the program's largest resident set
};

enum class TStandardOutput
{
    File,      // captured into Out
    ClosedPipe // a pipe nobody reads: writes fail with EPIPE (and SIGPIPE, unless ignored)
};

// argv[0] is the program's path. `env` entries replace or add to this process's environment for
// the child only; `input` is what the child reads on its standard input.
TProcessResult RunProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env = {},
                          const std::string& input = {}, TStandardOutput output = TStandardOutput::File);

// The lines of a program's output (each with its line break), sorted: for records that come in the
// order results arrive, where that order is not what a test is about.
std::vector<std::string> SortedLines(const std::string& text);
