#pragma once

#include "core/CheckRows.h"
#include "engine/CheckOptions.h"
#include "engine/DnsStage.h"
#include "engine/HostPacing.h"
#include "engine/JobMaker.h"
#include "engine/PaceForecast.h"
#include "engine/ProxyRouter.h"
#include "engine/RefusedRows.h"
#include "engine/SyncMutex.h"
#include "engine/WorkerHub.h"
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

class TDomainTableModel;

// Runs the checks of the domain table on the main thread: "Check domains" (a pass over the
// ticked rows, one row per dispatcher tick while fewer than ThreadLimit workers run), "Check
// selected domain", "Stop", the status tick every 125 ms (status texts, progress, command states,
// end of a pass) and the watchdog that replaces a worker that ran over its budget.
//
// The window binds its controls to the values and signals here; the command line drives the same
// object without a window. Results reach their rows by row identity, and a pass walks the order
// the view had when it started (SetViewOrder), so sorting during a pass changes nothing.
//
// The dispatcher keeps the order of a pass and its workers; its parts decide the rest: the job
// maker what a row's check asks where, the pacing when a host may be asked again, the proxy router
// which way out a row takes, and the DNS stage which rows need no query at all.
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

    // Reads and writes the rows only as TCheckRows; of the model itself it takes the notices that
    // the table is about to change (rows added, removed or replaced), which end a pass.
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
    int CheckErrorsAgain() { return PassRowsReading(TRowResult::Error, false); }
    // The same over the ticked rows that have no result yet: a check that was cut short goes on.
    int CheckRowsWithoutResult() { return PassRowsReading(TRowResult::Unchecked, true); }
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
    bool CheckErrorsEnabled() const { return StartAllEnabled() && Rows.ResultCount(TRowResult::Error) > 0; }
    // Rows the current (or last) pass walks: the whole table, or the rows of "Check errors again".
    int PassLength() const;
    bool StopEnabled() const { return State != TPassState::Idle; }
    bool DispatcherEnabled() const { return State == TPassState::Passing; }
    int ProgressMaximum() const { return ProgressMax; }
    int ProgressPosition() const { return ProgressPos; }
    std::string ThreadsText() const; // panel 0
    std::string TotalText() const;   // panel 1
    // "Ask DNS first": names asked in DNS in this pass, answered so far, and found delegated.
    int DnsAskedCount() const { return Dns.Asked(); }
    int DnsAnsweredCount() const { return Dns.Answered(); }
    int DnsDelegatedCount() const { return Dns.Delegated(); }
    // The resolver answered none of the first queries, so the pass went on without it.
    bool DnsResolverSilent() const { return Dns.ResolverSilent(); }
    // Worker threads not yet finished, abandoned ones included (they are not counted in
    // RunningCount). The program ends without destructors while this is non-zero.
    // RDAP queries still on the network count too: a name lookup in progress would hold the exit up.
    int LiveWorkerThreads() const { return Hub->LiveThreads.load() + (Jobs.Rdap() ? Jobs.Rdap()->InFlight() : 0); }
    // What the end of the program leaves running: the live workers, and the RDAP network thread
    // once there is one (the TLS library's per-thread state of Qt's network threads is not freed
    // reliably by an orderly shutdown, and nothing is lost by not making one).
    int ThreadsLeftAtExit() const { return LiveWorkerThreads() + (Jobs.Rdap() ? 1 : 0); }
    std::uint64_t WatchdogBudgetMs() const;
    // ThreadLimit, but never more workers than the process has descriptors for.
    int WorkerLimit() const { return std::min(EngineSettings.ThreadLimit, DescriptorBudget); }
    std::uint64_t TickCount() const;

    // The WHOIS host or RDAP base to ask about the name; empty when no server is known for it.
    std::string WhoisServerForDomain(const std::string& name) const;
    TQueryTarget QueryTargetForDomain(const std::string& name) const;
    // Rows of this pass held back because their host was not due yet; they hold no worker slot.
    int WaitingCount() const { return Pacing.WaitingCount(); }
    static std::string PacedHost(const std::string& target) { return THostPacing::PacedHost(target); }

    // The ways out checks are spread over (ProxyPool of the settings; one entry without a pool).
    std::size_t ProxyCount() const { return Router.Count(); }
    // A proxy that failed rests: rows go through the others until this tick (0: not resting).
    std::uint64_t ProxyRestsUntil(std::size_t proxy) const { return Router.RestsUntil(proxy); }
    static constexpr int FirstRestMs = TProxyRouter::FirstRestMs;
    static constexpr int LastRestMs = TProxyRouter::LastRestMs;
    // A row refused this often ends "RESULT ERROR"; refusals use up no attempt.
    static constexpr int MaxRefusals = TRefusedRows::Limit;
    static constexpr int MaxChecksPerLane = THostPacing::MaxChecksPerLane;
    // Rows put into their host's queue by one dispatcher tick at the most (they cost no tick).
    static constexpr int MaxQueuedPerTick = 1000;
    // What the pace file's reading or writing had to say (a damaged file set aside); empty if nothing.
    const std::string& PaceNotice() const { return PaceMessage; }
    // The interval of each way out to the host in ms (0: nothing holds that lane back), for a
    // forecast of the time a pass still needs.
    std::vector<int> HostIntervalsMs(const std::string& host)
    {
        return TPaceForecast::LaneIntervalsMs(Pacing, Router.Count(), host);
    }
    // The interval learnt for the host through the first way out (0: nothing learnt).
    int LearntIntervalMs(const std::string& host) const { return Pacing.LearntMs(TPacingLane{0, host}); }

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
    // Settles a row DNS found delegated as "NO".
    void ApplyDnsVerdict(std::uint64_t generation, const TDnsVerdict& verdict);
    // Starts the first waiting row whose host is due; false when none is.
    bool StartWaitingRow();
    // Sets tPacing to fire when the first waiting row's host becomes due; off while no row waits
    // or no worker slot is free (a worker's end sets it again).
    void ArmPacingTimer();
    // The host the queries of the row at this position are paced by.
    std::string PacedHostOf(int row) const;
    // The proxy a row goes through: of those that have not failed for it, the one whose lane to the
    // host frees first (rows already waiting there counted); nothing when every proxy failed for it.
    std::optional<std::size_t> ChooseProxy(TRowId row, const std::string& host, int intervalMs);
    std::optional<std::size_t> ChooseProxy(TRowId row);
    // The rows waiting for a proxy that failed go to the others.
    void MoveRowsOff(std::size_t proxy);
    // Sends a row whose proxy failed through another; false when every proxy failed for it.
    bool RetryElsewhere(TRowId row);
    // A refused check: its row goes back to the head of a queue of its host, behind the host's
    // back-off; false when the row has been refused too often, or the pass was stopped, and
    // `result` is to be applied (`giveUp` then heads its entry).
    bool PutBackRefused(const std::shared_ptr<TWorkerState>& worker, int retryAfterMs, std::string& giveUp);

    // A row whose name no registry would take, or whose top-level domain has no known server,
    // gets "RESULT ERROR" without a query; `logText` goes into its answers entry.
    void RefuseName(int row, const std::string& logText);
    void DeliverResult(const std::shared_ptr<TWorkerState>& worker, const TSyncSendResult& result) override;
    void WorkerEnded(const std::shared_ptr<TWorkerState>& worker) override;

    // A pass over the rows that read `result` (only the ticked ones with `tickedOnly`), which it ticks.
    int PassRowsReading(TRowResult result, bool tickedOnly);
    // Every row's id in the view's order (the model's without one).
    std::vector<TRowId> RowsInViewOrder() const;
    // Starts a pass over PassOrder.
    void StartPass();
    void SetState(TPassState state);
    void SetRunningCount(int value);
    void TableChanging();

    // The rows as the engine sees them (the table model, through its narrow interface).
    TCheckRows& Rows;
    TCheckOptions Options;
    TEngineSettings EngineSettings;
    TViewOrder ViewOrder;
    TSyncMutex smCounter;
    QTimer tThreads;
    QTimer tED;
    // Single shot: a waiting row starts when its host becomes due, not at the next dispatcher tick.
    QTimer tPacing;
    std::shared_ptr<TWorkerHub> Hub;
    int DescriptorBudget = 0;

    TJobMaker Jobs;
    TProxyRouter Router;
    // Rows of this pass that wait for their host, and when each host may be asked again.
    THostPacing Pacing;
    TDnsStage Dns;

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
    TRefusedRows Refusals;
    // Refused rows of "Check selected domain" wait on a timer of their own; a new pass or Stop
    // makes the timers of the earlier ones do nothing.
    std::uint64_t IdleRetries = 0;
    std::string PacePath;
    std::string PaceMessage;
};
