#pragma once

#include <map>
#include <string>
#include <vector>

// Runs a program to its end with captured standard output and error, for tests of quarrow-cli.
struct TProcessResult
{
    int ExitStatus = -1; // -1 when the program did not exit normally
    std::string Out;
    std::string Err;
};

// `env` entries replace or add to this process's environment for the child only.
TProcessResult RunProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env = {});
