#include "cli/CliCommands.h"

#include <cstdio>

int RunExportCommand(const std::vector<std::string>&)
{
    std::fputs("quarrow-cli: the export command is not built yet\n", stderr);
    return ExitUsage;
}
