#pragma once

#include "CheckRig.h"

#include "core/ExpiryDate.h"
#include "models/ExpiryDateFormat.h"

#include <string>

// The hosts and answers the dispatcher's tests check against.
using TBehaviour = TFakeWhoisServer::TBehaviour;

const std::string Dashes(69, '-');
const std::string Equals(69, '=');
// A taken answer: it lacks the not-found text and carries the registrar label.
const std::string ShortTaken = "   Registrar: Reg\r\n";

// The registry on 127.0.0.1 and a registrar host on 127.0.0.2, as the configuration knows them.
inline std::string StandardConfig(const std::string& extra = "")
{
    return "[TLD]\n"
           "com=127.0.0.1\n"
           "net=127.0.0.2\n" +
           extra +
           "\n[127.0.0.1]\n"
           "not_found_strings=No match for \"%DOMAIN%\".\n"
           "registrar_string=Registrar:\n"
           "whois_server_string=Registrar WHOIS Server:\n"
           "expires_string=Registry Expiry Date:\n"
           "\n[127.0.0.2]\n"
           "registrar_string=Sponsoring Registrar:\n"
           "expires_string=Registrar Registration Expiration Date:\n";
}

inline std::string TakenAnswer(const std::string& domain, const std::string& registrar, const std::string& expiry)
{
    return "   Domain Name: " + domain + "\r\n   Registrar: " + registrar + "\r\n   Registry Expiry Date: " + expiry +
           "\r\n";
}

inline std::string Formatted(int year, int month, int day)
{
    return FormatDayNumber(DayNumberFromDate(year, month, day));
}
