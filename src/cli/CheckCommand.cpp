#include "cli/ArgumentReader.h"
#include "cli/CliCommands.h"
#include "cli/StandardInputNames.h"

#include "base/AsciiText.h"
#include "base/QuarrowError.h"
#include "base/WholeFile.h"
#include "core/ExpiryDate.h"
#include "engine/CheckDispatcher.h"
#include "engine/DnsDelegationCheck.h"
#include "engine/Folders.h"
#include "engine/ProcessExit.h"
#include "models/DomainTableModel.h"
#include "models/IdnaName.h"
#include "project/ProjectFile.h"
#include "project/RecordWriter.h"
#include "project/XMLSaveLoad.h"
#include "settings/ConfigKeys.h"
#include "settings/DnsServerAddress.h"
#include "settings/EngineSettings.h"
#include "settings/ProxyUrl.h"

#include <QCoreApplication>

#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

// quarrow-cli check: the window's "Check domains" without the window. The names become ticked
// rows of a domain table and one pass of the real dispatcher checks them; the records come out in
// input order once every name has its result. Unlike the window, which starts a hanging check
// again and again, a check still running when its time is up (--timeout, else Attempts x 41 s) is
// given up as "RESULT ERROR", its answers entry saying so, and never started again: the limit a
// user gives is the longest any name takes.

namespace {

// What the command line asks for.
struct TCheckRequest
{
    std::string ConfigPath;
    std::string MaskPath;
    std::optional<int> Threads, Attempts, Pause;
    std::optional<double> TimeoutSeconds;
    TRecordFormat Format = TRecordFormat::Tsv;
    bool WithAnswers = false;
    TServerPreference Preference = TServerPreference::Any;
    std::string RdapCertificatesPem; // trusted for RDAP besides the system's store
    std::string ProjectPath;
    // Only the project's rows that read "RESULT ERROR", ticked or not.
    bool ErrorsOnly = false;
    std::vector<std::string> Names;
    bool DnsFirst = false;
    std::optional<std::string> DnsServer;
    std::optional<double> DnsTimeoutSeconds;
    // --proxy: the ways out instead of the configured proxies.
    std::vector<TProxySettings> Proxies;
};

// The rows being checked and what they came from.
struct TCheckRun
{
    TDomainTableModel Model;
    // The table rows to report, in input order (a name given twice is one row reported twice).
    std::vector<int> RecordRows;
    TXMLSaveLoad Store;
    std::optional<TProjectData> Project;
    std::unique_ptr<TCheckDispatcher> Dispatcher;
};

TArgumentReader CheckArguments()
{
    return TArgumentReader({
        {"--config", "FILE", "the configuration file (default: the data folder's mvwhois.ini)"},
        {"--threads", "N", "most checks at once (default: the configuration's ThrdCount)"},
        {"--attempts", "N", "connection attempts per WHOIS query, 1 to 10 (default: the configuration's)"},
        {"--pause", "MS", "milliseconds between starts of checks (default: the configuration's Pause)"},
        {"--timeout", "SECONDS", "give up a check after this long (default: Attempts x 41 seconds)"},
        {"--format", "FORMAT", "tsv, csv or json (default: tsv)"},
        {"--answers", "", "add the WHOIS answers to each record"},
        {"--rdap-only", "", "ask only RDAP servers (the table's https:// entries, else the RDAP bootstrap file)"},
        {"--whois-only", "", "ask only port-43 WHOIS hosts"},
        {"--proxy", "URL",
         "check through this SOCKS proxy instead of the configured ones; again for a pool "
         "(socks4://, socks4a://, socks5://[user:pass@]host:port)"},
        {"--rdap-ca", "FILE", "also trust the certificates in FILE (PEM) for RDAP servers"},
        {"--project", "FILE.prj.xml", "check the ticked rows of a project and save the results into it"},
        {"--dns-first", "",
         "ask DNS first: a delegated name is taken without a WHOIS query (DNS is asked from this machine's own "
         "address, never through --proxy)"},
        {"--dns-server", "ADDRESS", "the resolver for --dns-first, ADDRESS or ADDRESS:PORT (default: the system's)"},
        {"--dns-timeout", "SECONDS", "wait this long for a DNS answer, per try of two (default: 2)"},
        {"--errors-only", "", "with --project: tick and check again only the rows that read RESULT ERROR"},
    });
}

std::string ReadStandardInput()
{
    std::string text;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
        text.append(buffer, got);
    if (std::ferror(stdin))
        throw TUsageError("cannot read the names from standard input");
    return text;
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

bool IsRegularFile(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

TCheckRequest ReadCheckRequest(const std::vector<std::string>& args)
{
    TArgumentReader reader = CheckArguments();
    reader.Read(args);
    TCheckRequest request;
    if (reader.Has("--threads"))
        request.Threads = reader.Integer("--threads", 0, 1, INT_MAX);
    if (reader.Has("--attempts"))
        request.Attempts = reader.Integer("--attempts", 0, ConfigKeys::MinAttempts, ConfigKeys::MaxAttempts);
    if (reader.Has("--pause"))
        request.Pause = reader.Integer("--pause", 0, 1, INT_MAX);
    for (const std::string& url : reader.All("--proxy")) {
        std::string error;
        std::optional<TProxySettings> proxy = ParseProxyUrl(url, error);
        if (!proxy)
            throw TUsageError("--proxy: " + error);
        request.Proxies.push_back(std::move(*proxy));
    }
    if (reader.Has("--timeout"))
        request.TimeoutSeconds = reader.Seconds("--timeout", 0, 1e9);
    const std::string format = reader.Value("--format", "tsv");
    if (format == "tsv")
        request.Format = TRecordFormat::Tsv;
    else if (format == "csv")
        request.Format = TRecordFormat::Csv;
    else if (format == "json")
        request.Format = TRecordFormat::Json;
    else
        throw TUsageError("--format takes tsv, csv or json, not \"" + format + "\"");
    request.WithAnswers = reader.Has("--answers");
    if (reader.Has("--rdap-only") && reader.Has("--whois-only"))
        throw TUsageError("give --rdap-only or --whois-only, not both");
    if (reader.Has("--rdap-only"))
        request.Preference = TServerPreference::RdapOnly;
    if (reader.Has("--whois-only"))
        request.Preference = TServerPreference::WhoisOnly;
    if (reader.Has("--rdap-ca")) {
        // A private RDAP server's authority; the system's store stays trusted and verification on.
        const std::string path = reader.Value("--rdap-ca");
        RequireReadableFile(path, "certificate file");
        const TWholeFile file = ReadWholeFile(path, 4 * 1024 * 1024);
        if (!file.Loaded())
            throw TUsageError("\"" + path + "\": " + file.Error);
        request.RdapCertificatesPem = std::string(file.View());
        if (request.RdapCertificatesPem.find("-----BEGIN CERTIFICATE-----") == std::string::npos)
            throw TUsageError("\"" + path + "\" holds no PEM certificate");
    }
    request.DnsFirst = reader.Has("--dns-first");
    if (reader.Has("--dns-server")) {
        request.DnsServer = reader.Value("--dns-server");
        if (const std::string problem = DnsServerProblem(*request.DnsServer); !problem.empty())
            throw TUsageError(problem);
    }
    if (reader.Has("--dns-timeout"))
        request.DnsTimeoutSeconds = reader.Seconds("--dns-timeout", 0.001, 60);
    request.ProjectPath = reader.Value("--project");
    if (reader.Has("--project") && request.ProjectPath.empty())
        throw TUsageError("--project needs a file name");
    request.ErrorsOnly = reader.Has("--errors-only");
    if (request.ErrorsOnly && !reader.Has("--project"))
        throw TUsageError("--errors-only needs --project FILE");

    const std::vector<std::string>& operands = reader.Operands();
    if (reader.Has("--project") && !operands.empty())
        throw TUsageError("give names or --project FILE, not both");
    if (!reader.Has("--project") && operands.empty())
        throw TUsageError("give the names to check, \"-\" to read them from standard input, or --project FILE");
    for (const std::string& operand : operands) {
        if (operand == "-") {
            for (std::string& name : NamesFromStandardInput(ReadStandardInput()))
                request.Names.push_back(std::move(name));
            continue;
        }
        // Blank names would be looked up under an empty top-level domain, that is at the fallback
        // host, and give a record that names nothing.
        request.Names.push_back(Trim(operand));
        if (request.Names.back().empty())
            throw TUsageError("a name to check is empty");
    }

    if (reader.Has("--config")) {
        request.ConfigPath = reader.Value("--config");
        RequireReadableFile(request.ConfigPath, "configuration file");
    } else {
        request.ConfigPath = ComputeFolders().ConfigPath();
    }
    if (reader.Has("--project"))
        RequireReadableFile(request.ProjectPath, "project file");
    // The date masks that belong with the configuration file, else the data folder's, else the
    // ones shipped beside the program.
    request.MaskPath = FolderOf(request.ConfigPath) + "datemask.ini";
    if (!IsRegularFile(request.MaskPath))
        request.MaskPath = ComputeFolders().DateMaskFileToLoad();
    return request;
}

void LoadRows(const TCheckRequest& request, TCheckRun& run)
{
    TDomainTableModel& model = run.Model;
    if (!request.ProjectPath.empty()) {
        try {
            run.Project = LoadProject(run.Store, request.ProjectPath);
        } catch (const TQuarrowError& error) {
            throw TUsageError("\"" + request.ProjectPath + "\": " + error.what());
        }
        if (!run.Project)
            throw TUsageError("\"" + request.ProjectPath + "\": " + WrongXmlFileText);
        model.SetContents(run.Project->Rows, std::move(run.Project->AnswerLog));
        run.Project->Rows = {};
        run.Project->AnswerLog = {};
        // A start tick saved with the project belongs to a check of another run: none is running.
        for (int row = 0; row < model.RowCount(); ++row) {
            if (!model.Slot(row, SlotStartTick).empty())
                model.SetSlot(row, SlotStartTick, "");
            const bool checks = request.ErrorsOnly ? model.ResultOf(row) == TRowResult::Error : model.Checked(row);
            if (checks)
                run.RecordRows.push_back(row);
        }
        return;
    }
    // A name given twice is checked once: the registries count every query against the caller's
    // quota. Every occurrence still gets its record.
    std::unordered_map<std::string, int> rowOfName;
    std::vector<std::string> distinct;
    for (const std::string& name : request.Names)
        if (rowOfName.emplace(name, static_cast<int>(distinct.size())).second)
            distinct.push_back(name);
    model.AppendGenerated(distinct);
    for (const std::string& name : request.Names)
        run.RecordRows.push_back(rowOfName.at(name));
}

void RunPass(const TCheckRequest& request, TCheckRun& run, QCoreApplication& app)
{
    TEngineSettings settings = LoadSettings(request.ConfigPath);
    settings.ThreadLimit = request.Threads.value_or(settings.ThreadLimit);
    settings.Attempts = request.Attempts.value_or(settings.Attempts);
    settings.Pause = request.Pause.value_or(settings.Pause);
    settings.DnsFirst = settings.DnsFirst || request.DnsFirst;
    settings.DnsServer = request.DnsServer.value_or(settings.DnsServer);
    if (settings.DnsFirst && !settings.DnsServer.empty()) {
        if (const std::string problem = DnsServerProblem(settings.DnsServer); !problem.empty())
            throw TUsageError(request.ConfigPath + ": " + problem);
    }
    if (!request.Proxies.empty()) {
        settings.Proxy = request.Proxies.front();
        settings.FurtherProxies.assign(request.Proxies.begin() + 1, request.Proxies.end());
    }
    // A configuration that would keep the dispatcher from ever starting a worker cannot be meant
    // for a command that has to end.
    settings.ThreadLimit = std::max(settings.ThreadLimit, 1);
    settings.Pause = std::max(settings.Pause, 1);

    TCheckOptions options;
    options.ConfigPath = request.ConfigPath;
    options.ServerPreference = request.Preference;
    options.Rdap.ExtraCaCertificatesPem = request.RdapCertificatesPem;
    options.DateMasks = LoadDateMasks(request.MaskPath);
    if (request.TimeoutSeconds)
        options.WatchdogBudgetMs = static_cast<std::int64_t>(std::llround(*request.TimeoutSeconds * 1000.0));
    if (request.DnsTimeoutSeconds)
        options.DnsTimeoutMs = std::max(1, static_cast<int>(std::llround(*request.DnsTimeoutSeconds * 1000.0)));
    options.MaxReplacements = 0;
    options.WatchdogDuringPass = true;
    options.EveryOverdueRowPerTick = true;
    run.Dispatcher = std::make_unique<TCheckDispatcher>(run.Model, options);
    TCheckDispatcher& dispatcher = *run.Dispatcher;
    dispatcher.LoadSettings(settings);

    // A project's reported rows are the ones the pass checks; names given twice are one row.
    const int checkedRows = run.Project ? static_cast<int>(run.RecordRows.size()) : run.Model.RowCount();
    int results = 0;
    // Answers that neither the records nor a project will show are dropped as they come, so that
    // a long run against hosts with large answers holds only the answers in flight.
    const bool keepAnswers = request.WithAnswers || run.Project.has_value();
    QObject::connect(&dispatcher, &TCheckDispatcher::ResultApplied, [&run, &results, keepAnswers](TRowId id) {
        ++results;
        const int row = run.Model.RowOf(id);
        const int entry = row < 0 ? -1 : run.Model.AnswerIndexOf(row);
        if (!keepAnswers && entry >= 0)
            run.Model.SetAnswer(entry, std::string());
    });
    if (::isatty(STDERR_FILENO) == 1)
        QObject::connect(&dispatcher, &TCheckDispatcher::StatusChanged, [&] {
            std::fprintf(stderr, "\rChecked %d of %d, threads: %d ", std::min(results, checkedRows), checkedRows,
                         dispatcher.RunningCount());
        });
    QObject::connect(&dispatcher, &TCheckDispatcher::PassFinished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (request.ErrorsOnly)
        dispatcher.CheckErrorsAgain();
    else
        dispatcher.StartAll();
    app.exec();
    if (::isatty(STDERR_FILENO) == 1)
        std::fputs("\n", stderr);
}

// False, with the reason on standard error, when the project cannot be saved.
bool SaveResults(const TCheckRequest& request, TCheckRun& run)
{
    run.Project->Rows = run.Model.AllRows();
    run.Project->AnswerLog = run.Model.AnswerLog();
    std::string error;
    try {
        if (!SaveProject(run.Store, request.ProjectPath, *run.Project))
            error = run.Store.LastError();
    } catch (const TQuarrowError& failure) {
        error = failure.what();
    }
    if (!error.empty())
        ReportFailure("check", "cannot save the results into \"" + request.ProjectPath + "\": " + error);
    return error.empty();
}

// The expiry date as ISO yyyy-mm-dd, or the marked raw text when the date could not be read.
std::string ExpiryOf(const TDomainTableModel& model, int row)
{
    if (model.ExpiryUnreadable(row))
        return model.Slot(row, SlotExpires);
    return IsoDateFromDayNumber(model.ExpiryDay(row));
}

// Writes one record per reported row; false when standard output fails.
bool WriteRecords(const TCheckRequest& request, const TCheckRun& run)
{
    std::vector<std::string> columns = {"domain", "availability", "registrar", "whois_server", "expires"};
    if (request.WithAnswers)
        columns.emplace_back("answers");
    // The name as servers were asked it; after the older columns, so that readers by position
    // keep working. Empty for a name no server may be asked.
    columns.emplace_back("ace");
    TRecordWriter writer(request.Format, std::move(columns));
    bool written = WriteOut(writer.Begin());
    const TDomainTableModel& model = run.Model;
    for (std::size_t i = 0; written && i < run.RecordRows.size(); ++i) {
        const int row = run.RecordRows[i];
        const std::string domain = model.Caption(row);
        const std::string availability = model.Slot(row, SlotAvailability);
        const std::string registrar = model.Slot(row, SlotRegistrar);
        const std::string whoisServer = model.Slot(row, SlotWhoisServer);
        const std::string expires = ExpiryOf(model, row);
        const std::string ace = TIdnaName::Of(domain).Ace;
        std::vector<TRecordField> fields = {domain, availability, registrar, whoisServer, expires};
        if (request.WithAnswers) {
            const int entry = model.AnswerIndexOf(row);
            fields.emplace_back(entry >= 0 ? std::string_view(model.AnswerLog()[static_cast<std::size_t>(entry)])
                                           : std::string_view());
        }
        fields.emplace_back(ace);
        written = WriteOut(writer.Record(fields));
    }
    written = written && WriteOut(writer.End()) && std::fflush(stdout) == 0;
    if (!written)
        ReportFailure("check", "cannot write the results to standard output");
    return written;
}

// One line on standard error at the end, so that a run whose records go to a file or a pipe still
// says how it went: free, taken, errors (every row that is neither) and the time of the pass.
void WriteSummary(const TCheckRun& run, std::chrono::steady_clock::duration elapsed)
{
    int free = 0;
    int taken = 0;
    int errors = 0;
    std::vector<bool> counted(static_cast<std::size_t>(run.Model.RowCount()), false);
    for (const int row : run.RecordRows) {
        if (counted[static_cast<std::size_t>(row)])
            continue;
        counted[static_cast<std::size_t>(row)] = true;
        const std::string availability = run.Model.Slot(row, SlotAvailability);
        if (availability == "YES")
            ++free;
        else if (availability == "NO")
            ++taken;
        else
            ++errors;
    }
    const double seconds = std::chrono::duration<double>(elapsed).count();
    // DNS queries go out from this machine even when the WHOIS queries go through proxies: a run
    // that hides its address behind them must not find that out later.
    std::string notes;
    const TEngineSettings& settings = run.Dispatcher->Settings();
    if (settings.DnsFirst && (settings.Proxy.UseProxy || !settings.FurtherProxies.empty()))
        notes += "; DNS was asked from this machine's own address, not through the proxies";
    std::fprintf(stderr, "Checked %d names in %.1f s: %d free, %d taken, %d errors%s\n", free + taken + errors, seconds,
                 free, taken, errors, notes.c_str());
}

int ResultStatus(const TCheckRun& run)
{
    bool resultError = false;
    for (const int row : run.RecordRows) {
        const std::string availability = run.Model.Slot(row, SlotAvailability);
        if (availability.empty())
            return ExitIncomplete;
        resultError = resultError || availability == "RESULT ERROR";
    }
    return resultError ? ExitResultError : ExitSuccess;
}

} // namespace

int RunCheckCommand(const std::vector<std::string>& args)
{
    const TCheckRequest request = ReadCheckRequest(args);
    int argc = 1;
    char programName[] = "quarrow-cli";
    char* argv[] = {programName, nullptr};
    QCoreApplication app(argc, argv);

    TCheckRun run;
    LoadRows(request, run);
    const auto started = std::chrono::steady_clock::now();
    RunPass(request, run, app);
    const auto elapsed = std::chrono::steady_clock::now() - started;

    // Saved before anything is written: a reader that stops early must not cost the results.
    int status = ResultStatus(run);
    if (run.Project && !SaveResults(request, run))
        status = ExitUsage;
    if (!WriteRecords(request, run))
        status = ExitUsage;
    // A failure has said what went wrong in its own one line.
    if (status != ExitUsage)
        WriteSummary(run, elapsed);
    // Workers the watchdog gave up may still be on their way out of the network.
    return FinishProgram(status, run.Dispatcher->ThreadsLeftAtExit());
}
