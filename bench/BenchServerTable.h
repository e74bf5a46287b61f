#pragma once

#include <cstddef>
#include <string>

// A configuration file with a large server table, as the configuration benchmarks share it: the
// engine settings, 1,000 TLD entries and host sections with their four response strings until
// the text is `bytes` long. `lastHost` is the last section's host.
namespace BenchServerTable {

inline std::string Make(std::size_t bytes, std::string& lastHost)
{
    std::string text = "[Pref]\nThrdCount=10\nAttempts=5\nPause=250\n[TLD]\n";
    for (int i = 0; i < 1000; ++i)
        text += "tld" + std::to_string(i) + "=whois.host" + std::to_string(i) + ".example\n";
    for (int i = 0; text.size() < bytes; ++i) {
        lastHost = "whois.host" + std::to_string(i) + ".example";
        text += "[" + lastHost + "]\n";
        text += "not_found_strings=No match for \"%DOMAIN%\".\n";
        text += "whois_server_string=Registrar WHOIS Server:\n";
        text += "registrar_string=Registrar:\n";
        text += "expires_string=Registry Expiry Date:\n";
    }
    return text;
}

} // namespace BenchServerTable
