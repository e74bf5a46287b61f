#pragma once

#include "engine/CheckOptions.h"
#include "engine/ServerResolver.h"
#include "engine/WhoisJob.h"
#include "settings/EngineSettings.h"

#include <memory>
#include <string>

// Makes the job of one row's check: where the name is asked (the server table and the RDAP
// bootstrap), whether any registry would take the name at all, the RDAP client of every check
// that may ask RDAP, and the copies of the settings the check keeps while it runs. It starts
// nothing and touches no row: the dispatcher starts the worker and writes the row.
class TJobMaker
{
public:
    // What becomes of a row.
    struct TMade
    {
        enum class TKind
        {
            Blank,   // no name (a blank caption): nothing to check, the row is left as it is
            Refused, // sent to no server; Refusal is the line for its answers entry
            Job      // Job is ready to run
        };
        TKind Kind = TKind::Blank;
        std::string Refusal;
        TWhoisJob Job;
    };

    explicit TJobMaker(TCheckOptions options);

    // The job for the row's caption, through `proxy` (`failOver`: another proxy can take the name).
    // The job's MinIntervalMs is the caller's: the pacing knows it.
    TMade Make(TRowId row, const std::string& caption, const TProxySettings& proxy, bool failOver,
               const TEngineSettings& settings);

    // Where a name (an A-label name) is asked.
    TQueryTarget TargetFor(const std::string& name) const { return Resolver.TargetFor(name); }

    // The RDAP client, made at the first job that may ask RDAP (an RDAP base, or a WHOIS host
    // whose TLD has an RDAP service to fall back on), so that checks that never could never start
    // a network thread. Null until then.
    const std::shared_ptr<TRdapClient>& Rdap() const { return RdapClient; }

private:
    TCheckOptions Options;
    // Handed to every job, whose worker reads the expiry dates of its answers with them.
    std::shared_ptr<const TDateMasks> DateMasks;
    TServerResolver Resolver;
    std::shared_ptr<TRdapClient> RdapClient;
};
