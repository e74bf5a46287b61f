#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

// Lower-case host names.
using TRdapHostSet = std::unordered_set<std::string>;

// The DNS bootstrap file of RFC 9224: which RDAP service answers for which top-level domain.
// { "version": "1.0", "services": [ [ ["com", "net"], ["https://rdap.example/com/v1/"] ], ... ] }
// A shipped copy sits in the data folder beside the server table; `quarrow-cli rdap-bootstrap`
// replaces it from a newer download.
class TRdapBootstrap
{
public:
    // False, with Problem() saying why in one line, when the file cannot be read or is no bootstrap
    // file; the entries read before stay as they were.
    bool Load(const std::string& path);
    bool Parse(std::string_view bytes);

    // The base address (ending with '/') of the service for the domain's longest matching entry,
    // matched by whole labels without regard to case; empty when no service is named for it.
    std::string BaseFor(std::string_view domain) const;
    std::size_t EntryCount() const { return Bases.size(); }
    // The hosts of every service's base address, in lower case.
    TRdapHostSet Hosts() const;
    const std::string& Problem() const { return ProblemText; }

    // The real file is under 100 KB; anything much larger is not one, and parsed JSON can cost a
    // hundred times its size.
    static constexpr std::size_t MaxFileBytes = 1024 * 1024;

private:
    bool Fail(std::string problem);

    std::unordered_map<std::string, std::string> Bases; // lower-case entry -> https base
    std::string ProblemText;
};
