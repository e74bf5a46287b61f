#pragma once

#include <cstddef>
#include <string>

// What one RDAP answer says about a name (RFC 7480 status codes, RFC 9083 domain objects).
enum class TRdapVerdict
{
    Free,
    Taken,
    Error
};

struct TRdapAnswer
{
    TRdapVerdict Verdict = TRdapVerdict::Error;
    std::string Registrar;       // vCard "fn" of the entity with role "registrar"
    std::string RegistrarServer; // the registrar's RDAP base or WHOIS host where the answer names one
    int ExpiryDay = 0;           // day number (core/ExpiryDate.h) of the "expiration" event, 0: none
    std::string ExpiryText;      // the event's date text as sent
    std::string LogText;         // pretty-printed JSON capped like a WHOIS answer, or why it is an error
};

// Real domain answers are a few kilobytes, the largest some tens; a body beyond this is not parsed
// at all. Parsed, a body of empty lists costs a hundred times its size, and fifty workers may be
// reading answers at once.
constexpr std::size_t MaxRdapBodyBytes = 256 * 1024;
// The answers-log text is kept within the bound a WHOIS answer has in the log.
constexpr std::size_t MaxRdapLogBytes = 256 * 1024;

// One answer to GET BASE/domain/NAME: 404 is Free; 200 with an RDAP domain object is Taken;
// 429, 5xx, anything else, or a body that is not RDAP JSON is Error. Bounded in time and memory
// for any body (20 MB, nesting 100,000 deep, HTML...).
TRdapAnswer ReadRdapAnswer(int httpStatus, const std::string& body);
