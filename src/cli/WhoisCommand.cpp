#include "cli/ArgumentReader.h"
#include "cli/CliCommands.h"

#include "base/QuarrowError.h"
#include "engine/Folders.h"
#include "engine/ServerResolver.h"
#include "models/IdnaName.h"
#include "settings/ProxySettings.h"
#include "whois/IdWhois.h"
#include "whois/SocksParameters.h"

#include <cmath>
#include <string>

// quarrow-cli whois [--config FILE] [--host HOST] [--timeout SECONDS] NAME: one raw query as the
// server properties dialog's test runs it (proxy by SetupTestProxy; SOCKS 5 offers the configured
// credentials), the answer written to standard output byte for byte. Unlike the dialog, which has
// a person to give up on it, the whole query is bounded by the time-out.

namespace {

constexpr double DefaultTimeoutSeconds = 60;

} // namespace

int RunWhoisCommand(const std::vector<std::string>& args)
{
    TArgumentReader reader({
        {"--config", "FILE", "the configuration file (default: the data folder's mvwhois.ini)"},
        {"--host", "HOST", "the WHOIS host to ask (default: the configuration's host for the name)"},
        {"--timeout", "SECONDS", "give up after this long (default: 60)"},
    });
    reader.Read(args);
    if (reader.Operands().size() != 1)
        throw TUsageError("give exactly one NAME (usage: quarrow-cli whois [--config FILE] [--host HOST] "
                          "[--timeout SECONDS] NAME)");
    // Raw as the query is, an internationalised name can only be asked in its A-labels.
    const TIdnaName name = TIdnaName::Of(reader.Operands().front());
    if (name.International && !name.Problem.empty())
        throw TUsageError("\"" + name.Typed + "\" cannot be asked: " + name.Problem);
    const std::string domain = name.International ? name.Ace : name.Typed;
    // At most a day: the time-out goes into a millisecond count.
    const double timeout = reader.Seconds("--timeout", DefaultTimeoutSeconds, 0.001, 86400);

    std::string configPath;
    if (reader.Has("--config")) {
        // A missing default file just means defaults; a file named on purpose must be there.
        configPath = reader.Value("--config");
        RequireReadableFile(configPath, "configuration file");
    } else {
        configPath = ComputeFolders().ConfigPath();
    }

    TIdWhois client;
    if (reader.Has("--host")) {
        client.Host = reader.Value("--host");
    } else {
        // A port-43 query: an RDAP base in the table is no host for it.
        const TQueryTarget target = TServerResolver(configPath, {}, TServerPreference::WhoisOnly).TargetFor(domain);
        if (target.Kind != TQueryTarget::TKind::Whois)
            throw TUsageError(target.Problem + " Give one with --host.");
        client.Host = target.Server;
    }
    client.TimeoutMs = std::max(1, static_cast<int>(std::llround(timeout * 1000)));
    const TProxySettings proxySettings = LoadProxySettings(configPath);
    client.Proxy = SetupTestProxy(proxySettings);
    // The dialog's test offers no authentication, but a batch query has nobody to notice that a
    // proxy needing the configured credentials refuses it: offer them, untrimmed as the test takes them.
    if (client.Proxy.Version == TSocksVersion::Socks5 && !(proxySettings.User + proxySettings.Password).empty())
        client.Proxy.Authentication = TSocksAuthentication::UsernamePassword;
    std::string where = "\"" + client.Host + "\"";
    if (client.Proxy.Version != TSocksVersion::None)
        where += " through the SOCKS proxy \"" + client.Proxy.Host + "\" port " + std::to_string(client.Proxy.Port);
    std::string answer;
    try {
        answer = client.Lookup(domain);
    } catch (const TQuarrowError& error) {
        // A failure to connect or negotiate names its host or proxy itself.
        const std::string text = error.what();
        throw TUsageError(text.starts_with("The proxy ") || text.starts_with("The WHOIS host ") ? text
                                                                                                : where + ": " + text);
    }
    if (!WriteOut(answer) || std::fflush(stdout) != 0)
        throw TUsageError("cannot write the answer to standard output");
    return ExitSuccess;
}
