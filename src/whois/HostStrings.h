#pragma once

#include <string>
#include <string_view>

class TAnswerText;

// What an answer says about the name, and why: the text that decided it, for the answers panel.
struct TAnswerReading
{
    enum class TKind
    {
        Refusal, // no answer about the name: a limit text, or nothing at all; asked again
        Free,    // it holds a not-found text
        Taken,   // it holds a field that only a registered name has
        Unknown  // neither (or both): no verdict, and not asked again
    };
    TKind Kind = TKind::Unknown;
    // One line without a final full stop: the refusal's reason, the text or field that was found,
    // or why the answer gives no verdict.
    std::string Evidence;

    // The reading as one sentence, for the answers panel and the server dialog's test area:
    // "Free: <evidence>.", "Taken: <evidence>.", "No verdict: <evidence>." or, for a refusal,
    // "<evidence>: a check would ask again.".
    std::string Line() const;
};

// The response strings that the configuration file keeps for one WHOIS host, read together with
// one parse of the file: each key from the host's own section, or, where that lacks the key or
// leaves it empty, from the fallback section (ConfigKeys::FallbackSection), whose limit texts apply
// at every host besides its own. A result reads them afresh, so that an edit of the file reaches the
// next result, but only once: a large server table makes every parse count.
struct THostStrings
{
    // False when the configuration file exists but could not be read: every label lookup then
    // fails and leaves what it would have written unchanged.
    bool Readable = true;
    // Each may hold several texts separated by "|" (ConfigKeys::TextSeparator).
    std::string NotFound;    // not_found_strings: alternatives
    std::string Registrar;   // registrar_string: the first label that holds a value wins
    std::string WhoisServer; // whois_server_string
    std::string Expires;     // expires_string
    std::string Limits;      // limit_strings

    static THostStrings Load(const std::string& iniPath, const std::string& host);
    // A host's own strings with the fallback section's where its own are blank, as Load reads them.
    static THostStrings Combined(const THostStrings& own, const THostStrings& fallback);

    // The raw expiry text of an answer: the value of the first of the host's expiry labels that
    // holds one, or, when none does, the line FindExpiryDate picks. Empty when the configuration
    // file could not be read.
    std::string ExpiryText(const std::string& answer) const;

    // The first not-found text (with "%DOMAIN%" replaced by the domain) that the answer holds,
    // compared in ASCII upper case in the answer's encoding; empty when it holds none.
    std::string NotFoundTextIn(const TAnswerText& answer, std::string_view domain) const;
    bool SaysNotFound(std::string_view answer, std::string_view domain) const;
    // The first of the host's limit texts that the answer holds (compared in ASCII upper case), or
    // empty. A limit text wins over the not-found text: some throttle pages end with the very
    // phrase a free answer uses.
    std::string LimitTextIn(const TAnswerText& answer) const;
    std::string LimitTextIn(std::string_view answer) const;
    // Why the answer is a refusal rather than an answer about the name, or empty when it is an
    // answer: it holds a limit text, or it is blank. An answer that merely holds neither a
    // not-found text nor a registration field is no refusal: asking again brings the same text.
    std::string RefusalIn(const TAnswerText& answer, std::string_view domain) const;
    std::string RefusalIn(std::string_view answer, std::string_view domain) const;
    // The sign of a registration in the answer: a value under one of the host's labels, as
    // "label value", or else a field that only registered names have (RegistrationFieldIn).
    std::string RegistrationIn(const TAnswerText& answer) const;

    // The whole reading, in this order: a refusal (not looked for again in an answer the worker has
    // `screened` already); then, with a not-found text and no registration field, free; with a
    // registration field and no not-found text, taken; with neither, or both, no verdict.
    TAnswerReading Read(const TAnswerText& answer, std::string_view domain, bool screened = false) const;
};
