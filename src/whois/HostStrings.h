#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The response strings that the configuration file keeps for one WHOIS host (its own section),
// read together with one parse of the file. A result reads them afresh, so that an edit of the
// file reaches the next result, but only once: a large server table makes every parse count.
struct THostStrings
{
    // An answer shorter than this (blanks around it not counted) that holds neither the not-found
    // text, nor any of the host's labels, nor a "label: domain" line naming the queried domain is
    // no answer about the name but a refusal in words the table does not know yet. The shortest
    // real answers are free ones (.de and .eu: about 35 bytes) and they hold the not-found text;
    // short taken ones ("Domain: x.de", "Status: connect") name the domain as a field. The longest
    // known refusal (the .uk quota message with an IPv6 address) is about 150 bytes.
    static constexpr std::size_t ShortAnswerBytes = 200;

    // False when the configuration file exists but could not be read: every label lookup then
    // fails and leaves what it would have written unchanged.
    bool Readable = true;
    std::string NotFound;    // not_found_strings
    std::string Registrar;   // registrar_string
    std::string WhoisServer; // whois_server_string
    std::string Expires;     // expires_string
    std::string Limits;      // limit_strings: texts separated by "|"

    static THostStrings Load(const std::string& iniPath, const std::string& host);

    // The raw expiry text of an answer: the value after the host's expiry label, or, when that
    // is empty (no label set, no line holds it, or nothing follows it), the line FindExpiryDate
    // picks. Empty when the configuration file could not be read.
    std::string ExpiryText(const std::string& answer) const;

    // True when the answer holds the not-found text (with "%DOMAIN%" replaced by the domain),
    // compared in ASCII upper case; an empty not-found text never matches.
    bool SaysNotFound(std::string_view answer, std::string_view domain) const;
    // The first of the host's limit texts that the answer holds (compared in ASCII upper case), or
    // empty. A limit text wins over the not-found text: some throttle pages end with the very
    // phrase a free answer uses.
    std::string LimitTextIn(std::string_view answer) const;
    // Why the answer is a refusal rather than an answer about the name, or empty when it is an
    // answer: it holds a limit text, or it is blank, or (at a host with a not-found text) it is
    // shorter than ShortAnswerBytes and holds neither the not-found text, nor one of the labels
    // (exact case, as they are read; the block of a "Block|Sub" label), nor a "label: domain" line
    // naming the queried domain (HoldsDomainLine). Every text is compared in the answer's encoding
    // (TextInAnswerEncoding).
    std::string RefusalIn(std::string_view answer, std::string_view domain) const;
};
