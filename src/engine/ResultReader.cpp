#include "engine/ResultReader.h"

#include "base/AsciiText.h"
#include "whois/AnswerText.h"
#include "whois/ResponseText.h"

#include <algorithm>
#include <string_view>

namespace {

void AppendStored(std::string& entry, const std::string& answer)
{
    if (answer.size() <= TResultReader::MaxStoredAnswerBytes) {
        entry += answer;
        return;
    }
    entry.append(answer, 0, TResultReader::MaxStoredAnswerBytes);
    entry += "\r\n[Answer cut: only its first " + std::to_string(TResultReader::MaxStoredAnswerBytes) + " of " +
             std::to_string(answer.size()) + " bytes are kept.]";
}

bool Blank(std::string_view text)
{
    return TrimView(text).empty();
}

// The lines LogEntry ends an answer with: a referral answer follows the first, none the second.
const std::string ReferralLine = "\r\n" + std::string(69, '=') + "\r\n";
const std::string EndLine = "\r\n" + std::string(69, '-');

// First lines of the entries of RDAP answers (ReadRdap, and the worker's notes on why RDAP was
// asked), which end as a port-43 answer does.
bool RdapEntry(std::string_view entry)
{
    const std::string_view first = entry.substr(0, entry.find('\n'));
    return first.starts_with("{") || first.starts_with("HTTP status ") || first.starts_with("RDAP error") ||
           first.find("the RDAP service ") != std::string_view::npos;
}

} // namespace

TResultReader::TResultReader(std::string configPath, std::shared_ptr<const TDateMasks> masks)
    : ConfigPath(std::move(configPath)), Masks(masks ? std::move(masks) : std::make_shared<const TDateMasks>())
{
}

const THostStrings& TResultReader::StringsOf(const std::string& host)
{
    auto it = Loaded.find(host);
    if (it == Loaded.end())
        it = Loaded.emplace(host, THostStrings::Load(ConfigPath, host)).first;
    return it->second;
}

std::string TResultReader::LogEntry(const std::string& answer, const std::string& referralAnswer)
{
    std::string entry;
    AppendStored(entry, answer);
    if (!referralAnswer.empty()) {
        entry += "\r\n" + std::string(69, '=') + "\r\n";
        AppendStored(entry, referralAnswer);
    } else {
        entry += "\r\n" + std::string(69, '-');
    }
    return entry;
}

std::string_view TResultReader::StoredAnswer(std::string_view entry)
{
    // A refusal's or no verdict's entry begins with why; it gave no verdict to explain.
    if (entry.starts_with("No verdict: ") || RdapEntry(entry))
        return {};
    if (const std::size_t referral = entry.find(ReferralLine); referral != std::string_view::npos)
        return entry.substr(0, referral);
    if (entry.ends_with(EndLine))
        return entry.substr(0, entry.size() - EndLine.size());
    return {};
}

std::string TResultReader::EvidenceOfStored(const std::string& host, const std::string& entry,
                                            const std::string& domain, TRowResult verdict)
{
    const std::string_view answer = StoredAnswer(entry);
    if (Blank(answer))
        return {};
    const TAnswerReading reading = StringsOf(host).Read(TAnswerText(answer), domain);
    const bool agrees = (reading.Kind == TAnswerReading::TKind::Free && verdict == TRowResult::Available) ||
                        (reading.Kind == TAnswerReading::TKind::Taken && verdict == TRowResult::Registered);
    return agrees ? reading.Evidence : std::string();
}

TSyncSendResult TResultReader::ReadWhois(const TWhoisAnswers& answers)
{
    TSyncSendResult result;
    if (Blank(answers.Answer) && Blank(answers.ReferralAnswer))
        return result;
    const THostStrings& strings = StringsOf(answers.WhoisServer);
    // Decoded and upper-cased once for every question asked of it below.
    const TAnswerText text(answers.Answer);
    // A refusal or throttle page says nothing about the name, however it reads: neither "NO" for
    // lacking the not-found text nor "YES" for holding it. Its text stays in the answers entry.
    TAnswerReading reading;
    if (!answers.Failure.empty())
        reading = {TAnswerReading::TKind::Refusal, answers.Failure};
    else
        reading = strings.Read(text, answers.DomainName, answers.Screened);
    result.Evidence = reading.Evidence;
    if (reading.Kind == TAnswerReading::TKind::Refusal || reading.Kind == TAnswerReading::TKind::Unknown) {
        if (!Blank(answers.Answer))
            result.LogEntry =
                "No verdict: " + reading.Evidence + ".\r\n" +
                LogEntry(answers.Answer,
                         reading.Kind == TAnswerReading::TKind::Unknown ? answers.ReferralAnswer : std::string());
        return result;
    }
    result.LogEntry = LogEntry(answers.Answer, answers.ReferralAnswer);
    const bool taken = reading.Kind == TAnswerReading::TKind::Taken;
    result.Verdict = taken ? TRowResult::Registered : TRowResult::Available;
    if (!taken)
        return result;

    // A configuration file that cannot be read leaves the registrar and server as they were.
    std::string referralServer;
    if (strings.Readable) {
        result.Registrar = ValueOfFirstLabel(strings.Registrar, answers.Answer);
        referralServer = ValueOfFirstLabel(strings.WhoisServer, answers.Answer);
        result.RegistrarServer = referralServer;
    }

    std::string expiry = strings.ExpiryText(answers.Answer);
    int day = ParseExpiryDate(expiry, *Masks);
    bool unreadable = false;
    // Only an answer without any expiry text sends the search to the referral host's answer; there
    // a text no mask reads is shown as it came, between marks.
    if (expiry.empty() && !referralServer.empty()) {
        expiry = StringsOf(referralServer).ExpiryText(answers.ReferralAnswer);
        day = ParseExpiryDate(expiry, *Masks);
        unreadable = day == 0;
    }
    TExpiryResult& found = result.Expiry.emplace();
    found.Day = std::max(day, 0);
    found.Unreadable = unreadable;
    if (unreadable)
        found.Text = std::move(expiry);
    return result;
}

TSyncSendResult TResultReader::ReadRdap(const TRdapAnswer& answer)
{
    TSyncSendResult result;
    // Unlike an empty port-43 result, an RDAP error has a reason to show: it replaces the entry.
    result.LogEntry = LogEntry(answer.LogText, "");
    if (answer.Verdict == TRdapVerdict::Error)
        return result;
    if (answer.Verdict == TRdapVerdict::Free) {
        result.Verdict = TRowResult::Available;
        result.Evidence = "The RDAP service answered 404: it has no such domain";
        return result;
    }
    result.Verdict = TRowResult::Registered;
    result.Evidence = "The RDAP service answered with the domain's object";
    result.Registrar = answer.Registrar;
    result.RegistrarServer = answer.RegistrarServer;
    TExpiryResult& expiry = result.Expiry.emplace();
    expiry.Day = std::max(answer.ExpiryDay, 0);
    // A date that is not a calendar date is shown as sent, like an unreadable one from a referral
    // host.
    expiry.Unreadable = answer.ExpiryDay <= 0 && !answer.ExpiryText.empty();
    if (expiry.Unreadable)
        expiry.Text = answer.ExpiryText;
    return result;
}
