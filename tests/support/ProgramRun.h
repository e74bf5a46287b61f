#pragma once

#include <string>
#include <vector>

// Runs a program to its end with `input` on its standard input and collects what it wrote.
struct TProgramResult
{
    int ExitStatus = -1; // -1 when the program did not exit normally (killed by a signal)
    std::string Out;
    std::string Err;
};

TProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args, const std::string& input = {});
