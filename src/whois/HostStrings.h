#pragma once

#include <string>

// The response strings that the configuration file keeps for one WHOIS host (its own section),
// read together with one parse of the file. A result reads them afresh, so that an edit of the
// file reaches the next result, but only once: a large server table makes every parse count.
struct THostStrings
{
    // False when the configuration file exists but could not be read: every label lookup then
    // fails and leaves what it would have written unchanged.
    bool Readable = true;
    std::string NotFound;    // not_found_strings
    std::string Registrar;   // registrar_string
    std::string WhoisServer; // whois_server_string
    std::string Expires;     // expires_string

    static THostStrings Load(const std::string& iniPath, const std::string& host);

    // The raw expiry text of an answer: the value after the host's expiry label, or, when that
    // is empty (no label set, no line holds it, or nothing follows it), the line FindExpiryDate
    // picks. Empty when the configuration file could not be read.
    std::string ExpiryText(const std::string& answer) const;
};
