#include "cli/CliCommands.h"

#include <cstdio>

int RunGenerateCommand(const std::vector<std::string>&)
{
    std::fputs("quarrow-cli: the generate command is not built yet\n", stderr);
    return ExitUsage;
}
