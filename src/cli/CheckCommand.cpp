#include "cli/ArgumentReader.h"
#include "cli/CheckRecords.h"
#include "cli/CliCommands.h"
#include "cli/StandardInputNames.h"

#include "base/AsciiText.h"
#include "base/QuarrowError.h"
#include "base/WholeFile.h"
#include "core/CheckProgress.h"
#include "engine/CheckDispatcher.h"
#include "engine/DnsDelegationCheck.h"
#include "engine/Folders.h"
#include "engine/ProcessExit.h"
#include "engine/ProjectLock.h"
#include "engine/ResultJournal.h"
#include "models/DomainTableModel.h"
#include "project/JournalRecovery.h"
#include "project/ProjectFile.h"
#include "project/XMLSaveLoad.h"
#include "settings/ConfigKeys.h"
#include "settings/DnsServerAddress.h"
#include "settings/EngineSettings.h"
#include "settings/IniFile.h"
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
// rows of a domain table and one pass of the real dispatcher checks them; each record comes out as
// soon as its name's result is final, in the order the results arrive. A project's results also
// go into its journal as they arrive, and a journal a killed check left is applied first: the
// check then asks only the rows that check had not finished. Unlike the window, which starts a hanging check
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
    // Held from before the journal is read until the program ends, so that no other program
    // checks the project meanwhile.
    TProjectLock Lock;
    std::unique_ptr<TCheckDispatcher> Dispatcher;
    // A project's journal, and what one left over brought back.
    std::unique_ptr<TResultJournal> Journal;
    TJournalRecovery::TOutcome Recovered;
    // The rows this pass asks, and the ticks the project is saved with.
    std::vector<int> PassRows;
    std::vector<bool> SavedTicks;
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
        {"--whois-only", "", "ask only port-43 WHOIS hosts, also where RDAP would be asked first"},
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
        request.TimeoutSeconds = reader.Seconds("--timeout", 0, 0.001, 1e9);
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
        request.DnsTimeoutSeconds = reader.Seconds("--dns-timeout", 0, 0.001, 60);
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
    // The DNS options only shape the DNS stage: without it they would be dropped without a word.
    if ((request.DnsServer || request.DnsTimeoutSeconds) && !request.DnsFirst &&
        !TIniFile(request.ConfigPath).Read(ConfigKeys::DnsFirst))
        throw TUsageError(std::string(request.DnsServer ? "--dns-server" : "--dns-timeout") +
                          " needs --dns-first (or DnsFirst=1 in the configuration file)");
    if (reader.Has("--project"))
        RequireReadableFile(request.ProjectPath, "project file");
    // The date masks that belong with the configuration file, else the data folder's, else the
    // ones shipped beside the program.
    request.MaskPath = FolderOf(request.ConfigPath) + "datemask.ini";
    if (!IsRegularFile(request.MaskPath))
        request.MaskPath = ComputeFolders().DateMaskFileToLoad();
    return request;
}

// Applies the journal a killed check of the project left, and says so on standard error.
void RecoverJournal(const TCheckRequest& request, TCheckRun& run)
{
    run.Recovered = TJournalRecovery::Recover(TJournalRecovery::JournalPathOf(request.ProjectPath), *run.Project);
    // One line, as every message of the command.
    if (!run.Recovered.Message.empty())
        ReportFailure("check", run.Recovered.Message);
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
        // A journal another program is writing is no journal left over: it is neither applied
        // nor cut back, and nothing is checked.
        if (!run.Lock.Take(request.ProjectPath))
            throw TUsageError(run.Lock.Refusal());
        // The rows this check is for, as the project file has them; --errors-only ticks them.
        std::vector<bool> reported;
        for (TDomainRow& row : run.Project->Rows) {
            const bool checks =
                request.ErrorsOnly
                    ? RowResultOf(row.Slots.empty() ? std::string() : row.Slots[SlotAvailability]) == TRowResult::Error
                    : row.Checked;
            reported.push_back(checks);
            run.SavedTicks.push_back(row.Checked || checks);
        }
        RecoverJournal(request, run);
        model.SetContents(run.Project->Rows, std::move(run.Project->AnswerLog));
        run.Project->Rows = {};
        run.Project->AnswerLog = {};
        for (int row = 0; row < model.RowCount(); ++row) {
            // A start tick saved with the project belongs to a check of another run: none is running.
            if (!model.Slot(row, SlotStartTick).empty())
                model.SetSlot(row, SlotStartTick, "");
            if (!reported[static_cast<std::size_t>(row)])
                continue;
            run.RecordRows.push_back(row);
            // A row the journal brought a result for was asked by the check that left it.
            if (run.Recovered.Names.count(model.Caption(row)) == 0)
                run.PassRows.push_back(row);
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
    for (int row = 0; row < model.RowCount(); ++row)
        run.PassRows.push_back(row);
}

void RunPass(const TCheckRequest& request, TCheckRun& run, TCheckRecords& records, QCoreApplication& app)
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
    } else {
        for (const std::string& problem : settings.Problems)
            std::fprintf(stderr, "quarrow-cli: check: %s: %s\n", request.ConfigPath.c_str(), problem.c_str());
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
    // A damaged pace file was set aside: the run goes on, and the user learns why it starts slow.
    if (!dispatcher.PaceNotice().empty())
        std::fprintf(stderr, "%s\n", dispatcher.PaceNotice().c_str());

    // Names given twice are one row; rows the journal brought back are not asked again.
    const int passRows = static_cast<int>(run.PassRows.size());
    const int recovered = run.Project ? static_cast<int>(run.RecordRows.size()) - passRows : 0;
    int results = 0;
    TCheckProgress progress(passRows, std::chrono::steady_clock::now());
    // The time left follows the pace each host keeps (the pace file's, then what this run learns).
    TPaceForecast forecast;
    forecast.SetStartSpacingMs(settings.Pause);
    for (const int row : run.PassRows)
        forecast.Add(run.Model.IdAt(row),
                     TCheckDispatcher::PacedHost(dispatcher.WhoisServerForDomain(run.Model.Caption(row))));
    progress.SetForecast([&](int, std::optional<double> rate) {
        return forecast.SecondsLeft([&](const std::string& host) { return dispatcher.HostIntervalsMs(host); }, rate);
    });
    // Answers are dropped once their records are out (unless a project keeps them), so that a long
    // run against hosts with large answers holds only the answers in flight.
    const bool keepAnswers = run.Project.has_value();
    QObject::connect(&dispatcher, &TCheckDispatcher::ResultApplied, [&, keepAnswers](TRowId id) {
        ++results;
        forecast.Finished(id);
        if (run.Journal)
            run.Journal->Record(id);
        const int row = run.Model.RowOf(id);
        records.RowFinished(row);
        // Nobody reads the records any more, and no project waits for the results.
        if (records.Failed() && !run.Project)
            QCoreApplication::quit();
        const int entry = row < 0 ? -1 : run.Model.AnswerIndexOf(row);
        if (!keepAnswers && entry >= 0)
            run.Model.SetAnswer(entry, std::string());
    });
    if (::isatty(STDERR_FILENO) == 1)
        QObject::connect(&dispatcher, &TCheckDispatcher::StatusChanged, [&] {
            const int done = std::min(results, passRows);
            progress.Update(done, std::chrono::steady_clock::now());
            std::fprintf(stderr, "\rChecked %d of %d, threads: %d%s ", done + recovered, passRows + recovered,
                         dispatcher.RunningCount(), progress.Text().c_str());
        });
    QObject::connect(&dispatcher, &TCheckDispatcher::PassFinished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    // The pass asks exactly its rows; the project keeps its own ticks (and --errors-only's).
    if (run.Project) {
        std::vector<bool> asks(static_cast<std::size_t>(run.Model.RowCount()), false);
        for (const int row : run.PassRows)
            asks[static_cast<std::size_t>(row)] = true;
        for (int row = 0; row < run.Model.RowCount(); ++row)
            run.Model.SetChecked(row, asks[static_cast<std::size_t>(row)]);
    }
    dispatcher.StartAll();
    app.exec();
    if (::isatty(STDERR_FILENO) == 1)
        std::fputs("\n", stderr);
    if (run.Project)
        for (int row = 0; row < run.Model.RowCount(); ++row)
            run.Model.SetChecked(row, run.SavedTicks[static_cast<std::size_t>(row)]);
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
        const TRowResult result = run.Model.ResultOf(row);
        if (result == TRowResult::Available)
            ++free;
        else if (result == TRowResult::Registered)
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
    if (run.Dispatcher->DnsResolverSilent())
        notes += "; the DNS server answered none of the first queries, so the names went to WHOIS without it";
    std::fprintf(stderr, "Checked %d names in %.1f s: %d free, %d taken, %d errors%s\n", free + taken + errors, seconds,
                 free, taken, errors, notes.c_str());
}

int ResultStatus(const TCheckRun& run)
{
    bool resultError = false;
    for (const int row : run.RecordRows) {
        const TRowResult result = run.Model.ResultOf(row);
        if (result == TRowResult::Unchecked)
            return ExitIncomplete;
        resultError = resultError || result == TRowResult::Error;
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
    TCheckRecords records(run.Model, request.Format, request.WithAnswers, run.RecordRows);
    records.Begin();
    // Results a journal brought back are final already.
    for (const int row : run.RecordRows)
        if (run.Recovered.Names.count(run.Model.Caption(row)) > 0)
            records.RowFinished(row);
    if (run.Project) {
        run.Journal = std::make_unique<TResultJournal>(run.Model);
        run.Journal->SetPath(TJournalRecovery::JournalPathOf(request.ProjectPath));
        QObject::connect(run.Journal.get(), &TResultJournal::Failed, [](const QString& message) {
            ReportFailure("check", message.toStdString() + "; the check goes on without a journal");
        });
    }
    const auto started = std::chrono::steady_clock::now();
    RunPass(request, run, records, app);
    const auto elapsed = std::chrono::steady_clock::now() - started;

    int status = ResultStatus(run);
    if (run.Project) {
        // The journal goes only once the project holds its results; a save that fails keeps it
        // for the next run.
        if (SaveResults(request, run))
            run.Journal->Discard();
        else
            status = ExitUsage;
    }
    records.Finish();
    if (records.Failed()) {
        ReportFailure("check", "cannot write the results to standard output");
        status = ExitUsage;
    }
    // A failure has said what went wrong in its own one line.
    if (status != ExitUsage)
        WriteSummary(run, elapsed);
    // The program may end without destructors; another program may check the project from here.
    run.Lock.Release();
    // Workers the watchdog gave up may still be on their way out of the network.
    return FinishProgram(status, run.Dispatcher->ThreadsLeftAtExit());
}
