#include "cli/CliCommands.h"
#include "cli/RecordFields.h"

#include "base/QuarrowError.h"
#include "config/EngineSettings.h"
#include "config/Folders.h"
#include "engine/CheckDispatcher.h"
#include "engine/DomainTableModel.h"
#include "engine/ProcessExit.h"
#include "project/ProjectFile.h"
#include "project/XMLSaveLoad.h"
#include "whois/ExpiryDate.h"
#include "whois/ResponseText.h"

#include <QCoreApplication>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>
#include <unordered_map>
#include <vector>

// quarrow-cli check: the window's "Check domains" without the window. The names become ticked
// rows of a domain table and one pass of the real dispatcher checks them; the records come out in
// input order once every name has its result. Unlike the window, a check that the watchdog has
// replaced once and that hangs again is given up as "RESULT ERROR", so the command always ends.

namespace {

int Fail(const std::string& message)
{
    std::fprintf(stderr, "quarrow-cli: check: %s\n", message.c_str());
    return ExitUsage;
}

std::optional<int> ParseInteger(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

// Seconds, with an optional fraction ("0.5").
std::optional<double> ParseSeconds(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return std::nullopt;
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        if (used != text.size() || !std::isfinite(value) || value <= 0 || value > 1e9)
            return std::nullopt;
        return value;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

bool FileExists(const std::string& path)
{
    return std::ifstream(path, std::ios::binary).good();
}

std::string TsvField(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

enum class TFormat
{
    Tsv,
    Csv,
    Json
};

struct TRecord
{
    std::string Domain;
    std::string Availability;
    std::string Registrar;
    std::string WhoisServer;
    std::string Expires;
    std::string Answers;
};

// The expiry date as ISO yyyy-mm-dd, or the marked raw text when the date could not be read.
std::string ExpiryOf(const TDomainTableModel& model, int row)
{
    const std::string shown = model.Slot(row, SlotExpires);
    if (shown.size() >= 4 && shown.compare(0, 2, "! ") == 0 && shown.compare(shown.size() - 2, 2, " !") == 0)
        return shown;
    return IsoDateFromDayNumber(model.ExpiryDay(row));
}

// One record's fields, each encoded by `field`, between separators.
template <typename TField>
std::string Delimited(const TRecord& r, bool withAnswers, char separator, const TField& field)
{
    std::string line = field(r.Domain) + separator + field(r.Availability) + separator + field(r.Registrar) +
                       separator + field(r.WhoisServer) + separator + field(r.Expires);
    if (withAnswers)
        line += separator + field(r.Answers);
    return line;
}

std::string Render(const std::vector<TRecord>& records, TFormat format, bool withAnswers)
{
    std::string out;
    switch (format) {
    case TFormat::Tsv:
        for (const TRecord& r : records)
            out += Delimited(r, withAnswers, '\t', TsvField) + '\n';
        break;
    case TFormat::Csv:
        out = withAnswers ? "domain,availability,registrar,whois_server,expires,answers\r\n"
                          : "domain,availability,registrar,whois_server,expires\r\n";
        for (const TRecord& r : records)
            out += Delimited(r, withAnswers, ',', [](const std::string& text) { return CsvField(text); }) + "\r\n";
        break;
    case TFormat::Json:
        out = "[";
        for (std::size_t i = 0; i < records.size(); ++i) {
            const TRecord& r = records[i];
            out += i == 0 ? "\n" : ",\n";
            out += "  {\"domain\": " + JsonString(r.Domain) + ", \"availability\": " + JsonString(r.Availability) +
                   ", \"registrar\": " + JsonString(r.Registrar) + ", \"whois_server\": " + JsonString(r.WhoisServer) +
                   ", \"expires\": " + JsonString(r.Expires);
            if (withAnswers)
                out += ", \"answers\": " + JsonString(r.Answers);
            out += "}";
        }
        out += records.empty() ? "]\n" : "\n]\n";
        break;
    }
    return out;
}

} // namespace

int RunCheckCommand(const std::vector<std::string>& args)
{
    std::string configPath;
    bool haveConfig = false;
    std::optional<int> threads, attempts, pause;
    std::optional<double> timeout;
    TFormat format = TFormat::Tsv;
    bool withAnswers = false;
    std::string projectPath;
    std::vector<std::string> names;
    bool namesGiven = false;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        std::string text;
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            if (!optionsEnded && arg == "-") {
                std::string line;
                while (std::getline(std::cin, line)) {
                    line = Trim(line);
                    if (!line.empty())
                        names.push_back(line);
                }
            } else {
                // Blank names would be looked up under an empty top-level domain, that is at the
                // fallback host, and give a record that names nothing.
                names.push_back(Trim(arg));
                if (names.back().empty())
                    return Fail("a name to check is empty");
            }
            namesGiven = true;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--answers") {
            withAnswers = true;
        } else if (arg == "--config" || arg == "--project" || arg == "--format" || arg == "--threads" ||
                   arg == "--attempts" || arg == "--pause" || arg == "--timeout") {
            if (!value(text))
                return Fail(arg + " needs a value");
            if (arg == "--config") {
                configPath = text;
                haveConfig = true;
            } else if (arg == "--project") {
                projectPath = text;
            } else if (arg == "--format") {
                if (text == "tsv")
                    format = TFormat::Tsv;
                else if (text == "csv")
                    format = TFormat::Csv;
                else if (text == "json")
                    format = TFormat::Json;
                else
                    return Fail("--format takes tsv, csv or json, not \"" + text + "\"");
            } else if (arg == "--timeout") {
                timeout = ParseSeconds(text);
                if (!timeout)
                    return Fail("--timeout takes a number of seconds above 0, not \"" + text + "\"");
            } else {
                const std::optional<int> number = ParseInteger(text);
                if (!number)
                    return Fail(arg + " takes a whole number, not \"" + text + "\"");
                if ((arg == "--threads" || arg == "--pause") && *number < 1)
                    return Fail(arg + " must be at least 1");
                (arg == "--threads" ? threads : arg == "--attempts" ? attempts : pause) = number;
            }
        } else {
            return Fail("unknown option \"" + arg + "\"");
        }
    }
    if (!projectPath.empty() && namesGiven)
        return Fail("give names or --project FILE, not both");
    if (projectPath.empty() && !namesGiven)
        return Fail("give the names to check, \"-\" to read them from standard input, or --project FILE");

    if (haveConfig) {
        if (!FileExists(configPath))
            return Fail("cannot read the configuration file \"" + configPath + "\"");
    } else {
        configPath = ComputeFolders().ConfigPath();
    }
    // The date masks that belong with the configuration file, else the data folder's, else the
    // ones shipped beside the program.
    std::string maskPath = FolderOf(configPath) + "datemask.ini";
    if (!FileExists(maskPath))
        maskPath = ComputeFolders().DateMaskFileToLoad();

    TEngineSettings settings = LoadSettings(configPath);
    if (threads)
        settings.ThreadLimit = *threads;
    if (attempts)
        settings.Attempts = *attempts;
    if (pause)
        settings.Pause = *pause;
    // A configuration that would keep the dispatcher from ever starting a worker cannot be meant
    // for a command that has to end.
    settings.ThreadLimit = std::max(settings.ThreadLimit, 1);
    settings.Pause = std::max(settings.Pause, 1);

    int argc = 1;
    char programName[] = "quarrow-cli";
    char* argv[] = {programName, nullptr};
    QCoreApplication app(argc, argv);

    TDomainTableModel model;
    // The table rows to report, in input order.
    std::vector<int> recordRows;
    TXMLSaveLoad store;
    std::optional<TProjectData> project;
    if (!projectPath.empty()) {
        if (!FileExists(projectPath))
            return Fail("cannot read the project file \"" + projectPath + "\"");
        try {
            project = LoadProject(store, projectPath);
        } catch (const TQuarrowError& error) {
            return Fail("\"" + projectPath + "\": " + error.what());
        }
        if (!project)
            return Fail("\"" + projectPath + "\": " + WrongXmlFileText);
        model.SetContents(project->Rows, project->AnswerLog);
        // A start tick saved with the project belongs to a check of another run: none is running.
        for (int row = 0; row < model.RowCount(); ++row) {
            if (!model.Slot(row, SlotStartTick).empty())
                model.SetSlot(row, SlotStartTick, "");
            if (model.Checked(row))
                recordRows.push_back(row);
        }
    } else {
        // A name given twice is checked once: the registries count every query against the
        // caller's quota. Every occurrence still gets its record.
        std::unordered_map<std::string, int> rowOfName;
        std::vector<std::string> distinct;
        for (const std::string& name : names)
            if (rowOfName.emplace(name, static_cast<int>(distinct.size())).second)
                distinct.push_back(name);
        model.AppendGenerated(distinct);
        distinct = {};
        for (const std::string& name : names)
            recordRows.push_back(rowOfName.at(name));
        names = {};
    }

    TCheckOptions options;
    options.ConfigPath = configPath;
    options.DateMasks = LoadDateMasks(maskPath);
    if (timeout)
        options.WatchdogBudgetMs = static_cast<std::int64_t>(std::llround(*timeout * 1000.0));
    options.MaxReplacements = 1;
    options.WatchdogDuringPass = true;
    TCheckDispatcher dispatcher(model, options);
    dispatcher.LoadSettings(settings);

    int checkedRows = 0;
    for (int row = 0; row < model.RowCount(); ++row)
        checkedRows += model.Checked(row) ? 1 : 0;
    int results = 0;
    const bool progress = ::isatty(STDERR_FILENO) == 1;
    QObject::connect(&dispatcher, &TCheckDispatcher::ResultApplied, [&] { ++results; });
    if (progress)
        QObject::connect(&dispatcher, &TCheckDispatcher::StatusChanged, [&] {
            std::fprintf(stderr, "\rChecked %d of %d, threads: %d ", std::min(results, checkedRows), checkedRows,
                         dispatcher.RunningCount());
        });
    QObject::connect(&dispatcher, &TCheckDispatcher::PassFinished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    dispatcher.StartAll();
    app.exec();
    if (progress)
        std::fputs("\n", stderr);

    std::vector<TRecord> records;
    bool everyNameHasResult = true;
    records.reserve(recordRows.size());
    for (const int row : recordRows) {
        TRecord record;
        record.Domain = model.Caption(row);
        record.Availability = model.Slot(row, SlotAvailability);
        record.Registrar = model.Slot(row, SlotRegistrar);
        record.WhoisServer = model.Slot(row, SlotWhoisServer);
        record.Expires = ExpiryOf(model, row);
        const int entry = model.AnswerIndexOf(row);
        if (withAnswers && entry >= 0)
            record.Answers = model.AnswerLog()[static_cast<std::size_t>(entry)];
        everyNameHasResult = everyNameHasResult && !record.Availability.empty();
        records.push_back(std::move(record));
    }
    const std::string text = Render(records, format, withAnswers);
    int status = everyNameHasResult ? ExitSuccess : 1;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        status = Fail("cannot write the results to standard output");

    if (project) {
        project->Rows = model.AllRows();
        project->AnswerLog = model.AnswerLog();
        try {
            if (!SaveProject(store, projectPath, *project))
                status = Fail("cannot save the results into \"" + projectPath + "\": " + store.LastError());
        } catch (const TQuarrowError& error) {
            status = Fail("cannot save the results into \"" + projectPath + "\": " + error.what());
        }
    }
    // Workers the watchdog gave up may still be on their way out of the network.
    return FinishProgram(status, dispatcher.LiveWorkerThreads());
}
