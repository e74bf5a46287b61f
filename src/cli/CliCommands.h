#pragma once

#include <string>
#include <vector>

// The sub-commands of quarrow-cli. Each takes the arguments after its own name and returns the
// process exit status: 0 on success, 2 on bad usage or an unreadable file (with a one-line
// message on standard error naming what was wrong).
int RunGenerateCommand(const std::vector<std::string>& args);
int RunWhoisCommand(const std::vector<std::string>& args);
int RunCheckCommand(const std::vector<std::string>& args);
int RunExportCommand(const std::vector<std::string>& args);

inline constexpr int ExitSuccess = 0;
inline constexpr int ExitUsage = 2;
