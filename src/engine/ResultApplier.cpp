#include "engine/ResultApplier.h"

#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "whois/ExpiryDateFormat.h"
#include "whois/ResponseText.h"

namespace {

const std::string ResultYes = "YES";
const std::string ResultNo = "NO";
const std::string ResultError = "RESULT ERROR";

} // namespace

TResultApplier::TResultApplier(std::string configPath, TDateMasks masks)
    : Config(std::move(configPath)), Masks(std::move(masks))
{
}

std::string TResultApplier::LogEntry(const std::string& answer, const std::string& referralAnswer)
{
    if (!referralAnswer.empty())
        return answer + "\r\n" + std::string(69, '=') + "\r\n" + referralAnswer;
    return answer + "\r\n" + std::string(69, '-');
}

bool TResultApplier::IsTaken(const std::string& answer, const std::string& whoisServer, const std::string& domain) const
{
    const std::string notFound = TIniFile(Config).ReadString(whoisServer, std::string(ConfigKeys::NotFoundStrings), "");
    const std::string needle = UpperAscii(ReplaceAll(notFound, ConfigKeys::DomainPlaceholder, domain));
    if (needle.empty())
        return true;
    return UpperAscii(answer).find(needle) == std::string::npos;
}

bool TResultApplier::ApplyResult(TDomainTableModel& model, const TSyncSendResult& result) const
{
    const int row = model.RowOf(result.RowIndex);
    if (row < 0)
        return false;

    if (Trim(result.Answer + result.ReferralAnswer).empty()) {
        model.SetSlot(row, SlotStartTick, "");
        model.SetSlot(row, SlotAvailability, ResultError);
        return true;
    }
    model.SetSlot(row, SlotStartTick, "");

    // The row keeps its own answers-log entry; a row that names none gets a new one.
    int entry = model.AnswerIndexOf(row);
    if (entry < 0) {
        entry = model.AppendAnswer(LogEntry(result.Answer, result.ReferralAnswer));
        model.SetSlot(row, SlotAnswerIndex, std::to_string(entry));
    } else {
        model.SetAnswer(entry, LogEntry(result.Answer, result.ReferralAnswer));
    }

    const bool taken = IsTaken(result.Answer, result.WhoisServer, result.DomainName);
    model.SetSlot(row, SlotAvailability, taken ? ResultNo : ResultYes);
    if (!taken)
        return true;

    std::string value;
    if (ExtractLabelledValue(std::string(ConfigKeys::RegistrarString), result.Answer, result.WhoisServer, value,
                             Config))
        model.SetSlot(row, SlotRegistrar, value);

    std::string referralServer;
    value.clear();
    if (ExtractLabelledValue(std::string(ConfigKeys::WhoisServerString), result.Answer, result.WhoisServer, value,
                             Config)) {
        model.SetSlot(row, SlotWhoisServer, value);
        referralServer = value;
    }

    std::string expiry;
    if (!ExtractLabelledValue(std::string(ConfigKeys::ExpiresString), result.Answer, result.WhoisServer, expiry,
                              Config))
        expiry.clear();
    else if (expiry.empty())
        FindExpiryDate(result.Answer, expiry);
    model.SetSlot(row, SlotExpires, FormatExpiryDate(expiry, Masks));
    int day = ParseExpiryDate(expiry, Masks);

    if (expiry.empty() && !referralServer.empty()) {
        if (!ExtractLabelledValue(std::string(ConfigKeys::ExpiresString), result.ReferralAnswer, referralServer, expiry,
                                  Config))
            expiry.clear();
        else if (expiry.empty())
            FindExpiryDate(result.ReferralAnswer, expiry);
        model.SetSlot(row, SlotExpires, FormatExpiryDate(expiry, Masks));
        day = ParseExpiryDate(expiry, Masks);
        if (day == 0)
            model.SetSlot(row, SlotExpires, "! " + expiry + " !");
    }
    model.SetExpiryDay(row, day);
    return true;
}
