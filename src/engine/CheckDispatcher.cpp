#include "engine/CheckDispatcher.h"

#include "base/AsciiText.h"
#include "engine/PaceFile.h"
#include "engine/ResultApplier.h"
#include "engine/SyncMutexGuard.h"
#include "engine/WhoisThread.h"
#include "models/DomainTableModel.h"
#include "settings/ProxyPool.h"
#include "settings/ProxyUrl.h"

#include <algorithm>
#include <limits>
#include <system_error>

#include <sys/resource.h>

namespace {

const char* const CounterIdentifier = "SMCOUNTER";
constexpr std::uint64_t BudgetPerAttemptMs = 41000;

// A worker holds its abandon signal and its socket, and opens the configuration file for the
// referral decision; the main thread keeps some for itself (configuration reads, the counter's
// lock file, Qt). Past the limit, configuration reads fail silently and give the defaults, so
// every name would go to the fallback host and every answer read "NO".
constexpr std::int64_t DescriptorsPerWorker = 3;
constexpr std::int64_t ReservedDescriptors = 64;

int WorkersForDescriptors(std::int64_t limit)
{
    if (limit <= 0) {
        rlimit files{};
        if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY ||
            files.rlim_cur > static_cast<rlim_t>(std::numeric_limits<int>::max()))
            return std::numeric_limits<int>::max();
        limit = static_cast<std::int64_t>(files.rlim_cur);
    }
    return static_cast<int>(std::max<std::int64_t>(1, (limit - ReservedDescriptors) / DescriptorsPerWorker));
}

// Milliseconds as seconds for a person: "5", "0.4", "1.25".
std::string SecondsText(std::uint64_t ms)
{
    std::string text = std::to_string(ms / 1000);
    if (const std::uint64_t part = ms % 1000; part != 0) {
        std::string digits = std::to_string(1000 + part).substr(1);
        digits.erase(digits.find_last_not_of('0') + 1);
        text += "." + digits;
    }
    return text;
}

// Marks a tick as running for its whole length, also when a step throws.
class TTickGuard
{
public:
    explicit TTickGuard(bool& flag) : Flag(flag) { Flag = true; }
    ~TTickGuard() { Flag = false; }
    TTickGuard(const TTickGuard&) = delete;
    TTickGuard& operator=(const TTickGuard&) = delete;

private:
    bool& Flag;
};

} // namespace

TCheckDispatcher::TCheckDispatcher(TDomainTableModel& model, TCheckOptions options, QObject* parent)
    : QObject(parent), Rows(model), Options(std::move(options)), smCounter("smCounter", Options.LockFolder),
      Hub(std::make_shared<TWorkerHub>()), DescriptorBudget(WorkersForDescriptors(Options.OpenFileLimit)),
      Jobs(Options), Router(Options.Clock),
      Pacing(Options.ConfigPath, Options.Clock, [this](std::size_t proxy) { return Router.RestsUntil(proxy); }),
      Dns(*this, [this](std::uint64_t generation, const TDnsVerdict& verdict) { ApplyDnsVerdict(generation, verdict); })
{
    smCounter.SetIdentifier(CounterIdentifier);
    smCounter.TimeOut = 5000;
    smCounter.WaitInfinite = true;
    {
        std::lock_guard lock(Hub->Mutex);
        Hub->Context = this;
        Hub->Sink = this;
    }

    // A precise timer keeps its schedule: a tick that fires late does not push the next ones back,
    // so a pass of n rows takes n x Pause.
    tThreads.setTimerType(Qt::PreciseTimer);
    tThreads.setInterval(EngineSettings.Pause);
    connect(&tThreads, &QTimer::timeout, this, &TCheckDispatcher::DispatcherTick);
    tPacing.setTimerType(Qt::PreciseTimer);
    tPacing.setSingleShot(true);
    connect(&tPacing, &QTimer::timeout, this, &TCheckDispatcher::PacingTick);
    tED.setInterval(Options.StatusIntervalMs);
    connect(&tED, &QTimer::timeout, this, &TCheckDispatcher::StatusTick);
    tED.start();

    // The table's Qt notices are the one thing taken from the model itself.
    connect(&model, &QAbstractItemModel::modelAboutToBeReset, this, &TCheckDispatcher::TableChanging);
    connect(&model, &QAbstractItemModel::rowsAboutToBeInserted, this, &TCheckDispatcher::TableChanging);
    connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &TCheckDispatcher::TableChanging);

    // The pace learnt in earlier runs; a damaged file is set aside and never stops a check.
    PacePath = !Options.PaceFilePath.empty() ? Options.PaceFilePath
               : !Options.ConfigPath.empty() ? TPaceFile::PathBeside(Options.ConfigPath)
                                             : std::string();
    Pacing.LoadPace(PacePath, PaceMessage);
    Pacing.SetLaneCap(Options.ChecksPerLane);
}

TCheckDispatcher::~TCheckDispatcher()
{
    Pacing.SavePace(PacePath, PaceMessage);
    Dns.Stop();
    {
        std::lock_guard lock(Hub->Mutex);
        Hub->Context = nullptr;
        Hub->Sink = nullptr;
    }
    // Nobody will take their results any more: let blocked workers return from the network.
    for (auto& [serial, worker] : LiveWorkers) {
        worker->Whois.Abandon();
        worker->Rdap.Cancel();
    }
}

void TCheckDispatcher::LoadSettings(const TEngineSettings& settings)
{
    EngineSettings = settings;
    Router.Load(ProxyPool(EngineSettings));
    std::vector<std::string> ways;
    for (std::size_t proxy = 0; proxy < Router.Count(); ++proxy)
        ways.push_back(ProxyUrl(*Router.Proxy(proxy), false));
    Pacing.SetWays(std::move(ways), EngineSettings.Pause);
    // The settings dialog may have changed a host's min_interval too.
    Pacing.Reload();
    if (EngineSettings.Pause > 0)
        tThreads.setInterval(EngineSettings.Pause);
    SetState(State);
}

std::uint64_t TCheckDispatcher::TickCount() const
{
    return Options.Clock ? Options.Clock() : SystemTickCount();
}

std::uint64_t TCheckDispatcher::WatchdogBudgetMs() const
{
    if (Options.WatchdogBudgetMs >= 0)
        return static_cast<std::uint64_t>(Options.WatchdogBudgetMs);
    // Attempts of 0 or less still make one query, so they get the budget of one.
    return static_cast<std::uint64_t>(std::max(EngineSettings.Attempts, 1)) * BudgetPerAttemptMs;
}

std::string TCheckDispatcher::ThreadsText() const
{
    return "Threads: " + std::to_string(Running);
}

std::string TCheckDispatcher::TotalText() const
{
    std::string text = "Current/Servers Total: " + std::to_string(Next) + "/" + std::to_string(PassLength());
    if (Dns.Asked() > 0)
        text += "  DNS: " + std::to_string(Dns.Answered()) + "/" + std::to_string(Dns.Asked()) + ", " +
                std::to_string(Dns.Delegated()) + " delegated";
    // Said once, where the counts stand, instead of once per row in its answers entry.
    if (Dns.ResolverSilent())
        text += " (the DNS server did not answer: the names go to WHOIS without it)";
    return text;
}

void TCheckDispatcher::SetState(TPassState state)
{
    State = state;
    // An interval of 0 (or less) means the timer never ticks, as the setting has always meant.
    if (State == TPassState::Passing && EngineSettings.Pause > 0) {
        if (!tThreads.isActive())
            tThreads.start();
    } else {
        tThreads.stop();
    }
    if (State != TPassState::Passing)
        tPacing.stop();
}

void TCheckDispatcher::SetRunningCount(int value)
{
    TSyncMutexGuard guard(smCounter);
    Running = value;
}

int TCheckDispatcher::PassLength() const
{
    return OnlyPassOrder ? static_cast<int>(PassOrder.size()) : Rows.RowCount();
}

std::vector<TRowId> TCheckDispatcher::RowsInViewOrder() const
{
    if (ViewOrder)
        return ViewOrder();
    std::vector<TRowId> order(static_cast<std::size_t>(Rows.RowCount()));
    for (int row = 0; row < Rows.RowCount(); ++row)
        order[static_cast<std::size_t>(row)] = Rows.IdAt(row);
    return order;
}

void TCheckDispatcher::StartAll()
{
    PassOrder = RowsInViewOrder();
    OnlyPassOrder = false;
    StartPass();
    emit ModifiedSet();
    emit StatusChanged();
}

int TCheckDispatcher::PassRowsReading(TRowResult result, bool tickedOnly)
{
    const std::vector<TRowId> order = RowsInViewOrder();
    std::vector<int> rows;
    PassOrder.clear();
    for (const TRowId id : order) {
        const int row = Rows.RowOf(id);
        if (row >= 0 && Rows.ResultOf(row) == result && (!tickedOnly || Rows.Checked(row))) {
            PassOrder.push_back(id);
            rows.push_back(row);
        }
    }
    Rows.SetRowsChecked(rows, true);
    OnlyPassOrder = true;
    StartPass();
    if (!rows.empty())
        emit ModifiedSet();
    emit StatusChanged();
    return static_cast<int>(rows.size());
}

void TCheckDispatcher::StartPass()
{
    Frozen = false;
    StopFlag = false;
    Next = 0;
    // Workers of a stopped pass that still run stay counted: the count is always the number of
    // live workers, so the thread limit holds for the new pass too.
    SetRunningCount(static_cast<int>(LiveWorkers.size()));
    ProgressMax = PassLength();
    Replacements.clear();
    Refusals.Clear();
    ++IdleRetries;
    Pacing.ClearWaiting();
    Pacing.Reload();
    Router.ForgetRows();
    StartDnsStage();
    SetState(TPassState::Passing);
}

void TCheckDispatcher::CheckSelected(TRowId row)
{
    if (Rows.RowOf(row) < 0)
        return;
    Frozen = true;
    StopFlag = false;
    Router.Forget(row);
    // Outside a pass nothing else reads the intervals again after an edit of a host.
    if (State == TPassState::Idle)
        Pacing.Reload();
    if (const std::optional<std::size_t> proxy = ChooseProxy(row))
        StartCheck(row, *proxy);
    emit StatusChanged();
}

void TCheckDispatcher::Stop()
{
    StopFlag = true;
    Frozen = true;
    // Off at once rather than at its next tick, so that nothing issued before that tick can set
    // the pass going again from the first row.
    SetState(TPassState::Idle);
    Next = 0;
    Pacing.ClearWaiting();
    ++IdleRetries;
    Dns.Stop();
    ProgressPos = 0;
    emit StatusChanged();
}

void TCheckDispatcher::TableChanging()
{
    // The table is being regenerated or replaced: the pass ends first; results of workers still
    // running are dropped with their rows.
    if (State != TPassState::Idle || Next > 0 || !Pacing.NoneWaiting())
        Stop();
    PassOrder.clear();
    Router.ForgetRows();
    OnlyPassOrder = false;
}

void TCheckDispatcher::DispatcherTick()
{
    if (InTick || State != TPassState::Passing)
        return;
    const int rows = PassLength();
    if (Next >= rows && Pacing.NoneWaiting()) {
        SetState(TPassState::Draining);
        return;
    }
    {
        const TTickGuard guard(InTick);
        PassNextRow(rows);
    }
    ArmPacingTimer();
}

void TCheckDispatcher::PassNextRow(int rows)
{
    if (Running >= WorkerLimit())
        return;
    // A waiting row whose host has become due goes first: it was passed before the rows still
    // ahead. Each tick still starts at most one worker.
    if (StartWaitingRow())
        return;
    // A row that only goes into its host's queue costs no tick: the pass goes on with the next
    // row at once, so that a table sorted by TLD has all its hosts going within a few ticks.
    for (int queued = 0; queued <= MaxQueuedPerTick; ++queued) {
        if (!Dns.SkipSettled(PassOrder, rows, Next) || Next >= rows)
            return;
        const TRowId id =
            static_cast<std::size_t>(Next) < PassOrder.size() ? PassOrder[static_cast<std::size_t>(Next)] : NoRowId;
        ++Next;
        const int row = Rows.RowOf(id);
        if (row < 0 || !Rows.Checked(row))
            return;
        const std::string host = PacedHostOf(row);
        const int interval = Pacing.IntervalOf(host);
        const std::size_t proxy = ChooseProxy(id, host, interval).value_or(0);
        const TPacingLane lane{proxy, host};
        // A row whose lane is not due waits without a worker: the pass goes on with other hosts' rows.
        if (!Pacing.Due(lane, interval)) {
            Pacing.Wait(id, lane, interval);
            continue;
        }
        StartCheck(id, proxy);
        return;
    }
}

void TCheckDispatcher::PacingTick()
{
    if (InTick || State != TPassState::Passing)
        return;
    {
        const TTickGuard guard(InTick);
        // Rows of different hosts may be due at once; a host that has just had its query is not
        // due again, so each host gets at most one here.
        while (Running < WorkerLimit() && StartWaitingRow()) {
        }
    }
    ArmPacingTimer();
}

void TCheckDispatcher::ArmPacingTimer()
{
    if (State != TPassState::Passing || Pacing.NoneWaiting() || Running >= WorkerLimit()) {
        tPacing.stop();
        return;
    }
    const std::uint64_t due = Pacing.NextDueTick();
    // Every waiting host is full: a worker's end sets the timer again.
    if (due == std::numeric_limits<std::uint64_t>::max()) {
        tPacing.stop();
        return;
    }
    const std::uint64_t now = TickCount();
    const std::uint64_t delay = due > now ? due - now : 0;
    tPacing.start(static_cast<int>(std::min<std::uint64_t>(delay, std::numeric_limits<int>::max())));
}

bool TCheckDispatcher::StartWaitingRow()
{
    // No row leaves the table while rows wait: removing rows ends the pass first (TableChanging).
    auto due = Pacing.TakeDue();
    if (!due)
        due = Pacing.TakeMovable(Router.Count(),
                                 [this](TRowId row, std::size_t proxy) { return Router.Allows(row, proxy); });
    if (!due)
        return false;
    StartCheck(due->first, due->second.Proxy);
    return true;
}

std::string TCheckDispatcher::PacedHostOf(int row) const
{
    return PacedHost(WhoisServerForDomain(std::string(Rows.CaptionView(row))));
}

std::optional<std::size_t> TCheckDispatcher::ChooseProxy(TRowId row, const std::string& host, int intervalMs)
{
    return Router.Choose(row, [&](std::size_t proxy) { return Pacing.FreeAt(TPacingLane{proxy, host}, intervalMs); });
}

std::optional<std::size_t> TCheckDispatcher::ChooseProxy(TRowId row)
{
    const int index = Rows.RowOf(row);
    if (index < 0)
        return std::nullopt;
    const std::string host = PacedHostOf(index);
    return ChooseProxy(row, host, Pacing.IntervalOf(host));
}

void TCheckDispatcher::MoveRowsOff(std::size_t proxy)
{
    for (const auto& [row, lane] : Pacing.TakeProxyRows(proxy)) {
        const int interval = Pacing.IntervalOf(lane.Host);
        const std::size_t other = ChooseProxy(row, lane.Host, interval).value_or(proxy);
        Pacing.Wait(row, TPacingLane{other, lane.Host}, interval);
    }
}

bool TCheckDispatcher::PutBackRefused(const std::shared_ptr<TWorkerState>& worker, int retryAfterMs,
                                      std::string& giveUp)
{
    Pacing.Refused(worker->Serial, retryAfterMs);
    const int row = Rows.RowOf(worker->Row);
    if (StopFlag || row < 0)
        return false;
    const TRowId id = worker->Row;
    const std::string host = PacedHostOf(row);
    const int interval = Pacing.IntervalOf(host);
    const std::size_t proxy = ChooseProxy(id, host, interval).value_or(worker->Proxy);
    // Where a name's time is bounded (the command line), refusals do not stretch it.
    const int delay = std::max(Pacing.LaneIntervalMs(TPacingLane{proxy, host}, interval), retryAfterMs);
    const std::uint64_t wait = static_cast<std::uint64_t>(delay);
    const std::uint64_t bound = Options.MaxReplacements >= 0 ? WatchdogBudgetMs() : 0;
    if (const std::optional<std::string> line = Refusals.Refused(id, TickCount(), wait, bound)) {
        giveUp = *line;
        return false;
    }
    // The row waits, it does not run: no start tick for the watchdog to find overdue.
    Rows.ClearStarted(row);
    if (State == TPassState::Idle) {
        // "Check selected domain": no pass drains the queues, so the row has a timer of its own.
        QTimer::singleShot(delay, this, [this, id, proxy, generation = IdleRetries] {
            if (generation == IdleRetries && State == TPassState::Idle && Rows.RowOf(id) >= 0)
                StartCheck(id, proxy);
        });
        return true;
    }
    Pacing.PutBack(id, TPacingLane{proxy, host}, interval);
    if (State == TPassState::Draining)
        SetState(TPassState::Passing);
    if (!InTick)
        ArmPacingTimer();
    return true;
}

bool TCheckDispatcher::RetryElsewhere(TRowId id)
{
    const int row = Rows.RowOf(id);
    if (row < 0)
        return false;
    const std::string host = PacedHostOf(row);
    const int interval = Pacing.IntervalOf(host);
    const std::optional<std::size_t> proxy = ChooseProxy(id, host, interval);
    if (!proxy)
        return false;
    if (State == TPassState::Idle) {
        // "Check selected domain" keeps to no pacing: the next proxy is asked at once.
        StartCheck(id, *proxy);
        return true;
    }
    // The row waits in its new lane like any other; a pass that had passed every row takes up
    // passing again until it has left.
    Pacing.Wait(id, TPacingLane{*proxy, host}, interval);
    if (State == TPassState::Draining)
        SetState(TPassState::Passing);
    if (!InTick)
        ArmPacingTimer();
    return true;
}

std::string TCheckDispatcher::WhoisServerForDomain(const std::string& name) const
{
    return QueryTargetForDomain(name).Server;
}

TQueryTarget TCheckDispatcher::QueryTargetForDomain(const std::string& name) const
{
    return Jobs.TargetFor(name);
}

void TCheckDispatcher::StartCheck(TRowId id, std::size_t proxy)
{
    const int row = Rows.RowOf(id);
    if (row < 0)
        return;
    if (proxy >= Router.Count())
        proxy = 0;
    const TProxySettings* way = Router.Proxy(proxy);
    TJobMaker::TMade made = Jobs.Make(id, std::string(Rows.CaptionView(row)), way ? *way : EngineSettings.Proxy,
                                      Router.Pooled(), EngineSettings);
    if (made.Kind == TJobMaker::TMade::TKind::Blank)
        return;
    if (made.Kind == TJobMaker::TMade::TKind::Refused) {
        RefuseName(row, made.Refusal);
        return;
    }
    TWhoisJob& job = made.Job;
    // A refused answer comes back at once and the row waits in its host's queue, not in a thread.
    job.RefusalEndsCheck = true;
    const TPacingLane lane{proxy, PacedHost(job.WhoisServer)};
    const bool viaRdap = job.ViaRdap;
    job.MinIntervalMs = Pacing.IntervalOf(lane.Host);
    auto state = std::make_shared<TWorkerState>();
    state->Serial = ++LastSerial;
    state->Row = id;
    state->Proxy = proxy;
    auto worker = std::make_unique<TWhoisThread>(Hub, state, std::move(job));
    RowWorkers[id] = state;
    Rows.MarkStarted(row, TickCount());
    LiveWorkers.emplace(state->Serial, state);
    SetRunningCount(Running + 1);
    Pacing.Started(state->Serial, lane, viaRdap);
    try {
        worker->Start(Options.ThreadStarter);
        worker.release(); // the thread owns it now and frees it when it ends
    } catch (const std::system_error&) {
        // No thread could be made: the check fails like one whose every query failed.
        Pacing.Release(state->Serial);
        LiveWorkers.erase(state->Serial);
        RowWorkers.erase(id);
        SetRunningCount(Running - 1);
        Rows.SetResult(row, {TRowResult::Error});
        emit ResultApplied(id);
    }
}

void TCheckDispatcher::StartDnsStage()
{
    Dns.Stop();
    if (!EngineSettings.DnsFirst)
        return;
    for (const TRowId id : PassOrder) {
        const int row = Rows.RowOf(id);
        if (row >= 0 && Rows.Checked(row))
            Dns.Add(id, std::string(Rows.CaptionView(row)));
    }
    TDnsCheckOptions options;
    options.Server = EngineSettings.DnsServer;
    options.TimeoutMs = Options.DnsTimeoutMs;
    options.Tries = Options.DnsTries;
    options.MaxInFlight = Options.DnsInFlight;
    Dns.Start(std::move(options));
}

void TCheckDispatcher::ApplyDnsVerdict(std::uint64_t generation, const TDnsVerdict& verdict)
{
    const int row = Rows.RowOf(verdict.Row);
    if (!Dns.Accept(generation, verdict, row >= 0))
        return;
    std::string log = "Delegated in DNS, so registered. Name servers:\r\n";
    for (const std::string& server : verdict.NameServers)
        log += "  " + server + "\r\n";
    log += "No WHOIS query was made.";
    // Registrar and expiry date are emptied, as DNS names neither; the WHOIS server is left alone.
    Rows.SetResult(row, {TRowResult::Registered, std::move(log), "", std::nullopt, TExpiryResult{},
                         "The name is delegated in DNS"});
    emit ResultApplied(verdict.Row);
}

void TCheckDispatcher::RefuseName(int row, const std::string& logText)
{
    Rows.SetResult(row, {TRowResult::Error, logText});
    emit ResultApplied(Rows.IdAt(row));
}

void TCheckDispatcher::DeliverResult(const std::shared_ptr<TWorkerState>& worker, const TSyncSendResult& result)
{
    if (worker->Abandoned.load())
        return;
    std::string giveUp;
    if (result.Refused && PutBackRefused(worker, result.RetryAfterMs, giveUp))
        return;
    if (!result.Refused) {
        Refusals.Forget(result.RowIndex);
        if (result.Verdict != TRowResult::Error)
            Pacing.Answered(worker->Serial);
    }
    if (!Router.Pooled() || worker->Proxy >= Router.Count()) {
        TSyncSendResult applied = result;
        if (!giveUp.empty())
            applied.LogEntry = giveUp + applied.LogEntry.value_or(std::string());
        if (TResultApplier::ApplyResult(Rows, applied))
            emit ResultApplied(result.RowIndex);
        return;
    }
    if (result.ProxyFailed) {
        Router.Failed(result.RowIndex, worker->Proxy, result.ProxyFailure);
        MoveRowsOff(worker->Proxy);
        if (StopFlag)
            Router.Note(result.RowIndex, "Not asked through another proxy: the check was stopped.");
        else if (RetryElsewhere(result.RowIndex))
            return;
        else
            Router.Note(result.RowIndex, "No proxy got through for this name.");
    } else {
        Router.GotThrough(result.RowIndex, worker->Proxy);
    }
    // The trail heads the row's answers entry, also when the check brought no text of its own.
    TSyncSendResult applied = result;
    applied.LogEntry = Router.TakeTrail(result.RowIndex) + giveUp + applied.LogEntry.value_or(std::string());
    if (TResultApplier::ApplyResult(Rows, applied))
        emit ResultApplied(applied.RowIndex);
}

void TCheckDispatcher::WorkerEnded(const std::shared_ptr<TWorkerState>& worker)
{
    // An abandoned worker was already taken off the count by the watchdog.
    if (worker->Abandoned.load())
        return;
    Pacing.Release(worker->Serial);
    if (LiveWorkers.erase(worker->Serial) > 0)
        SetRunningCount(Running - 1);
    auto it = RowWorkers.find(worker->Row);
    if (it != RowWorkers.end() && it->second == worker)
        RowWorkers.erase(it);
    // The freed slot may be what a due waiting row was held back by.
    if (!Pacing.NoneWaiting() && !InTick)
        ArmPacingTimer();
}

void TCheckDispatcher::CheckOverdueWorkers()
{
    const std::uint64_t now = TickCount();
    const std::uint64_t budget = WatchdogBudgetMs();
    for (int row = Rows.FirstOverdueRow(now, budget); row >= 0; row = Rows.FirstOverdueRow(now, budget, row + 1)) {
        ReplaceOverdue(row);
        if (!Options.EveryOverdueRowPerTick)
            return;
    }
}

void TCheckDispatcher::ReplaceOverdue(int row)
{
    const TRowId overdue = Rows.IdAt(row);
    Rows.ClearStarted(row);
    emit Beep();
    auto it = RowWorkers.find(overdue);
    if (it != RowWorkers.end()) {
        std::shared_ptr<TWorkerState> worker = it->second;
        RowWorkers.erase(it);
        // A worker that already ended (without delivering) is neither touched nor counted again.
        Pacing.Release(worker->Serial);
        if (LiveWorkers.erase(worker->Serial) > 0) {
            worker->Abandoned.store(true);
            worker->Whois.Abandon();
            worker->Rdap.Cancel();
            SetRunningCount(Running - 1);
        }
    }
    const int replaced = ++Replacements[overdue];
    if (Options.MaxReplacements >= 0 && replaced > Options.MaxReplacements) {
        // Nothing came back to show; the entry says why the row has no answer.
        Rows.SetResult(row, {TRowResult::Error, "gave up after " + SecondsText(WatchdogBudgetMs()) + " s"});
        emit ResultApplied(overdue);
        return;
    }
    if (const std::optional<std::size_t> proxy = ChooseProxy(overdue))
        StartCheck(overdue, *proxy);
}

void TCheckDispatcher::StatusTick()
{
    if (InTick)
        return;
    const TTickGuard guard(InTick);

    const int rows = PassLength();
    // Rows waiting for their host have not been passed yet.
    const bool allPassed = Next >= rows && Pacing.NoneWaiting();
    if (((allPassed && Next == rows) || (Options.WatchdogDuringPass && State == TPassState::Passing)) && Running > 0) {
        CheckOverdueWorkers();
        // A row given up frees its slot for a waiting row.
        if (!Pacing.NoneWaiting())
            ArmPacingTimer();
    }
    if (allPassed && Running == 0) {
        ProgressPos = 0;
        if (State != TPassState::Idle) {
            SetState(TPassState::Idle);
            Pacing.SavePace(PacePath, PaceMessage);
            emit StatusChanged();
            emit PassFinished();
            return;
        }
    } else if (!Frozen && rows > 0) {
        ProgressMax = rows;
        ProgressPos = std::max(0, Next - Running - Pacing.WaitingCount());
    }
    emit StatusChanged();
}
