#include "engine/JobMaker.h"

#include "base/AsciiText.h"
#include "models/IdnaName.h"

TJobMaker::TJobMaker(TCheckOptions options)
    : Options(std::move(options)), DateMasks(std::make_shared<const TDateMasks>(Options.DateMasks)),
      Resolver(Options.ConfigPath, TServerResolver::BootstrapPathBeside(Options.ConfigPath), Options.ServerPreference)
{
}

TJobMaker::TMade TJobMaker::Make(TRowId row, const std::string& caption, const TProxySettings& proxy, bool failOver,
                                 const TEngineSettings& settings)
{
    TMade made;
    if (Trim(caption).empty())
        return made;
    // Servers are asked an internationalised name's A-labels, and its top-level domain is looked up
    // under its A-label too, as the server table and the RDAP bootstrap keep it.
    TIdnaName name = TIdnaName::Of(caption);
    if (!name.Problem.empty()) {
        made.Kind = TMade::TKind::Refused;
        made.Refusal = "Not sent to any WHOIS server: " + name.Problem;
        return made;
    }
    TQueryTarget target = TargetFor(name.Ace);
    if (target.Kind == TQueryTarget::TKind::None) {
        made.Kind = TMade::TKind::Refused;
        made.Refusal = "Not sent to any server: " + target.Problem;
        return made;
    }

    made.Kind = TMade::TKind::Job;
    TWhoisJob& job = made.Job;
    job.DomainName = std::move(name.Ace);
    job.ProxySettings = proxy;
    job.FailOverProxy = failOver;
    job.WhoisServer = std::move(target.Server);
    job.ConfigPath = Options.ConfigPath;
    job.DateMasks = DateMasks;
    job.RowIndex = row;
    job.Attempts = settings.Attempts;
    job.Port = Options.WhoisPort;
    job.ConnectTimeoutMs = Options.ConnectTimeoutMs;
    job.NegotiationTimeoutMs = Options.NegotiationTimeoutMs;
    job.ViaRdap = target.Kind == TQueryTarget::TKind::Rdap;
    job.RdapFallback = std::move(target.RdapFallback);
    job.WhoisFallback = std::move(target.WhoisFallback);
    if (job.ViaRdap || !job.RdapFallback.empty()) {
        if (!RdapClient)
            RdapClient = std::make_shared<TRdapClient>(Options.Rdap);
        job.Rdap = RdapClient;
        job.RdapTimeoutMs = Options.RdapTimeoutMs;
        job.RdapHosts = Resolver.BootstrapHosts();
    }
    job.ReferralTimeoutMs = Options.ReferralTimeoutMs;
    job.BackOff = Options.BackOff;
    return made;
}
