#pragma once

#include <string>
#include <string_view>
#include <vector>

// The sub-commands of quarrow-cli. Each takes the arguments after its own name and returns the
// process exit status. Bad usage and files that cannot be read are thrown as TUsageError
// (cli/ArgumentReader.h); main reports them on one line and exits with ExitUsage.
int RunGenerateCommand(const std::vector<std::string>& args);
int RunWhoisCommand(const std::vector<std::string>& args);
int RunCheckCommand(const std::vector<std::string>& args);
int RunExportCommand(const std::vector<std::string>& args);
int RunRdapBootstrapCommand(const std::vector<std::string>& args);

inline constexpr int ExitSuccess = 0;
// A name without a result (check), or standard output closed early (generate, export).
inline constexpr int ExitIncomplete = 1;
inline constexpr int ExitUsage = 2;
// check: at least one row ended "RESULT ERROR" (a host or proxy that failed every attempt).
inline constexpr int ExitResultError = 3;

// Reports a failure as "quarrow-cli: COMMAND: MESSAGE" on one line of standard error.
void ReportFailure(const std::string& command, std::string message);
// Writes all of `text` to standard output; false when it cannot (a closed pipe, a full disk).
bool WriteOut(std::string_view text);
// Throws TUsageError naming `what` ("configuration file") and the path unless a regular file that
// can be read is there. Decided from the file's status alone: a pipe is refused, never opened.
void RequireReadableFile(const std::string& path, const std::string& what);
