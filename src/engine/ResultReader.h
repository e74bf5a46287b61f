#pragma once

#include "core/ExpiryDate.h"
#include "core/RowResult.h"
#include "engine/SyncSendResult.h"
#include "rdap/RdapAnswer.h"
#include "whois/HostStrings.h"

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>

// The answers of one port-43 check as the worker received them.
struct TWhoisAnswers
{
    std::string Answer;
    std::string ReferralAnswer;
    std::string WhoisServer;
    std::string DomainName;
    // Why no attempt brought an answer about the name (every one was refused, cut short or
    // failed); empty when Answer is one. Answer then holds the last text received, if any, for
    // the answers entry only: the row reads "RESULT ERROR".
    std::string Failure;
    // The worker has already looked for a refusal in Answer (Failure holds what it found): the
    // answer is not searched for one again.
    bool Screened = false;
};

// The worker's side of a result: it reads the response strings of each host it deals with from the
// configuration file once, and makes of the answers the verdict, registrar, registrar's WHOIS server,
// expiry date and answers entry, so that the main thread parses nothing and reads no file. Strings
// are read afresh for every check, so that an edit of the file reaches the next one. One object
// serves one check on one thread.
class TResultReader
{
public:
    TResultReader(std::string configPath, std::shared_ptr<const TDateMasks> masks);

    // The host's response strings, read at the first call for the host.
    const THostStrings& StringsOf(const std::string& host);

    TSyncSendResult ReadWhois(const TWhoisAnswers& answers);
    // An RDAP answer: the verdict as it came, registrar, registrar server and expiry from the
    // domain object, and its text (the JSON, or why it is an error) as the row's answers entry.
    static TSyncSendResult ReadRdap(const TRdapAnswer& answer);

    // The answers-log entry for a pair of answers. Real answers are a few kilobytes; each answer is
    // stored up to MaxStoredAnswerBytes, and a cut one says so where it was cut, so that a host
    // sending oversized answers cannot make the log grow by a megabyte a name.
    static std::string LogEntry(const std::string& answer, const std::string& referralAnswer);
    static constexpr std::size_t MaxStoredAnswerBytes = 256 * 1024;
    // The registry host's answer in an entry LogEntry wrote for a port-43 check that gave a
    // verdict; empty for any other entry: an RDAP answer, a DNS delegation, a refusal, no verdict,
    // or an entry in another layout. A view into `entry`.
    static std::string_view StoredAnswer(std::string_view entry);
    // What today's strings of `host` make of the answer stored in `entry` for `domain` (in
    // A-labels): the reading's evidence when it gives `verdict`, else empty. For a row whose check
    // ran in an earlier session and left no evidence of its own.
    std::string EvidenceOfStored(const std::string& host, const std::string& entry, const std::string& domain,
                                 TRowResult verdict);

private:
    std::string ConfigPath;
    std::shared_ptr<const TDateMasks> Masks;
    // A check deals with one to three hosts; a map keeps references to its entries valid.
    std::map<std::string, THostStrings> Loaded;
};
