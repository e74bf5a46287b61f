#include "cli/ArgumentReader.h"
#include "cli/CliCommands.h"
#include "config/Folders.h"
#include "config/ShippedData.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void PrintUsage(FILE* out)
{
    std::fputs(
        "usage: quarrow-cli generate [--prefix W,...] [--keyword W,...] [--suffix W,...] --tld T,... [--hyphens] "
        "[-o FILE.prj.xml]\n"
        "       quarrow-cli check [--config FILE] [--threads N] [--attempts N] [--pause MS] [--timeout SECONDS]\n"
        "                         [--format tsv|csv|json] [--answers] (NAME... | - | --project FILE.prj.xml)\n"
        "       quarrow-cli whois [--config FILE] [--host HOST] [--timeout SECONDS] NAME\n"
        "       quarrow-cli export FILE.prj.xml (--html OUT | --csv | --json)\n"
        "exit status: 0 done; 1 output cut short or a name without a result; 2 bad usage, or a file that\n"
        "cannot be read or written; 3 (check) at least one name ended \"RESULT ERROR\"\n",
        out);
}

} // namespace

int main(int argc, char* argv[])
{
    // A reader that goes away (`| head`) must show up as a failed write, not kill the program
    // before it has saved what it was asked to save.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc < 2) {
        PrintUsage(stderr);
        return ExitUsage;
    }
    const std::string command = argv[1];
    const TFolders folders = ComputeFolders();
    if (const TDataFolderStatus data = TShippedData(folders.ProgramFolder).InstallDefaults(folders.DataFolder);
        !data.CanSave)
        std::fprintf(stderr, "quarrow-cli: %s\n", data.Message.c_str());
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "--help" || command == "-h" || command == "help") {
        PrintUsage(stdout);
        return std::fflush(stdout) == 0 ? ExitSuccess : ExitIncomplete;
    }
    try {
        if (command == "generate")
            return RunGenerateCommand(args);
        if (command == "check")
            return RunCheckCommand(args);
        if (command == "whois")
            return RunWhoisCommand(args);
        if (command == "export")
            return RunExportCommand(args);
    } catch (const TUsageError& error) {
        ReportFailure(command, error.what());
        return ExitUsage;
    }
    std::fprintf(stderr, "quarrow-cli: unknown command \"%s\"\n", command.c_str());
    PrintUsage(stderr);
    return ExitUsage;
}
