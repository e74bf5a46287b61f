#pragma once

#include "engine/CheckOptions.h"
#include "engine/DnsDelegationCheck.h"
#include "engine/PacingQueue.h"
#include "engine/SyncMutex.h"
#include "engine/WorkerHub.h"
#include "models/DomainTableModel.h"
#include "settings/EngineSettings.h"

#include <QObject>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// Runs the checks of the domain table on the main thread: "Check domains" (a pass over the
// ticked rows, one row per dispatcher tick while fewer than ThreadLimit workers run), "Check
// selected domain", "Stop", the status tick every 125 ms (status texts, progress, command states,
// end of a pass) and the watchdog that replaces a worker that ran over its budget.
//
// The window binds its controls to the values and signals here; the command line drives the same
// object without a window. Results reach their rows by row identity, and a pass walks the order
// the view had when it started (SetViewOrder), so sorting during a pass changes nothing.
class TCheckDispatcher : public QObject, public TWorkerSink
{
    Q_OBJECT

public:
    using TViewOrder = std::function<std::vector<TRowId>()>;

    // Idle: no pass (also after "Stop", while workers of the stopped pass end). Passing: the
    // dispatcher passes one row per tick. Draining: every row was passed and workers still run.
    // The command states and the dispatcher timer follow from it.
    enum class TPassState
    {
        Idle,
        Passing,
        Draining
    };

    TCheckDispatcher(TDomainTableModel& model, TCheckOptions options, QObject* parent = nullptr);
    // Cuts the workers' link to this object and abandons them; it never waits for them.
    ~TCheckDispatcher() override;

    // Copies of the engine settings (reloaded after every close of the settings dialog); the
    // dispatcher interval follows Pause, a new thread limit holds from the next tick.
    void LoadSettings(const TEngineSettings& settings);
    const TEngineSettings& Settings() const { return EngineSettings; }
    // The rows in the order the user sees them; empty function: the model's order.
    void SetViewOrder(TViewOrder order) { ViewOrder = std::move(order); }

    // Commands.
    void StartAll(); // "Check domains"
    // "Check errors again": ticks the rows that read "RESULT ERROR" and passes only them, in view
    // order, with the pacing and back-off of any pass. Returns how many rows the pass holds; with
    // none the pass is over at the next status tick.
    int CheckErrorsAgain();
    void CheckSelected(TRowId row); // "Check selected domain"; NoRowId: nothing selected
    void Stop();                    // "Stop"

    // State for the window.
    TPassState PassState() const { return State; }
    int NextRow() const { return Next; }
    int RunningCount() const { return Running; }
    // The last pass was ended by "Stop" (cleared by "Check domains" and "Check selected domain").
    bool StopRequested() const { return StopFlag; }
    bool ProgressFrozen() const { return Frozen; }
    bool StartAllEnabled() const { return State == TPassState::Idle; }
    bool CheckErrorsEnabled() const { return StartAllEnabled() && Model.ResultCount(TRowResult::Error) > 0; }
    // Rows the current (or last) pass walks: the whole table, or the rows of "Check errors again".
    int PassLength() const;
    bool StopEnabled() const { return State != TPassState::Idle; }
    bool DispatcherEnabled() const { return State == TPassState::Passing; }
    int ProgressMaximum() const { return ProgressMax; }
    int ProgressPosition() const { return ProgressPos; }
    std::string ThreadsText() const; // panel 0
    std::string TotalText() const;   // panel 1
    // "Ask DNS first": names asked in DNS in this pass, answered so far, and found delegated.
    int DnsAskedCount() const { return DnsAsked; }
    int DnsAnsweredCount() const { return DnsAnswered; }
    int DnsDelegatedCount() const { return DnsDelegated; }
    // Worker threads not yet finished, abandoned ones included (they are not counted in
    // RunningCount). The program ends without destructors while this is non-zero.
    // RDAP queries still on the network count too: a name lookup in progress would hold the exit up.
    int LiveWorkerThreads() const { return Hub->LiveThreads.load() + (Rdap ? Rdap->InFlight() : 0); }
    // What the end of the program leaves running: the live workers, and the RDAP network thread
    // once there is one (the TLS library's per-thread state of Qt's network threads is not freed
    // reliably by an orderly shutdown, and nothing is lost by not making one).
    int ThreadsLeftAtExit() const { return LiveWorkerThreads() + (Rdap ? 1 : 0); }
    std::uint64_t WatchdogBudgetMs() const;
    // ThreadLimit, but never more workers than the process has descriptors for.
    int WorkerLimit() const { return std::min(EngineSettings.ThreadLimit, DescriptorBudget); }
    std::uint64_t TickCount() const;

    // The WHOIS host or RDAP base to ask about the name; empty when no server is known for it.
    std::string WhoisServerForDomain(const std::string& name) const;
    TQueryTarget QueryTargetForDomain(const std::string& name) const;
    // Rows of this pass held back because their host was not due yet; they hold no worker slot.
    int WaitingCount() const { return Waiting.Count(); }
    // The host whose queries a target (a WHOIS host, or an RDAP base address) paces: the target
    // itself, or the host name inside an https:// address.
    static std::string PacedHost(const std::string& target);

    // The ways out checks are spread over (ProxyPool of the settings; one entry without a pool).
    std::size_t ProxyCount() const { return Pool.size(); }
    // A proxy that failed rests: rows go through the others until this tick (0: not resting).
    std::uint64_t ProxyRestsUntil(std::size_t proxy) const { return proxy < Rests.size() ? Rests[proxy].Until : 0; }
    // A failed proxy rests this long, twice as long after each further failure up to the last.
    static constexpr int FirstRestMs = 10000;
    static constexpr int LastRestMs = 160000;

signals:
    // After every status tick and every command: texts, progress and command states may have changed.
    void StatusChanged();
    void Beep();
    // "Check domains" marks the project modified.
    void ModifiedSet();
    void ResultApplied(TRowId row);
    // The status tick found the pass over (all rows passed, no worker running).
    void PassFinished();

private:
    // The steps behind the timers; tests drive them through TCheckDispatcherProbe.
    friend class TCheckDispatcherProbe;
    void DispatcherTick();
    void PassNextRow(int rows);
    // Starts the waiting rows whose host has become due, then sets tPacing for the next one.
    void PacingTick();
    void StatusTick();
    void CheckOverdueWorkers();
    // Gives up the row's worker (if it still runs) and checks the row again, or marks it
    // "RESULT ERROR" once it has had its replacements.
    void ReplaceOverdue(int row);
    void StartCheck(TRowId row, std::size_t proxy);
    // With "Ask DNS first", asks the NS records of every ticked row of the pass; the pass takes
    // each row only once its answer is in, and a delegated row is then settled without a query.
    void StartDnsStage();
    void StopDnsStage();
    void ApplyDnsVerdict(std::uint64_t generation, const TDnsVerdict& verdict);
    // Moves Next past the rows DNS has settled; false while the row at Next still waits for DNS.
    bool SkipDnsSettledRows(int rows);
    // Starts the first waiting row whose host is due; false when none is.
    bool StartWaitingRow();
    // Sets tPacing to fire when the first waiting row's host becomes due; off while no row waits
    // or no worker slot is free (a worker's end sets it again).
    void ArmPacingTimer();
    // When a query may go out through the lane, by the host's min_interval and the proxy's rest.
    std::uint64_t LaneDueAt(const TPacingLane& lane, int intervalMs) const;
    bool LaneDue(const TPacingLane& lane, int intervalMs) const { return TickCount() >= LaneDueAt(lane, intervalMs); }
    // The proxy a row goes through: of those that have not failed for it, the one whose lane to the
    // host frees first (rows already waiting there counted); nothing when every proxy failed for it.
    std::optional<std::size_t> ChooseProxy(TRowId row, const std::string& host, int intervalMs);
    std::optional<std::size_t> ChooseProxy(TRowId row);
    // A proxy failed: it rests, and the rows waiting for it go to the others.
    void RestProxy(std::size_t proxy);
    // Sends a row whose proxy failed through another; false when every proxy failed for it.
    bool RetryElsewhere(TRowId row);
    // Every connection the RDAP client keeps to the host is taken by a running check.
    bool HostFull(const std::string& host) const;
    // Takes a worker off its host's count of running RDAP checks.
    void ReleaseHost(std::uint64_t serial);
    int MinIntervalOf(const std::string& host) const;
    // The RDAP client of every check this dispatcher starts, made at the first check that may ask
    // RDAP (an RDAP base, or a WHOIS host whose TLD has an RDAP service to fall back on), so that
    // checks that never could never start a network thread.
    std::shared_ptr<TRdapClient> RdapClient();
    // A row whose name no registry would take, or whose top-level domain has no known server,
    // gets "RESULT ERROR" without a query; `logText` goes into its answers entry.
    void RefuseName(int row, const std::string& logText);
    void DeliverResult(const std::shared_ptr<TWorkerState>& worker, const TSyncSendResult& result) override;
    void WorkerEnded(const std::shared_ptr<TWorkerState>& worker) override;

    // Every row's id in the view's order (the model's without one).
    std::vector<TRowId> RowsInViewOrder() const;
    // Starts a pass over PassOrder.
    void StartPass();
    void SetState(TPassState state);
    void SetRunningCount(int value);
    void TableChanging();

    TDomainTableModel& Model;
    TCheckOptions Options;
    // Handed to every worker, which reads the expiry dates of its answers with them.
    std::shared_ptr<const TDateMasks> DateMasks;
    TServerResolver Resolver;
    TEngineSettings EngineSettings;
    TViewOrder ViewOrder;
    TSyncMutex smCounter;
    QTimer tThreads;
    QTimer tED;
    // Single shot: a waiting row starts when its host becomes due, not at the next dispatcher tick.
    QTimer tPacing;
    std::shared_ptr<TWorkerHub> Hub;
    std::shared_ptr<TRdapClient> Rdap;
    int DescriptorBudget = 0;

    TPassState State = TPassState::Idle;
    std::vector<TRowId> PassOrder;
    // The pass walks only the rows of PassOrder ("Check errors again"), not the whole table.
    bool OnlyPassOrder = false;
    int Next = 0;
    int Running = 0;
    bool StopFlag = false;
    bool Frozen = false;
    // Neither tick runs inside the other or itself (a slot they reach could run the event loop).
    bool InTick = false;
    int ProgressMax = 0;
    int ProgressPos = 0;

    std::uint64_t LastSerial = 0;
    // Workers started and neither ended nor abandoned, by serial; RunningCount equals its size.
    std::map<std::uint64_t, std::shared_ptr<TWorkerState>> LiveWorkers;
    // Each row's most recently started worker.
    std::unordered_map<TRowId, std::shared_ptr<TWorkerState>> RowWorkers;
    std::unordered_map<TRowId, int> Replacements;

    // Rows of the pass that wait for their host.
    TPacingQueue Waiting;
    enum class TDnsRowState
    {
        Pending,
        ToWhois,
        Settled
    };
    std::unique_ptr<TDnsDelegationCheck> Dns;
    std::uint64_t DnsGeneration = 0;
    std::unordered_map<TRowId, TDnsRowState> DnsRows;
    int DnsAsked = 0;
    int DnsAnswered = 0;
    int DnsDelegated = 0;

    // Tick of the last query started through each lane, for its host's min_interval.
    std::unordered_map<TPacingLane, std::uint64_t, TPacingLaneHash> LastStartAt;

    std::vector<TProxySettings> Pool;
    struct TProxyRest
    {
        std::uint64_t Until = 0;
        int NextMs = FirstRestMs;
    };
    std::vector<TProxyRest> Rests; // one per entry of Pool
    std::size_t ProxyCursor = 0;   // where the search for an equally good proxy starts, in turn
    // Per row of a pool check: the proxies that failed for it and what each attempt did.
    struct TRoute
    {
        std::vector<bool> Failed;
        std::string Trail;
    };
    std::unordered_map<TRowId, TRoute> Routes;
    // Running RDAP checks by paced host, and the host of each such worker by serial: a check
    // started beyond the host's connections would only wait inside the client, holding a worker.
    std::unordered_map<std::string, int> RdapRunning;
    std::unordered_map<std::uint64_t, std::string> RdapHostOf;
};
