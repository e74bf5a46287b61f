#pragma once

#include <string>
#include <string_view>

// Section TLD of the configuration file: which WHOIS host answers for which top-level domain.

// The key of a domain in section TLD: the text after its last ".", or the whole name without one.
std::string TldKey(std::string_view domain);

// The domain's host from section TLD, or the fallback host when the section has no entry for it.
std::string WhoisHostForDomain(const std::string& configPath, std::string_view domain);
