#include "whois/HostStrings.h"

#include "base/AsciiText.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"
#include "whois/AnswerText.h"
#include "whois/RegistrationField.h"
#include "whois/ResponseText.h"

#include <vector>

THostStrings THostStrings::Load(const std::string& iniPath, const std::string& host)
{
    const std::vector<std::string_view> keys = {ConfigKeys::NotFoundStrings, ConfigKeys::RegistrarString,
                                                ConfigKeys::WhoisServerString, ConfigKeys::ExpiresString,
                                                ConfigKeys::LimitStrings};
    const TIniFile ini(iniPath);
    std::vector<std::string> own;
    std::vector<std::string> fallback;
    if (!ini.ReadStrings(host, keys, own) ||
        !ini.ReadStrings(std::string(ConfigKeys::FallbackSection), keys, fallback)) {
        THostStrings unreadable;
        unreadable.Readable = false;
        return unreadable;
    }
    const auto strings = [](std::vector<std::string>& values) {
        THostStrings read;
        read.NotFound = std::move(values[0]);
        read.Registrar = std::move(values[1]);
        read.WhoisServer = std::move(values[2]);
        read.Expires = std::move(values[3]);
        read.Limits = std::move(values[4]);
        return read;
    };
    return Combined(strings(own), strings(fallback));
}

THostStrings THostStrings::Combined(const THostStrings& own, const THostStrings& fallback)
{
    const auto pick = [](const std::string& mine, const std::string& shared) {
        return TrimView(mine).empty() ? shared : mine;
    };
    THostStrings strings;
    strings.NotFound = pick(own.NotFound, fallback.NotFound);
    strings.Registrar = pick(own.Registrar, fallback.Registrar);
    strings.WhoisServer = pick(own.WhoisServer, fallback.WhoisServer);
    strings.Expires = pick(own.Expires, fallback.Expires);
    // A refusal is never a verdict, so every known refusal text counts at every host.
    strings.Limits = own.Limits;
    if (!TrimView(fallback.Limits).empty() && fallback.Limits != own.Limits)
        strings.Limits +=
            (TrimView(own.Limits).empty() ? "" : std::string(1, ConfigKeys::TextSeparator)) + fallback.Limits;
    return strings;
}

std::string THostStrings::ExpiryText(const std::string& answer) const
{
    if (!Readable)
        return {};
    std::string text = ValueOfFirstLabel(Expires, answer);
    if (text.empty())
        FindExpiryDate(answer, text);
    return text;
}

std::string THostStrings::NotFoundTextIn(const TAnswerText& answer, std::string_view domain) const
{
    for (const std::string_view text : SplitTexts(NotFound)) {
        const std::string filled = ReplaceAll(text, ConfigKeys::DomainPlaceholder, domain);
        if (answer.HoldsIgnoringCase(filled))
            return filled;
    }
    return {};
}

bool THostStrings::SaysNotFound(std::string_view answer, std::string_view domain) const
{
    return !NotFoundTextIn(TAnswerText(answer), domain).empty();
}

std::string THostStrings::LimitTextIn(const TAnswerText& answer) const
{
    for (const std::string_view text : SplitTexts(Limits))
        if (answer.HoldsIgnoringCase(text))
            return std::string(text);
    return {};
}

std::string THostStrings::LimitTextIn(std::string_view answer) const
{
    return LimitTextIn(TAnswerText(answer));
}

std::string THostStrings::RefusalIn(const TAnswerText& answer, std::string_view /*domain*/) const
{
    if (std::string limit = LimitTextIn(answer); !limit.empty())
        return "The host refused the query (\"" + limit + "\")";
    if (TrimView(answer.Raw()).empty())
        return "The host closed the connection without an answer";
    return {};
}

std::string THostStrings::RefusalIn(std::string_view answer, std::string_view domain) const
{
    return RefusalIn(TAnswerText(answer), domain);
}

std::string THostStrings::RegistrationIn(const TAnswerText& answer) const
{
    if (Readable) {
        for (const std::string* labels : {&Registrar, &Expires, &WhoisServer}) {
            for (const std::string_view label : SplitTexts(*labels)) {
                if (const std::string value = ValueAfterLastLabel(label, answer.Raw()); !value.empty())
                    return std::string(label) + " " + value;
            }
        }
    }
    return RegistrationFieldIn(answer.Raw());
}

std::string TAnswerReading::Line() const
{
    switch (Kind) {
    case TKind::Refusal:
        return Evidence + ": a check would ask again.";
    case TKind::Free:
        return "Free: " + Evidence + ".";
    case TKind::Taken:
        return "Taken: " + Evidence + ".";
    case TKind::Unknown:
        break;
    }
    return "No verdict: " + Evidence + ".";
}

TAnswerReading THostStrings::Read(const TAnswerText& answer, std::string_view domain, bool screened) const
{
    using TKind = TAnswerReading::TKind;
    if (std::string refusal = screened ? std::string() : RefusalIn(answer, domain); !refusal.empty())
        return {TKind::Refusal, std::move(refusal)};
    const std::string notFound = NotFoundTextIn(answer, domain);
    const std::string field = RegistrationIn(answer);
    if (!notFound.empty() && !field.empty())
        return {TKind::Unknown, "The answer holds both the not-found text \"" + notFound +
                                    "\" and the registration field \"" + field + "\""};
    if (!notFound.empty())
        return {TKind::Free, "The answer holds the not-found text \"" + notFound + "\""};
    if (!field.empty())
        return {TKind::Taken, "The answer holds the registration field \"" + field + "\""};
    return {TKind::Unknown, "The answer holds neither a not-found text nor a registration field"};
}
