#pragma once

#include "settings/IniFile.h"

#include <string>

// The four response strings of one WHOIS host, its limit texts and its least interval between
// queries, as the server properties dialog edits them.
struct TServerStrings
{
    // Each of the five may hold several texts separated by "|".
    std::string NotFound;    // not_found_strings
    std::string WhoisServer; // whois_server_string
    std::string Registrar;   // registrar_string
    std::string Expires;     // expires_string
    std::string Limits;      // limit_strings, texts separated by "|"
    int MinInterval = 0;     // min_interval in milliseconds; a value that is no number reads as 0

    static TServerStrings Load(const TIniFile& ini, const std::string& host);
    // The four strings in this order, then limit_strings and min_interval, as one replacement of
    // the file: all of them or none.
    void Save(const TIniFile& ini, const std::string& host) const;

    // What a check would make of `answer` for `domain` with these strings, each blank one taken from
    // `fallback` (the fallback section's, as a check takes them): a refusal to ask again, free or
    // taken with the text or field that decided it, or no verdict. One line, for the test area.
    std::string Verdict(const std::string& answer, const std::string& domain, const TServerStrings& fallback) const;
    std::string Verdict(const std::string& answer, const std::string& domain) const;
    // What the dialog writes back for fields typed as `typed` (UTF-8): each string that still shows
    // the value read as this one keeps that value's own bytes. A value that is not UTF-8 (Latin-1
    // put into the file by hand) is shown by its Latin-1 reading; writing that reading back would
    // rewrite a value nobody touched.
    TServerStrings KeptOrTyped(const TServerStrings& typed) const;
};

// The not-found field names the test domain through the placeholder: the domain as typed, then its
// upper-case form, become "%DOMAIN%".
std::string PlaceholderForTestDomain(const std::string& field, const std::string& testDomain);
