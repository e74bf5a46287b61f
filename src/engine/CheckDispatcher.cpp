#include "engine/CheckDispatcher.h"

#include "base/AsciiText.h"
#include "engine/ResultApplier.h"
#include "engine/SyncMutexGuard.h"
#include "engine/WhoisThread.h"
#include "models/IdnaName.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"
#include "settings/ProxyPool.h"
#include "settings/ProxyUrl.h"
#include "settings/TldTable.h"
#include "whois/DomainName.h"
#include "whois/ResponseText.h"

#include <QUrl>

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
    : QObject(parent), Model(model), Options(std::move(options)),
      DateMasks(std::make_shared<const TDateMasks>(Options.DateMasks)),
      Resolver(Options.ConfigPath, TServerResolver::BootstrapPathBeside(Options.ConfigPath), Options.ServerPreference),
      smCounter("smCounter", Options.LockFolder), Hub(std::make_shared<TWorkerHub>()),
      DescriptorBudget(WorkersForDescriptors(Options.OpenFileLimit))
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

    connect(&Model, &QAbstractItemModel::modelAboutToBeReset, this, &TCheckDispatcher::TableChanging);
    connect(&Model, &QAbstractItemModel::rowsAboutToBeInserted, this, &TCheckDispatcher::TableChanging);
    connect(&Model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &TCheckDispatcher::TableChanging);
}

TCheckDispatcher::~TCheckDispatcher()
{
    StopDnsStage();
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
    Pool = ProxyPool(EngineSettings);
    if (Rests.size() != Pool.size())
        Rests.assign(Pool.size(), TProxyRest{});
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
    if (DnsAsked > 0)
        text += "  DNS: " + std::to_string(DnsAnswered) + "/" + std::to_string(DnsAsked) + ", " +
                std::to_string(DnsDelegated) + " delegated";
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
    return OnlyPassOrder ? static_cast<int>(PassOrder.size()) : Model.RowCount();
}

std::vector<TRowId> TCheckDispatcher::RowsInViewOrder() const
{
    if (ViewOrder)
        return ViewOrder();
    std::vector<TRowId> order(static_cast<std::size_t>(Model.RowCount()));
    for (int row = 0; row < Model.RowCount(); ++row)
        order[static_cast<std::size_t>(row)] = Model.IdAt(row);
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

int TCheckDispatcher::CheckErrorsAgain()
{
    const std::vector<TRowId> order = RowsInViewOrder();
    std::vector<int> rows;
    PassOrder.clear();
    for (const TRowId id : order) {
        const int row = Model.RowOf(id);
        if (row >= 0 && Model.ResultOf(row) == TRowResult::Error) {
            PassOrder.push_back(id);
            rows.push_back(row);
        }
    }
    Model.SetRowsChecked(rows, true);
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
    Waiting.Clear();
    Routes.clear();
    StartDnsStage();
    SetState(TPassState::Passing);
}

void TCheckDispatcher::CheckSelected(TRowId row)
{
    if (Model.RowOf(row) < 0)
        return;
    Frozen = true;
    StopFlag = false;
    Routes.erase(row);
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
    Waiting.Clear();
    StopDnsStage();
    ProgressPos = 0;
    emit StatusChanged();
}

void TCheckDispatcher::TableChanging()
{
    // The table is being regenerated or replaced: the pass ends first; results of workers still
    // running are dropped with their rows.
    if (State != TPassState::Idle || Next > 0 || !Waiting.Empty())
        Stop();
    PassOrder.clear();
    Routes.clear();
    OnlyPassOrder = false;
}

void TCheckDispatcher::DispatcherTick()
{
    if (InTick || State != TPassState::Passing)
        return;
    const int rows = PassLength();
    if (Next >= rows && Waiting.Empty()) {
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
    if (StartWaitingRow() || !SkipDnsSettledRows(rows) || Next >= rows)
        return;
    const TRowId id =
        static_cast<std::size_t>(Next) < PassOrder.size() ? PassOrder[static_cast<std::size_t>(Next)] : NoRowId;
    ++Next;
    const int row = Model.RowOf(id);
    if (row < 0 || !Model.Checked(row))
        return;
    const std::string host = PacedHost(WhoisServerForDomain(Model.Caption(row)));
    const int interval = MinIntervalOf(host);
    const std::size_t proxy = ChooseProxy(id, host, interval).value_or(0);
    const TPacingLane lane{proxy, host};
    // A row whose lane is not due waits without a worker: the pass goes on with other hosts' rows.
    if (!LaneDue(lane, interval)) {
        Waiting.Push(id, lane, interval);
        return;
    }
    StartCheck(id, proxy);
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
    if (State != TPassState::Passing || Waiting.Empty() || Running >= WorkerLimit()) {
        tPacing.stop();
        return;
    }
    const std::uint64_t due =
        Waiting.NextDueTick([this](const TPacingLane& lane, int intervalMs) { return LaneDueAt(lane, intervalMs); });
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
    const auto due =
        Waiting.TakeDue([this](const TPacingLane& lane, int intervalMs) { return LaneDue(lane, intervalMs); });
    if (!due)
        return false;
    StartCheck(due->first, due->second.Proxy);
    return true;
}

std::uint64_t TCheckDispatcher::LaneDueAt(const TPacingLane& lane, int intervalMs) const
{
    // A host whose connections are all taken waits for a worker's end, not for a tick.
    if (HostFull(lane.Host))
        return std::numeric_limits<std::uint64_t>::max();
    const std::uint64_t rested = lane.Proxy < Rests.size() ? Rests[lane.Proxy].Until : 0;
    if (intervalMs <= 0)
        return rested;
    const auto last = LastStartAt.find(lane);
    if (last == LastStartAt.end())
        return rested;
    return std::max(rested, last->second + static_cast<std::uint64_t>(intervalMs));
}

std::optional<std::size_t> TCheckDispatcher::ChooseProxy(TRowId row, const std::string& host, int intervalMs)
{
    if (Pool.size() <= 1)
        return 0;
    const auto route = Routes.find(row);
    const std::uint64_t now = TickCount();
    std::optional<std::size_t> best;
    std::uint64_t bestAt = 0;
    for (std::size_t step = 0; step < Pool.size(); ++step) {
        const std::size_t proxy = (ProxyCursor + step) % Pool.size();
        if (route != Routes.end() && proxy < route->second.Failed.size() && route->second.Failed[proxy])
            continue;
        const TPacingLane lane{proxy, host};
        const std::uint64_t dueAt = LaneDueAt(lane, intervalMs);
        // A full host is full through every proxy: no lane of it is better than another.
        const std::uint64_t freeAt = dueAt == std::numeric_limits<std::uint64_t>::max()
                                         ? dueAt
                                         : std::max(now, dueAt) + static_cast<std::uint64_t>(std::max(0, intervalMs)) *
                                                                      static_cast<std::uint64_t>(Waiting.CountIn(lane));
        if (!best || freeAt < bestAt) {
            best = proxy;
            bestAt = freeAt;
        }
    }
    // Proxies that are equally good take turns.
    if (best)
        ProxyCursor = (*best + 1) % Pool.size();
    return best;
}

std::optional<std::size_t> TCheckDispatcher::ChooseProxy(TRowId row)
{
    const int index = Model.RowOf(row);
    if (index < 0)
        return std::nullopt;
    const std::string host = PacedHost(WhoisServerForDomain(Model.Caption(index)));
    return ChooseProxy(row, host, MinIntervalOf(host));
}

void TCheckDispatcher::RestProxy(std::size_t proxy)
{
    TProxyRest& rest = Rests[proxy];
    rest.Until = TickCount() + static_cast<std::uint64_t>(rest.NextMs);
    rest.NextMs = std::min(rest.NextMs * 2, LastRestMs);
    for (const auto& [row, lane] : Waiting.TakeProxyRows(proxy)) {
        const int interval = MinIntervalOf(lane.Host);
        const std::size_t other = ChooseProxy(row, lane.Host, interval).value_or(proxy);
        Waiting.Push(row, TPacingLane{other, lane.Host}, interval);
    }
}

bool TCheckDispatcher::RetryElsewhere(TRowId id)
{
    const int row = Model.RowOf(id);
    if (row < 0)
        return false;
    const std::string host = PacedHost(WhoisServerForDomain(Model.Caption(row)));
    const int interval = MinIntervalOf(host);
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
    Waiting.Push(id, TPacingLane{*proxy, host}, interval);
    if (State == TPassState::Draining)
        SetState(TPassState::Passing);
    if (!InTick)
        ArmPacingTimer();
    return true;
}

bool TCheckDispatcher::HostFull(const std::string& host) const
{
    const auto running = RdapRunning.find(host);
    return running != RdapRunning.end() && running->second >= TRdapClient::ConnectionsPerHost;
}

void TCheckDispatcher::ReleaseHost(std::uint64_t serial)
{
    const auto worker = RdapHostOf.find(serial);
    if (worker == RdapHostOf.end())
        return;
    if (const auto running = RdapRunning.find(worker->second); running != RdapRunning.end() && --running->second <= 0)
        RdapRunning.erase(running);
    RdapHostOf.erase(worker);
}

int TCheckDispatcher::MinIntervalOf(const std::string& host) const
{
    if (host.empty())
        return 0;
    return std::max(0, TIniFile(Options.ConfigPath).ReadInteger(host, std::string(ConfigKeys::MinInterval), 0));
}

std::string TCheckDispatcher::PacedHost(const std::string& target)
{
    static const std::string_view Scheme = "https://";
    if (target.size() < Scheme.size() || LowerAscii(target.substr(0, Scheme.size())) != Scheme)
        return target;
    std::string authority = target.substr(Scheme.size(), target.find_first_of("/?#", Scheme.size()) - Scheme.size());
    if (const std::size_t at = authority.rfind('@'); at != std::string::npos)
        authority.erase(0, at + 1);
    if (const std::size_t colon = authority.rfind(':');
        colon != std::string::npos && authority.find(']', colon) == std::string::npos)
        authority.erase(colon);
    return LowerAscii(authority);
}

std::string TCheckDispatcher::WhoisServerForDomain(const std::string& name) const
{
    return QueryTargetForDomain(name).Server;
}

TQueryTarget TCheckDispatcher::QueryTargetForDomain(const std::string& name) const
{
    return Resolver.TargetFor(name);
}

void TCheckDispatcher::StartCheck(TRowId id, std::size_t proxy)
{
    const int row = Model.RowOf(id);
    if (row < 0)
        return;
    const std::string caption = Model.Caption(row);
    // A row without a name (a blank caption) has nothing to check and is left as it is.
    if (Trim(caption).empty())
        return;
    // Servers are asked an internationalised name's A-labels, and its top-level domain is looked up
    // under its A-label too, as the server table and the RDAP bootstrap keep it.
    TIdnaName name = TIdnaName::Of(caption);
    if (!name.Problem.empty()) {
        RefuseName(row, "Not sent to any WHOIS server: " + name.Problem);
        return;
    }
    TQueryTarget target = QueryTargetForDomain(name.Ace);
    if (target.Kind == TQueryTarget::TKind::None) {
        RefuseName(row, "Not sent to any server: " + target.Problem);
        return;
    }

    TWhoisJob job;
    job.DomainName = std::move(name.Ace);
    if (proxy >= Pool.size())
        proxy = 0;
    job.ProxySettings = Pool.empty() ? EngineSettings.Proxy : Pool[proxy];
    job.FailOverProxy = Pool.size() > 1;
    job.WhoisServer = std::move(target.Server);
    job.ConfigPath = Options.ConfigPath;
    job.DateMasks = DateMasks;
    job.RowIndex = id;
    job.Attempts = EngineSettings.Attempts;
    job.Port = Options.WhoisPort;
    job.ConnectTimeoutMs = Options.ConnectTimeoutMs;
    job.ViaRdap = target.Kind == TQueryTarget::TKind::Rdap;
    job.RdapFallback = std::move(target.RdapFallback);
    if (job.ViaRdap || !job.RdapFallback.empty()) {
        job.Rdap = RdapClient();
        job.RdapTimeoutMs = Options.RdapTimeoutMs;
        job.RdapHosts = Resolver.BootstrapHosts();
    }
    job.ReferralTimeoutMs = Options.ReferralTimeoutMs;
    job.BackOff = Options.BackOff;

    const std::string pacedHost = PacedHost(job.WhoisServer);
    const bool viaRdap = job.ViaRdap;
    job.MinIntervalMs = MinIntervalOf(pacedHost);
    LastStartAt[TPacingLane{proxy, pacedHost}] = TickCount();
    auto state = std::make_shared<TWorkerState>();
    state->Serial = ++LastSerial;
    state->Row = id;
    state->Proxy = proxy;
    auto worker = std::make_unique<TWhoisThread>(Hub, state, std::move(job));
    RowWorkers[id] = state;
    Model.SetSlot(row, SlotStartTick, std::to_string(TickCount()));
    LiveWorkers.emplace(state->Serial, state);
    SetRunningCount(Running + 1);
    if (viaRdap) {
        ++RdapRunning[pacedHost];
        RdapHostOf[state->Serial] = pacedHost;
    }
    try {
        worker->Start(Options.ThreadStarter);
        worker.release(); // the thread owns it now and frees it when it ends
    } catch (const std::system_error&) {
        // No thread could be made: the check fails like one whose every query failed.
        ReleaseHost(state->Serial);
        LiveWorkers.erase(state->Serial);
        RowWorkers.erase(id);
        SetRunningCount(Running - 1);
        Model.SetSlot(row, SlotStartTick, "");
        Model.SetSlot(row, SlotAvailability, "RESULT ERROR");
        emit ResultApplied(id);
    }
}

void TCheckDispatcher::StartDnsStage()
{
    StopDnsStage();
    if (!EngineSettings.DnsFirst)
        return;
    TDnsDelegationCheck::TNames names;
    for (const TRowId id : PassOrder) {
        const int row = Model.RowOf(id);
        if (row < 0 || !Model.Checked(row))
            continue;
        const std::string caption = Model.Caption(row);
        // Rows that StartCheck refuses without a query are left to it.
        if (Trim(caption).empty() || !DomainNameProblem(caption).empty() || DnsRows.count(id))
            continue;
        const QByteArray ace = QUrl::toAce(QString::fromStdString(Trim(caption)));
        if (ace.isEmpty())
            continue;
        names.emplace_back(id, ace.toStdString());
        DnsRows.emplace(id, TDnsRowState::Pending);
    }
    DnsAsked = static_cast<int>(names.size());
    if (names.empty())
        return;
    TDnsCheckOptions options;
    options.Server = EngineSettings.DnsServer;
    options.TimeoutMs = Options.DnsTimeoutMs;
    options.Tries = Options.DnsTries;
    options.MaxInFlight = Options.DnsInFlight;
    const std::uint64_t generation = DnsGeneration;
    // The verdicts arrive on the stage's thread; each is handed to this thread's event loop. The
    // stage stops delivering before this object goes, and posted calls die with it.
    Dns =
        std::make_unique<TDnsDelegationCheck>(std::move(options), std::move(names), [this, generation](TDnsVerdict v) {
            QMetaObject::invokeMethod(
                this, [this, generation, verdict = std::move(v)] { ApplyDnsVerdict(generation, verdict); },
                Qt::QueuedConnection);
        });
    try {
        Dns->Start();
    } catch (const std::system_error&) {
        // Without a thread for DNS the pass is the one without it.
        StopDnsStage();
    }
}

void TCheckDispatcher::StopDnsStage()
{
    Dns.reset();
    ++DnsGeneration;
    DnsRows.clear();
    DnsAsked = DnsAnswered = DnsDelegated = 0;
}

void TCheckDispatcher::ApplyDnsVerdict(std::uint64_t generation, const TDnsVerdict& verdict)
{
    if (generation != DnsGeneration)
        return;
    auto it = DnsRows.find(verdict.Row);
    if (it == DnsRows.end() || it->second != TDnsRowState::Pending)
        return;
    ++DnsAnswered;
    const int row = Model.RowOf(verdict.Row);
    if (!verdict.Delegated || row < 0) {
        it->second = TDnsRowState::ToWhois;
        return;
    }
    it->second = TDnsRowState::Settled;
    ++DnsDelegated;
    std::string log = "Delegated in DNS, so registered. Name servers:\r\n";
    for (const std::string& server : verdict.NameServers)
        log += "  " + server + "\r\n";
    log += "No WHOIS query was made.";
    Model.SetSlot(row, SlotStartTick, "");
    Model.SetSlot(row, SlotRegistrar, "");
    Model.SetSlot(row, SlotExpires, "");
    Model.SetSlot(row, SlotAvailability, "NO");
    TResultApplier::StoreLogEntry(Model, row, std::move(log));
    emit ResultApplied(verdict.Row);
}

bool TCheckDispatcher::SkipDnsSettledRows(int rows)
{
    while (!DnsRows.empty() && Next < rows && static_cast<std::size_t>(Next) < PassOrder.size()) {
        const auto it = DnsRows.find(PassOrder[static_cast<std::size_t>(Next)]);
        if (it == DnsRows.end() || it->second == TDnsRowState::ToWhois)
            return true;
        if (it->second == TDnsRowState::Pending)
            return false;
        ++Next;
    }
    return true;
}

std::shared_ptr<TRdapClient> TCheckDispatcher::RdapClient()
{
    if (!Rdap)
        Rdap = std::make_shared<TRdapClient>(Options.Rdap);
    return Rdap;
}

void TCheckDispatcher::RefuseName(int row, const std::string& logText)
{
    Model.SetSlot(row, SlotStartTick, "");
    Model.SetSlot(row, SlotAvailability, "RESULT ERROR");
    TResultApplier::StoreLogEntry(Model, row, logText);
    emit ResultApplied(Model.IdAt(row));
}

void TCheckDispatcher::DeliverResult(const std::shared_ptr<TWorkerState>& worker, const TSyncSendResult& result)
{
    if (worker->Abandoned.load())
        return;
    if (Pool.size() <= 1 || worker->Proxy >= Pool.size()) {
        if (TResultApplier::ApplyResult(Model, result))
            emit ResultApplied(result.RowIndex);
        return;
    }
    TRoute& route = Routes[result.RowIndex];
    const std::string way = ProxyUrl(Pool[worker->Proxy], false);
    const std::string through = way == "direct" ? "Asked directly" : "Asked through " + way;
    if (result.ProxyFailed) {
        route.Trail += through + ": " + result.ProxyFailure + "\r\n";
        route.Failed.resize(Pool.size());
        route.Failed[worker->Proxy] = true;
        RestProxy(worker->Proxy);
        if (StopFlag)
            route.Trail += "Not asked through another proxy: the check was stopped.\r\n";
        else if (RetryElsewhere(result.RowIndex))
            return;
        else
            route.Trail += "No proxy got through for this name.\r\n";
    } else {
        Rests[worker->Proxy].NextMs = FirstRestMs;
        route.Trail += through + "\r\n";
    }
    // The trail heads the row's answers entry, also when the check brought no text of its own.
    TSyncSendResult applied = result;
    applied.LogEntry = route.Trail + applied.LogEntry.value_or(std::string());
    Routes.erase(result.RowIndex);
    if (TResultApplier::ApplyResult(Model, applied))
        emit ResultApplied(applied.RowIndex);
}

void TCheckDispatcher::WorkerEnded(const std::shared_ptr<TWorkerState>& worker)
{
    // An abandoned worker was already taken off the count by the watchdog.
    if (worker->Abandoned.load())
        return;
    ReleaseHost(worker->Serial);
    if (LiveWorkers.erase(worker->Serial) > 0)
        SetRunningCount(Running - 1);
    auto it = RowWorkers.find(worker->Row);
    if (it != RowWorkers.end() && it->second == worker)
        RowWorkers.erase(it);
    // The freed slot may be what a due waiting row was held back by.
    if (!Waiting.Empty() && !InTick)
        ArmPacingTimer();
}

void TCheckDispatcher::CheckOverdueWorkers()
{
    const std::uint64_t now = TickCount();
    const std::uint64_t budget = WatchdogBudgetMs();
    for (int row = Model.FirstOverdueRow(now, budget); row >= 0; row = Model.FirstOverdueRow(now, budget, row + 1)) {
        ReplaceOverdue(row);
        if (!Options.EveryOverdueRowPerTick)
            return;
    }
}

void TCheckDispatcher::ReplaceOverdue(int row)
{
    const TRowId overdue = Model.IdAt(row);
    Model.SetSlot(row, SlotStartTick, "");
    emit Beep();
    auto it = RowWorkers.find(overdue);
    if (it != RowWorkers.end()) {
        std::shared_ptr<TWorkerState> worker = it->second;
        RowWorkers.erase(it);
        // A worker that already ended (without delivering) is neither touched nor counted again.
        ReleaseHost(worker->Serial);
        if (LiveWorkers.erase(worker->Serial) > 0) {
            worker->Abandoned.store(true);
            worker->Whois.Abandon();
            worker->Rdap.Cancel();
            SetRunningCount(Running - 1);
        }
    }
    const int replaced = ++Replacements[overdue];
    if (Options.MaxReplacements >= 0 && replaced > Options.MaxReplacements) {
        Model.SetSlot(row, SlotAvailability, "RESULT ERROR");
        // Nothing came back to show; the entry says why the row has no answer.
        TResultApplier::StoreLogEntry(Model, row, "gave up after " + SecondsText(WatchdogBudgetMs()) + " s");
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
    const bool allPassed = Next >= rows && Waiting.Empty();
    if (((allPassed && Next == rows) || (Options.WatchdogDuringPass && State == TPassState::Passing)) && Running > 0) {
        CheckOverdueWorkers();
        // A row given up frees its slot for a waiting row.
        if (!Waiting.Empty())
            ArmPacingTimer();
    }
    if (allPassed && Running == 0) {
        ProgressPos = 0;
        if (State != TPassState::Idle) {
            SetState(TPassState::Idle);
            emit StatusChanged();
            emit PassFinished();
            return;
        }
    } else if (!Frozen && rows > 0) {
        ProgressMax = rows;
        ProgressPos = std::max(0, Next - Running - Waiting.Count());
    }
    emit StatusChanged();
}
