#include "cli/ArgumentReader.h"
#include "cli/CliCommands.h"
#include "engine/Folders.h"
#include "settings/ShippedData.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct TCommand
{
    const char* Name;
    const char* Synopsis; // the arguments after the command's name
    const char* Summary;
    int (*Run)(const std::vector<std::string>& args);
};

const TCommand Commands[] = {
    {"generate", "[--prefix W,...] [--keyword W,...] [--suffix W,...] --tld T|@GROUP,... [--hyphens] [-o FILE.prj.xml]",
     "print the names made of the words, or write them into a new project", RunGenerateCommand},
    {"check",
     "[--config FILE] [--threads N] [--attempts N] [--pause MS] [--timeout SECONDS]\n"
     "                         [--format tsv|csv|json] [--answers] (NAME... | - | --project FILE.prj.xml "
     "[--errors-only])",
     "check names against the WHOIS server of their top-level domain", RunCheckCommand},
    {"whois", "[--config FILE] [--host HOST] [--timeout SECONDS] NAME", "print the answer of one WHOIS query",
     RunWhoisCommand},
    {"export", "FILE.prj.xml (--html OUT | --csv | --json)", "print a project's table, or write it as an HTML report",
     RunExportCommand},
    {"rdap-bootstrap", "[--config FILE] FILE",
     "install a downloaded RDAP bootstrap file (which RDAP service answers for which top-level domain)",
     RunRdapBootstrapCommand},
};

const char* const ExitStatusHelp =
    "exit status: 0 done; 1 output cut short or a name without a result; 2 bad usage, or a file that\n"
    "cannot be read or written; 3 (check) at least one name ended \"RESULT ERROR\"\n";

const TCommand* FindCommand(const std::string& name)
{
    for (const TCommand& command : Commands)
        if (name == command.Name)
            return &command;
    return nullptr;
}

void PrintUsage(FILE* out)
{
    const char* lead = "usage: ";
    for (const TCommand& command : Commands) {
        std::fprintf(out, "%squarrow-cli %s %s\n", lead, command.Name, command.Synopsis);
        lead = "       ";
    }
    std::fprintf(out, "%squarrow-cli --help | --version | COMMAND --help\n", lead);
    std::fputs(ExitStatusHelp, out);
}

int PrintHelp(const TCommand* command, const std::string& optionLines)
{
    if (!command) {
        PrintUsage(stdout);
        std::fputs("\ncommands:\n", stdout);
        for (const TCommand& each : Commands)
            std::printf("  %-16s%s\n", each.Name, each.Summary);
    } else {
        std::printf("usage: quarrow-cli %s %s\n%s.\n", command->Name, command->Synopsis, command->Summary);
        if (!optionLines.empty())
            std::printf("\noptions:\n%s", optionLines.c_str());
    }
    return std::fflush(stdout) == 0 ? ExitSuccess : ExitIncomplete;
}

// The help of a command comes from the table its own argument reader reads.
int PrintCommandHelp(const TCommand& command)
{
    try {
        command.Run({"--help"});
    } catch (const THelpRequest& request) {
        return PrintHelp(&command, request.OptionLines);
    }
    return PrintHelp(&command, {});
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
    const std::string name = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (name == "--version") {
        std::printf("quarrow-cli %s\n", QUARROW_VERSION);
        return std::fflush(stdout) == 0 ? ExitSuccess : ExitIncomplete;
    }
    if (name == "--help" || name == "-h" || name == "help") {
        if (args.empty())
            return PrintHelp(nullptr, {});
        if (const TCommand* command = FindCommand(args.front()))
            return PrintCommandHelp(*command);
    }
    const TCommand* command = FindCommand(name);
    if (!command) {
        std::fprintf(stderr, "quarrow-cli: unknown command \"%s\"\n",
                     name == "help" ? args.front().c_str() : name.c_str());
        PrintUsage(stderr);
        return ExitUsage;
    }
    if (TArgumentReader::AsksForHelp(args))
        return PrintCommandHelp(*command);
    try {
        const TFolders folders = ComputeFolders();
        if (const TDataFolderStatus data = TShippedData(folders.ProgramFolder).InstallDefaults(folders.DataFolder);
            !data.CanSave)
            std::fprintf(stderr, "quarrow-cli: %s\n", data.Message.c_str());
        else if (!data.Notice.empty())
            std::fprintf(stderr, "quarrow-cli: %s\n", data.Notice.c_str());
        return command->Run(args);
    } catch (const TUsageError& error) {
        ReportFailure(name, error.what());
        return ExitUsage;
    }
}
