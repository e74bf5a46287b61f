#include "cli/ArgumentReader.h"
#include "cli/CliCommands.h"

#include "base/AsciiText.h"
#include "base/QuarrowError.h"
#include "core/CustomDomainNameGenerator.h"
#include "core/SplitWords.h"
#include "engine/Folders.h"
#include "models/DomainTableModel.h"
#include "models/IdnaName.h"
#include "project/ProjectFile.h"
#include "settings/TldGroups.h"

#include <climits>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

// What the command line of "generate" asks for. Word lists hold the words of every use of their
// option, in order; a list's option switches its affix on even when it names no word.
struct TGenerateOptions
{
    std::vector<std::string> Prefixes;
    std::vector<std::string> Keywords;
    std::vector<std::string> Suffixes;
    std::vector<std::string> Tlds;
    bool UsePrefix = false;
    bool UseSuffix = false;
    bool UseHyphens = false;
    // --ace: internationalised names printed in A-labels, as servers are asked them.
    bool Ace = false;
    // With -o: the project file to write instead of printing the names.
    std::string ProjectPath;
};

// A generous estimate of the memory a generated row costs on its way into a project file (table
// row, plain row with six slots, answers entry, document nodes and their text).
constexpr unsigned long long ProjectBytesPerRow = 1024;

// Appends the comma-separated words of `text`, read as a word page reads a typed list; blank words
// are left out, since a blank keyword would only produce names such as ".com".
void AppendWords(std::string_view text, std::vector<std::string>& words)
{
    for (std::string& word : SplitWords(text, ','))
        if (!IsBlankWord(word))
            words.push_back(std::move(word));
}

// The top-level domains with each "@group" replaced by its members, as the TLD page shows them
// (internationalised ones in U-labels); a member already listed is not repeated. The groups file
// is read only when a group is named; without it the groups are empty, said once.
std::vector<std::string> ExpandGroups(const std::vector<std::string>& words)
{
    std::vector<std::string> tlds;
    std::optional<TTldGroups> groups;
    auto listed = [&tlds](std::string_view tld) {
        for (const std::string& each : tlds)
            if (EqualsIgnoringCase(TrimView(each), tld))
                return true;
        return false;
    };
    for (const std::string& word : words) {
        const std::string_view trimmed = TrimView(word);
        if (!trimmed.starts_with('@')) {
            tlds.push_back(word);
            continue;
        }
        const std::optional<TTldGroups::TGroup> group = TTldGroups::GroupNamed(trimmed.substr(1));
        if (!group)
            throw TUsageError("unknown group \"" + std::string(trimmed) + "\"; the groups are " +
                              TTldGroups::GroupList());
        if (!groups) {
            std::string problem;
            groups = TTldGroups::Load(TShippedData(ComputeFolders().ProgramFolder), problem);
            if (!problem.empty())
                ReportFailure("generate", problem);
        }
        for (const std::string& ace : groups->Members(*group)) {
            const TIdnaName tld = TIdnaName::Of(ace);
            std::string shown = tld.International && tld.Problem.empty() ? tld.Unicode : ace;
            if (!listed(shown))
                tlds.push_back(std::move(shown));
        }
    }
    return tlds;
}

TGenerateOptions ReadGenerateOptions(const std::vector<std::string>& args)
{
    TArgumentReader reader({
        {"--prefix", "W,...", "prefixes, each also put before every keyword"},
        {"--keyword", "W,...", "keywords"},
        {"--suffix", "W,...", "suffixes, each also put after every keyword"},
        {"--tld", "T|@GROUP,...",
         "top-level domains; a group of them as @common (the table's hand-set ones), @country-code, @generic, "
         "@sponsored, @idn (internationalised) or @all"},
        {"--hyphens", "", "join affixes with a hyphen (not one-letter suffixes)"},
        {"--ace", "", "print internationalised names in A-labels (xn--...)"},
        {"--output", "FILE.prj.xml", "write a new project with the names instead of printing them", "-o"},
    });
    reader.Read(args);
    if (!reader.Operands().empty())
        throw TUsageError("unexpected argument \"" + reader.Operands().front() + "\"");
    TGenerateOptions options;
    for (const std::string& value : reader.All("--prefix"))
        AppendWords(value, options.Prefixes);
    for (const std::string& value : reader.All("--keyword"))
        AppendWords(value, options.Keywords);
    for (const std::string& value : reader.All("--suffix"))
        AppendWords(value, options.Suffixes);
    for (const std::string& value : reader.All("--tld"))
        AppendWords(value, options.Tlds);
    options.Tlds = ExpandGroups(options.Tlds);
    options.UsePrefix = reader.Has("--prefix");
    options.UseSuffix = reader.Has("--suffix");
    options.UseHyphens = reader.Has("--hyphens");
    options.Ace = reader.Has("--ace");
    options.ProjectPath = reader.Value("--output");
    if (reader.Has("--output") && options.ProjectPath.empty())
        throw TUsageError("-o needs a file name");
    if (options.Ace && reader.Has("--output"))
        throw TUsageError("--ace prints the names; a project keeps them as typed (leave out -o or --ace)");
    // The words the window would refuse to take into its lists.
    for (const std::vector<std::string>* list :
         {&options.Prefixes, &options.Keywords, &options.Suffixes, &options.Tlds})
        for (const std::string& word : *list)
            if (std::string problem = TIdnaName::WordProblem(TrimView(word)); !problem.empty())
                throw TUsageError(problem);

    // The refusals of the generator, named for the command line.
    if (options.Keywords.empty())
        throw TUsageError("no keywords given (--keyword W,...)");
    if (options.Tlds.empty())
        throw TUsageError("no top-level domains given (--tld T,...)");
    if (options.UsePrefix && options.Prefixes.empty())
        throw TUsageError("--prefix names no prefix");
    if (options.UseSuffix && options.Suffixes.empty())
        throw TUsageError("--suffix names no suffix");
    return options;
}

std::vector<TWordEntry> Ticked(const std::vector<std::string>& words)
{
    std::vector<TWordEntry> entries;
    for (const std::string& word : words)
        entries.push_back({word, true});
    return entries;
}

unsigned long long PhysicalMemoryBytes()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0
               ? static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(pageSize)
               : ULLONG_MAX;
}

// Thrown by the name sink to end a run whose output has gone.
struct TOutputClosed
{
};

// Writes the names one a line; with `ace`, in A-labels, leaving out (and naming on standard error)
// each name that has none. False when a name was left out.
bool PrintNames(TCustomDomainNameGenerator& generator, bool ace)
{
    bool complete = true;
    try {
        generator.Generate([ace, &complete](std::string_view name) {
            std::string_view line = name;
            TIdnaName idna;
            if (ace) {
                idna = TIdnaName::Of(name);
                if (!idna.Problem.empty()) {
                    ReportFailure("generate", "\"" + std::string(name) + "\" has no A-label form: " + idna.Problem);
                    complete = false;
                    return;
                }
                line = idna.Ace;
            }
            if (!WriteOut(line) || !WriteOut("\n"))
                throw TOutputClosed{};
        });
    } catch (const TOutputClosed&) {
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        throw TUsageError("cannot write the names to standard output");
    return complete;
}

// The project the window would save after generating from these lists: the words as given, all
// ticked, and the rows and answers log as the domain table makes them for generated names.
void WriteProject(const TGenerateOptions& options, TCustomDomainNameGenerator& generator)
{
    const unsigned long long total = generator.Total();
    if (total > PhysicalMemoryBytes() / ProjectBytesPerRow)
        throw TUsageError("the lists give " + std::to_string(total) + " names, more than a project can hold in " +
                          "this computer's memory");
    try {
        generator.Generate();
    } catch (const TQuarrowError& error) {
        throw TUsageError(error.what());
    }
    TProjectData project;
    project.UsePrefix = options.UsePrefix;
    project.UseSuffix = options.UseSuffix;
    project.UseHyphens = options.UseHyphens;
    project.Prefixes = Ticked(options.Prefixes);
    project.Keywords = Ticked(options.Keywords);
    project.Suffixes = Ticked(options.Suffixes);
    project.Tlds = Ticked(options.Tlds);
    {
        TDomainTableModel table;
        table.AppendGenerated(generator.Names().ToVector());
        project.Rows = table.AllRows();
        project.AnswerLog = table.AnswerLog();
    }
    TXMLSaveLoad store;
    if (!SaveNewProject(store, options.ProjectPath, project))
        throw TUsageError(store.LastError());
}

} // namespace

int RunGenerateCommand(const std::vector<std::string>& args)
{
    const TGenerateOptions options = ReadGenerateOptions(args);
    TCustomDomainNameGenerator generator;
    generator.SetUsePrefix(options.UsePrefix);
    generator.SetUseSuffix(options.UseSuffix);
    generator.SetUseHyphens(options.UseHyphens);
    generator.Prefixes() = options.Prefixes;
    generator.Keywords() = options.Keywords;
    generator.Suffixes() = options.Suffixes;
    generator.Tlds() = options.Tlds;

    // Counted before anything is made, so that an impossible run ends at once with its count.
    const unsigned long long total = generator.Total();
    if (total > static_cast<unsigned long long>(INT_MAX))
        throw TUsageError("the lists give " + (total == ULLONG_MAX ? std::string("too many") : std::to_string(total)) +
                          " names, more than the " + std::to_string(INT_MAX) + " one run can make");
    if (options.ProjectPath.empty())
        return PrintNames(generator, options.Ace) ? ExitSuccess : ExitIncomplete;
    WriteProject(options, generator);
    return ExitSuccess;
}
