#include "cli/CliCommands.h"

#include "base/AsciiText.h"
#include "base/QuarrowError.h"
#include "gen/CustomDomainNameGenerator.h"
#include "project/ProjectFile.h"

#include <cstdio>
#include <string>
#include <string_view>
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
    // With -o: the project file to write instead of printing the names.
    std::string ProjectPath;
};

// Appends the comma-separated words of `text`; blank words are left out, since a blank keyword
// would only produce names such as ".com".
void AppendWords(std::string_view text, std::vector<std::string>& words)
{
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t comma = text.find(',', pos);
        if (comma == std::string_view::npos)
            comma = text.size();
        const std::string_view word = text.substr(pos, comma - pos);
        if (!TrimView(word).empty())
            words.emplace_back(word);
        pos = comma + 1;
    }
}

// Fills `options` from the arguments; on bad usage returns false with a message in `error`.
bool ParseGenerateOptions(const std::vector<std::string>& args, TGenerateOptions& options, std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        const size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.erase(equals);
            hasValue = true;
        }

        if (name == "--hyphens") {
            if (hasValue) {
                error = "--hyphens takes no value";
                return false;
            }
            options.UseHyphens = true;
            continue;
        }

        // The value of an option written as two arguments ("--tld com") is the next argument.
        const auto takeValue = [&] {
            if (hasValue)
                return true;
            if (i + 1 >= args.size())
                return false;
            value = args[++i];
            return true;
        };

        if (name == "-o" || name == "--output") {
            if (!takeValue() || value.empty()) {
                error = name + " needs a file name";
                return false;
            }
            options.ProjectPath = value;
            continue;
        }

        std::vector<std::string>* list = nullptr;
        if (name == "--prefix") {
            list = &options.Prefixes;
            options.UsePrefix = true;
        } else if (name == "--keyword") {
            list = &options.Keywords;
        } else if (name == "--suffix") {
            list = &options.Suffixes;
            options.UseSuffix = true;
        } else if (name == "--tld") {
            list = &options.Tlds;
        } else {
            error = "unknown option \"" + args[i] + "\"";
            return false;
        }
        if (!takeValue()) {
            error = name + " needs a value";
            return false;
        }
        AppendWords(value, *list);
    }
    return true;
}

// The refusals of the generator, named for the command line.
std::string MissingInput(const TGenerateOptions& options)
{
    if (options.Keywords.empty())
        return "no keywords given (--keyword W,...)";
    if (options.Tlds.empty())
        return "no top-level domains given (--tld T,...)";
    if (options.UsePrefix && options.Prefixes.empty())
        return "--prefix names no prefix";
    if (options.UseSuffix && options.Suffixes.empty())
        return "--suffix names no suffix";
    return {};
}

bool PrintNames(const TNameList& names)
{
    for (const std::string_view name : names) {
        std::fwrite(name.data(), 1, name.size(), stdout);
        std::fputc('\n', stdout);
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

std::vector<TWordEntry> Ticked(const std::vector<std::string>& words)
{
    std::vector<TWordEntry> entries;
    for (const std::string& word : words)
        entries.push_back({word, true});
    return entries;
}

// The project the window would save after generating from these lists: the words as given, all
// ticked, and one ticked row per name with six slots (slot 4 its index into the answers log) and
// one empty answers-log entry.
TProjectData GeneratedProject(const TGenerateOptions& options, const TNameList& names)
{
    TProjectData project;
    project.UsePrefix = options.UsePrefix;
    project.UseSuffix = options.UseSuffix;
    project.UseHyphens = options.UseHyphens;
    project.Prefixes = Ticked(options.Prefixes);
    project.Keywords = Ticked(options.Keywords);
    project.Suffixes = Ticked(options.Suffixes);
    project.Tlds = Ticked(options.Tlds);
    project.Rows.reserve(names.Count());
    for (const std::string_view name : names) {
        TDomainRow row;
        row.Caption = name;
        row.Checked = true;
        row.Slots.assign(DomainSlotCount, std::string());
        row.Slots[SlotAnswerIndex] = std::to_string(project.Rows.size());
        project.Rows.push_back(std::move(row));
    }
    project.AnswerLog.assign(project.Rows.size(), std::string());
    return project;
}

} // namespace

int RunGenerateCommand(const std::vector<std::string>& args)
{
    TGenerateOptions options;
    std::string error;
    if (!ParseGenerateOptions(args, options, error)) {
        std::fprintf(stderr, "quarrow-cli generate: %s\n", error.c_str());
        return ExitUsage;
    }
    error = MissingInput(options);
    if (!error.empty()) {
        std::fprintf(stderr, "quarrow-cli generate: %s\n", error.c_str());
        return ExitUsage;
    }

    TCustomDomainNameGenerator generator;
    generator.SetUsePrefix(options.UsePrefix);
    generator.SetUseSuffix(options.UseSuffix);
    generator.SetUseHyphens(options.UseHyphens);
    generator.Prefixes() = options.Prefixes;
    generator.Keywords() = options.Keywords;
    generator.Suffixes() = options.Suffixes;
    generator.Tlds() = options.Tlds;
    try {
        if (!generator.Generate()) {
            std::fputs("quarrow-cli generate: nothing to generate\n", stderr);
            return ExitUsage;
        }
    } catch (const TQuarrowError& e) {
        std::fprintf(stderr, "quarrow-cli generate: %s\n", e.what());
        return ExitUsage;
    }

    if (!options.ProjectPath.empty()) {
        try {
            TXMLSaveLoad store;
            if (!SaveProject(store, options.ProjectPath, GeneratedProject(options, generator.Names()))) {
                std::fprintf(stderr, "quarrow-cli generate: %s\n", store.LastError().c_str());
                return ExitUsage;
            }
        } catch (const TQuarrowError& e) {
            std::fprintf(stderr, "quarrow-cli generate: %s\n", e.what());
            return ExitUsage;
        }
        return ExitSuccess;
    }

    if (!PrintNames(generator.Names())) {
        std::fputs("quarrow-cli generate: cannot write the names to standard output\n", stderr);
        return 1;
    }
    return ExitSuccess;
}
