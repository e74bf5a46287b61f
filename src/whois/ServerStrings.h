#pragma once

#include "settings/IniFile.h"

#include <string>

// The four response strings of one WHOIS host, as the server properties dialog edits them.
struct TServerStrings
{
    std::string NotFound;    // not_found_strings
    std::string WhoisServer; // whois_server_string
    std::string Registrar;   // registrar_string
    std::string Expires;     // expires_string

    static TServerStrings Load(const TIniFile& ini, const std::string& host);
    // The four keys in this order, as one replacement of the file: all of them or none.
    void Save(const TIniFile& ini, const std::string& host) const;
};

// The not-found field names the test domain through the placeholder: the domain as typed, then its
// upper-case form, become "%DOMAIN%".
std::string PlaceholderForTestDomain(const std::string& field, const std::string& testDomain);
