#pragma once

#include "engine/DnsDelegationCheck.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// "Ask DNS first": the NS records of a pass's rows, asked on a thread of their own before the rows
// are passed. A delegated row is settled without a WHOIS query; the pass takes every other row once
// its answer is in, in its order. The stage keeps each row's state and the counts of the status
// bar; writing the settled rows is the caller's.
class TDnsStage
{
public:
    // A verdict of the stage `generation`, run on the context's thread.
    using TArrived = std::function<void(std::uint64_t generation, const TDnsVerdict& verdict)>;

    // Verdicts are posted to `context`'s thread and die with it.
    TDnsStage(QObject& context, TArrived arrived);
    ~TDnsStage() { Stop(); }
    TDnsStage(const TDnsStage&) = delete;
    TDnsStage& operator=(const TDnsStage&) = delete;

    // Adds a row of the pass to ask, by its A-label; false when it is not asked: a blank caption or
    // one that TIdnaName refuses (the job maker refuses those without a query), or a row already
    // added.
    bool Add(TRowId row, const std::string& caption);
    // Asks the rows added. Without a thread for DNS the stage is stopped: the pass is then the
    // one without it.
    void Start(TDnsCheckOptions options);
    // Drops the rows and the counts; verdicts still on their way are ignored.
    void Stop();
    std::uint64_t Generation() const { return CurrentGeneration; }

    // A verdict arrived. True when it settles its row as registered: the row was waiting for it, is
    // delegated and still in the table (`rowPresent`); every other verdict sends the row on to a
    // query. Verdicts of an earlier generation, and second ones, are ignored.
    bool Accept(std::uint64_t generation, const TDnsVerdict& verdict, bool rowPresent);

    // Moves `next` past the rows of `order` that DNS has settled, up to `rows`; false while the
    // row at `next` still waits for its answer.
    bool SkipSettled(const std::vector<TRowId>& order, int rows, int& next) const;

    int Asked() const { return AskedCount; }
    int Answered() const { return AnsweredCount; }
    int Delegated() const { return DelegatedCount; }
    // The resolver answered none of the first queries: the rows not yet answered went on without
    // DNS, all at once.
    bool ResolverSilent() const { return Silent; }

private:
    enum class TRowState
    {
        Pending,
        ToWhois,
        Settled
    };

    QObject& Context;
    TArrived Arrived;
    std::unique_ptr<TDnsDelegationCheck> Check;
    TDnsDelegationCheck::TNames Names; // added and not yet asked
    std::uint64_t CurrentGeneration = 0;
    std::unordered_map<TRowId, TRowState> Rows;
    int AskedCount = 0;
    int AnsweredCount = 0;
    int DelegatedCount = 0;
    bool Silent = false;
};
