#include "engine/ServerResolver.h"

#include "base/AsciiText.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"
#include "settings/TldTable.h"

#include <sys/stat.h>

namespace {

// No line of the configuration file can hold a line break, so this default marks a missing key.
const std::string MissingKey = "\n";

bool HasComNetFallback(const std::string& tld)
{
    return EqualsIgnoringCase(tld, "com") || EqualsIgnoringCase(tld, "net");
}

TQueryTarget Whois(std::string host)
{
    return {TQueryTarget::TKind::Whois, std::move(host), {}};
}

TQueryTarget Rdap(std::string base)
{
    if (base.back() != '/')
        base += '/';
    return {TQueryTarget::TKind::Rdap, std::move(base), {}};
}

} // namespace

TServerResolver::TServerResolver(std::string configPath, std::string bootstrapPath, TServerPreference preference)
    : ConfigPath(std::move(configPath)), BootstrapPath(std::move(bootstrapPath)), Preference(preference)
{
}

bool TServerResolver::IsRdapBase(std::string_view server)
{
    return server.size() >= 8 && EqualsIgnoringCase(server.substr(0, 8), "https://");
}

std::string TServerResolver::BootstrapPathBeside(const std::string& configPath)
{
    const std::size_t slash = configPath.rfind('/');
    return (slash == std::string::npos ? std::string() : configPath.substr(0, slash + 1)) +
           std::string(ConfigKeys::RdapBootstrapFileName);
}

void TServerResolver::RefreshBootstrap() const
{
    TStamp stamp;
    struct stat info;
    if (!BootstrapPath.empty() && ::stat(BootstrapPath.c_str(), &info) == 0) {
        stamp.Exists = true;
        stamp.Size = info.st_size;
        stamp.ModifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
        stamp.Inode = info.st_ino;
    }
    if (Loaded && stamp == LoadedStamp)
        return;
    Bootstrap = TRdapBootstrap();
    BootstrapUsable = stamp.Exists && Bootstrap.Load(BootstrapPath);
    Hosts = BootstrapUsable ? std::make_shared<const TRdapHostSet>(Bootstrap.Hosts()) : nullptr;
    LoadedStamp = stamp;
    Loaded = true;
}

std::string TServerResolver::BootstrapBase(std::string_view domain, std::string& problem) const
{
    RefreshBootstrap();
    if (!BootstrapUsable) {
        if (LoadedStamp.Exists)
            problem = " The RDAP bootstrap file \"" + BootstrapPath + "\" cannot be used: " + Bootstrap.Problem();
        return {};
    }
    return Bootstrap.BaseFor(domain);
}

std::shared_ptr<const TRdapHostSet> TServerResolver::BootstrapHosts() const
{
    RefreshBootstrap();
    return Hosts;
}

TQueryTarget TServerResolver::TargetFor(std::string_view domain) const
{
    const std::string tld = TldKey(domain);
    const std::string value = TIniFile(ConfigPath).ReadString(std::string(ConfigKeys::TldSection), tld, MissingKey);
    const bool listed = value != MissingKey;
    const bool tableRdap = listed && IsRdapBase(value);
    // RDAP is asked over https only (RFC 7481); an http address is no host name either.
    const bool tablePlainHttp = listed && value.size() >= 7 && EqualsIgnoringCase(value.substr(0, 7), "http://");
    const bool tableWhois = listed && !value.empty() && !tableRdap && !tablePlainHttp;

    if (Preference != TServerPreference::RdapOnly) {
        std::string host;
        if (tableWhois)
            host = value;
        else if (tableRdap && Preference == TServerPreference::Any)
            return Rdap(value);
        else if (HasComNetFallback(tld) && (!listed || Preference == TServerPreference::WhoisOnly))
            host = std::string(ConfigKeys::FallbackWhoisHost);
        if (!host.empty()) {
            std::string base;
            std::string ignored;
            if (Preference == TServerPreference::Any)
                base = BootstrapBase(domain, ignored);
            if (base.empty())
                return Whois(std::move(host));
            // A section that every host falls back to is no section of the host's own: only the
            // host's own strings are known to fit its answers.
            if (!TIniFile(ConfigPath).SectionExists(host)) {
                TQueryTarget target = Rdap(std::move(base));
                target.WhoisFallback = std::move(host);
                return target;
            }
            // WHOIS stays first; the RDAP service is there for a WHOIS host that cannot be reached.
            TQueryTarget target = Whois(std::move(host));
            target.RdapFallback = Rdap(std::move(base)).Server;
            return target;
        }
    } else if (tableRdap) {
        return Rdap(value);
    }

    std::string bootstrapProblem;
    if (Preference != TServerPreference::WhoisOnly) {
        if (std::string base = BootstrapBase(domain, bootstrapProblem); !base.empty())
            return Rdap(std::move(base));
    }

    TQueryTarget none;
    const std::string which = Preference == TServerPreference::RdapOnly    ? "No RDAP service"
                              : Preference == TServerPreference::WhoisOnly ? "No WHOIS server"
                                                                           : "No WHOIS server or RDAP service";
    none.Problem = which + " is known for \"." + tld + "\": ";
    if (Preference == TServerPreference::WhoisOnly) {
        none.Problem += !listed     ? "the server table does not list it."
                        : tableRdap ? "the server table names only an RDAP service for it."
                                    : "the server table names no WHOIS host for it.";
    } else {
        none.Problem += !listed                                     ? "the server table does not list it"
                        : Preference == TServerPreference::RdapOnly ? "the server table names no RDAP service for it"
                                                                    : "the server table names no server for it";
        none.Problem += " and the RDAP bootstrap file names no service for it." + bootstrapProblem;
    }
    if (tablePlainHttp)
        none.Problem += " The server table's value \"" + value + "\" is plain http, and RDAP is asked over https only.";
    return none;
}
