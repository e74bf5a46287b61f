#include "engine/ResultApplier.h"

#include "base/AsciiText.h"
#include "models/ExpiryDateFormat.h"
#include "whois/ResponseText.h"

#include <algorithm>
#include <string_view>

namespace {

const std::string ResultYes = "YES";
const std::string ResultNo = "NO";
const std::string ResultError = "RESULT ERROR";

void AppendStored(std::string& entry, const std::string& answer)
{
    if (answer.size() <= TResultApplier::MaxStoredAnswerBytes) {
        entry += answer;
        return;
    }
    entry.append(answer, 0, TResultApplier::MaxStoredAnswerBytes);
    entry += "\r\n[Answer cut: only its first " + std::to_string(TResultApplier::MaxStoredAnswerBytes) + " of " +
             std::to_string(answer.size()) + " bytes are kept.]";
}

bool Blank(std::string_view text)
{
    return TrimView(text).empty();
}

} // namespace

TResultApplier::TResultApplier(std::string configPath, TDateMasks masks)
    : Config(std::move(configPath)), Masks(std::move(masks))
{
}

std::string TResultApplier::LogEntry(const std::string& answer, const std::string& referralAnswer)
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

void TResultApplier::StoreLogEntry(TDomainTableModel& model, int row, std::string text)
{
    // The row keeps its own answers-log entry; a row that names none gets a new one.
    const int entry = model.AnswerIndexOf(row);
    if (entry < 0)
        model.SetSlot(row, SlotAnswerIndex, std::to_string(model.AppendAnswer(std::move(text))));
    else
        model.SetAnswer(entry, std::move(text));
}

bool TResultApplier::IsTaken(const std::string& answer, const std::string& whoisServer, const std::string& domain) const
{
    return IsTaken(THostStrings::Load(Config, whoisServer), answer, domain);
}

bool TResultApplier::IsTaken(const THostStrings& strings, const std::string& answer, const std::string& domain)
{
    return !strings.SaysNotFound(answer, domain);
}

bool TResultApplier::ApplyResult(TDomainTableModel& model, const TSyncSendResult& result) const
{
    const int row = model.RowOf(result.RowIndex);
    if (row < 0)
        return false;

    model.SetSlot(row, SlotStartTick, "");
    if (result.Rdap) {
        ApplyRdap(model, row, *result.Rdap, result.ProxyTrail);
        return true;
    }
    if (Blank(result.Answer) && Blank(result.ReferralAnswer)) {
        model.SetSlot(row, SlotAvailability, ResultError);
        // Through a pool, the entry says what each proxy did, so a dead proxy is found.
        if (!result.ProxyTrail.empty())
            StoreLogEntry(model, row, result.ProxyTrail);
        return true;
    }
    const THostStrings strings = THostStrings::Load(Config, result.WhoisServer);
    // A refusal or throttle page says nothing about the name, however it reads: neither "NO" for
    // lacking the not-found text nor "YES" for holding it. Its text stays in the answers entry.
    const std::string failure =
        result.Failure.empty() ? strings.RefusalIn(result.Answer, result.DomainName) : result.Failure;
    if (!failure.empty()) {
        model.SetSlot(row, SlotAvailability, ResultError);
        if (!Blank(result.Answer))
            StoreLogEntry(model, row,
                          result.ProxyTrail + "No verdict: " + failure + ".\r\n" + LogEntry(result.Answer, ""));
        return true;
    }
    StoreLogEntry(model, row, result.ProxyTrail + LogEntry(result.Answer, result.ReferralAnswer));

    const bool taken = IsTaken(strings, result.Answer, result.DomainName);
    model.SetSlot(row, SlotAvailability, taken ? ResultNo : ResultYes);
    if (!taken)
        return true;

    // A configuration file that cannot be read leaves the registrar and server as they were.
    std::string referralServer;
    if (strings.Readable) {
        model.SetSlot(row, SlotRegistrar, ValueAfterLastLabel(strings.Registrar, result.Answer));
        referralServer = ValueAfterLastLabel(strings.WhoisServer, result.Answer);
        model.SetSlot(row, SlotWhoisServer, referralServer);
    }

    std::string expiry = strings.ExpiryText(result.Answer);
    int day = ParseExpiryDate(expiry, Masks);
    bool unreadable = false;
    // Only an answer without any expiry text sends the search to the referral host's answer; there
    // a text no mask reads is shown as it came, between marks.
    if (expiry.empty() && !referralServer.empty()) {
        const THostStrings referralStrings =
            referralServer == result.WhoisServer ? strings : THostStrings::Load(Config, referralServer);
        expiry = referralStrings.ExpiryText(result.ReferralAnswer);
        day = ParseExpiryDate(expiry, Masks);
        unreadable = day == 0;
    }
    day = std::max(day, 0);
    model.SetExpiry(row, unreadable ? "! " + expiry + " !" : FormatDayNumber(day), day, unreadable);
    return true;
}

void TResultApplier::ApplyRdap(TDomainTableModel& model, int row, const TRdapAnswer& answer,
                               const std::string& proxyTrail) const
{
    // Unlike an empty port-43 result, an RDAP error has a reason to show: it replaces the entry.
    StoreLogEntry(model, row, proxyTrail + LogEntry(answer.LogText, ""));
    if (answer.Verdict == TRdapVerdict::Error) {
        model.SetSlot(row, SlotAvailability, ResultError);
        return;
    }
    if (answer.Verdict == TRdapVerdict::Free) {
        model.SetSlot(row, SlotAvailability, ResultYes);
        return;
    }
    model.SetSlot(row, SlotAvailability, ResultNo);
    model.SetSlot(row, SlotRegistrar, answer.Registrar);
    model.SetSlot(row, SlotWhoisServer, answer.RegistrarServer);
    // A date that is not a calendar date is shown as sent, between marks, like an unreadable one
    // from a referral host.
    const bool unreadable = answer.ExpiryDay <= 0 && !answer.ExpiryText.empty();
    model.SetExpiry(row, unreadable ? "! " + answer.ExpiryText + " !" : FormatDayNumber(std::max(answer.ExpiryDay, 0)),
                    std::max(answer.ExpiryDay, 0), unreadable);
}
