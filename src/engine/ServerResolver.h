#pragma once

#include "rdap/RdapBootstrap.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Which way a check may ask: the command line's --rdap-only and --whois-only.
enum class TServerPreference
{
    Any,
    RdapOnly,
    WhoisOnly
};

// Where to ask about one name.
struct TQueryTarget
{
    enum class TKind
    {
        None,  // no server is known; Problem says why in one line
        Whois, // Server is a port-43 host
        Rdap   // Server is an RDAP base address ("https://.../", ending with '/')
    };
    TKind Kind = TKind::None;
    std::string Server;
    std::string Problem;
    // With Kind Whois: the bootstrap's RDAP base for the name, asked when the WHOIS host cannot be
    // reached (Any only); empty when there is none.
    std::string RdapFallback = {};
    // With Kind Rdap: the WHOIS host asked when RDAP brings no verdict (Any only: the host has no
    // section of its own, so RDAP went first); empty when there is none.
    std::string WhoisFallback = {};
};

// Section TLD of the server table, which may name a WHOIS host or an RDAP base (a value starting
// with "https://"), backed by the RDAP bootstrap file for top-level domains the table leaves
// without a server:
//   Any       - the table's value; else, for com and net, the registry's WHOIS host; else the
//               bootstrap's base. A WHOIS host without a section of its own in the table, whose
//               top-level domain has a bootstrap service, gives way to that service: without its
//               own not-found text and labels its answers can hardly be read, while an RDAP answer
//               says free or taken by its status. The host is then asked only when RDAP fails.
//   RdapOnly  - the table's https value, else the bootstrap's base
//   WhoisOnly - the table's WHOIS host, else, for com and net, the registry's WHOIS host
// A top-level domain with no server is never sent to the com/net host: that host answers "No
// match" for any name it does not keep, which would read as free.
//
// The table is read at each lookup like every other reader of the configuration file; the
// bootstrap file is parsed once and again only after it changed on disk. One object serves one
// thread (the dispatcher's, or a command's).
class TServerResolver
{
public:
    TServerResolver(std::string configPath, std::string bootstrapPath,
                    TServerPreference preference = TServerPreference::Any);

    TQueryTarget TargetFor(std::string_view domain) const;
    // The hosts of the bootstrap's services (a redirect may go to any of them); null without a
    // usable bootstrap file. The same object until the file changes.
    std::shared_ptr<const TRdapHostSet> BootstrapHosts() const;

    static bool IsRdapBase(std::string_view server);
    // The bootstrap file in the folder of the configuration file (the data folder's copy).
    static std::string BootstrapPathBeside(const std::string& configPath);

private:
    // The bootstrap's base for the domain, or empty; `problem` says why a present file is unusable.
    std::string BootstrapBase(std::string_view domain, std::string& problem) const;
    // Parses the bootstrap file again when it changed on disk.
    void RefreshBootstrap() const;

    std::string ConfigPath;
    std::string BootstrapPath;
    TServerPreference Preference;

    // What BootstrapPath held when it was last parsed.
    struct TStamp
    {
        bool Exists = false;
        std::int64_t Size = 0;
        std::int64_t ModifiedNs = 0;
        std::uint64_t Inode = 0;
        bool operator==(const TStamp&) const = default;
    };
    mutable bool Loaded = false;
    mutable TStamp LoadedStamp;
    mutable TRdapBootstrap Bootstrap;
    mutable bool BootstrapUsable = false;
    mutable std::shared_ptr<const TRdapHostSet> Hosts;
};
