#include "cli/CliCommands.h"

#include "base/QuarrowError.h"
#include "config/ConfigKeys.h"
#include "config/Folders.h"
#include "config/IniFile.h"
#include "config/ProxySettings.h"
#include "whois/IdWhois.h"
#include "whois/SocksParameters.h"

#include <cstdio>
#include <fstream>
#include <string>

// quarrow-cli whois [--config FILE] [--host HOST] NAME: one raw query as the server properties
// dialog's test runs it (proxy by SetupTestProxy, no connect time-out of our own; SOCKS 5 offers
// the configured credentials), the answer written to standard output byte for byte.

namespace {

int Fail(const std::string& message)
{
    std::fprintf(stderr, "quarrow-cli: %s\n", message.c_str());
    return ExitUsage;
}

// The key in section TLD: the text after the last ".", or the whole name without one.
std::string TldKey(const std::string& domain)
{
    const auto dot = domain.rfind('.');
    return dot == std::string::npos ? domain : domain.substr(dot + 1);
}

// An error message goes on one line, whatever the proxy or the system put into it.
std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

} // namespace

int RunWhoisCommand(const std::vector<std::string>& args)
{
    std::string configPath;
    bool haveConfig = false;
    std::string host;
    bool haveHost = false;
    std::vector<std::string> names;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--config" || arg == "--host")) {
            if (i + 1 >= args.size())
                return Fail("whois: " + arg + " needs a value");
            (arg == "--config" ? configPath : host) = args[++i];
            (arg == "--config" ? haveConfig : haveHost) = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return Fail("whois: unknown option \"" + arg + "\"");
        } else {
            names.push_back(arg);
        }
    }
    if (names.size() != 1)
        return Fail("whois: give exactly one NAME (usage: quarrow-cli whois [--config FILE] [--host HOST] NAME)");
    const std::string& domain = names[0];

    if (haveConfig) {
        // A missing default file just means defaults; a file named on purpose must be there.
        std::ifstream probe(configPath, std::ios::binary);
        if (!probe)
            return Fail("whois: cannot read the configuration file \"" + configPath + "\"");
    } else {
        configPath = ComputeFolders().ConfigPath();
    }

    TIdWhois client;
    client.Host = haveHost ? host
                           : TIniFile(configPath)
                                 .ReadString(std::string(ConfigKeys::TldSection), TldKey(domain),
                                             std::string(ConfigKeys::FallbackWhoisHost));
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
        return Fail("whois: " + where + ": " + OneLine(error.what()));
    }
    if (std::fwrite(answer.data(), 1, answer.size(), stdout) != answer.size() || std::fflush(stdout) != 0)
        return Fail("whois: cannot write the answer to standard output");
    return ExitSuccess;
}
