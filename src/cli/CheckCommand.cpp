#include "cli/CliCommands.h"

#include <cstdio>

int RunCheckCommand(const std::vector<std::string>&)
{
    std::fputs("quarrow-cli: the check command is not built yet\n", stderr);
    return ExitUsage;
}
