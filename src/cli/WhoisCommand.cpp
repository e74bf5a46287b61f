#include "cli/CliCommands.h"

#include <cstdio>

int RunWhoisCommand(const std::vector<std::string>&)
{
    std::fputs("quarrow-cli: the whois command is not built yet\n", stderr);
    return ExitUsage;
}
