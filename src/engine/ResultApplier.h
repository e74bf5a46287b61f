#pragma once

#include "core/ExpiryDate.h"
#include "engine/SyncSendResult.h"
#include "models/DomainTableModel.h"
#include "whois/HostStrings.h"

#include <cstddef>
#include <string>

// Turns one worker's answers into its row's result on the main thread: "YES", "NO" or
// "RESULT ERROR", the registrar, the registrar's WHOIS server and the expiry date, read with the
// response strings that the configuration file keeps per WHOIS host; the raw answers go into the
// row's own answers-log entry.
class TResultApplier
{
public:
    TResultApplier(std::string configPath, TDateMasks masks);

    // Returns false when the row the check was started for is gone (the result is dropped).
    bool ApplyResult(TDomainTableModel& model, const TSyncSendResult& result) const;
    // True when the answer does not contain the host's not-found text (with "%DOMAIN%" replaced
    // by the domain), compared in ASCII upper case.
    bool IsTaken(const std::string& answer, const std::string& whoisServer, const std::string& domain) const;
    static bool IsTaken(const THostStrings& strings, const std::string& answer, const std::string& domain);

    // The answers-log entry for a pair of answers. Real answers are a few kilobytes; each answer is
    // stored up to MaxStoredAnswerBytes, and a cut one says so where it was cut, so that a host
    // sending oversized answers cannot make the log grow by a megabyte a name.
    static std::string LogEntry(const std::string& answer, const std::string& referralAnswer);
    static constexpr std::size_t MaxStoredAnswerBytes = 256 * 1024;

    // Writes `text` into the row's own answers-log entry (a new one when slot 4 names none).
    static void StoreLogEntry(TDomainTableModel& model, int row, std::string text);

    const std::string& ConfigPath() const { return Config; }
    const TDateMasks& DateMasks() const { return Masks; }

private:
    // An RDAP answer: the verdict as it came, registrar, registrar server and expiry from the
    // domain object, and its text (the JSON, or why it is an error) as the row's answers entry.
    void ApplyRdap(TDomainTableModel& model, int row, const TRdapAnswer& answer, const std::string& proxyTrail) const;

    std::string Config;
    TDateMasks Masks;
};
