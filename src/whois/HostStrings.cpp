#include "whois/HostStrings.h"

#include "base/AsciiText.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"
#include "whois/ResponseText.h"

#include <vector>

THostStrings THostStrings::Load(const std::string& iniPath, const std::string& host)
{
    std::vector<std::string> values;
    THostStrings strings;
    strings.Readable = TIniFile(iniPath).ReadStrings(host,
                                                     {ConfigKeys::NotFoundStrings, ConfigKeys::RegistrarString,
                                                      ConfigKeys::WhoisServerString, ConfigKeys::ExpiresString,
                                                      ConfigKeys::LimitStrings},
                                                     values);
    strings.NotFound = std::move(values[0]);
    strings.Registrar = std::move(values[1]);
    strings.WhoisServer = std::move(values[2]);
    strings.Expires = std::move(values[3]);
    strings.Limits = std::move(values[4]);
    return strings;
}

std::string THostStrings::ExpiryText(const std::string& answer) const
{
    if (!Readable)
        return {};
    std::string text = ValueAfterLastLabel(Expires, answer);
    if (text.empty())
        FindExpiryDate(answer, text);
    return text;
}

bool THostStrings::SaysNotFound(std::string_view answer, std::string_view domain) const
{
    const std::string needle =
        UpperAscii(TextInAnswerEncoding(ReplaceAll(NotFound, ConfigKeys::DomainPlaceholder, domain), answer));
    return !needle.empty() && UpperAscii(answer).find(needle) != std::string::npos;
}

std::string THostStrings::LimitTextIn(std::string_view answer) const
{
    const std::string upper = UpperAscii(answer);
    std::string_view rest = Limits;
    while (!rest.empty()) {
        const std::size_t bar = rest.find(ConfigKeys::LimitSeparator);
        const std::string_view text = TrimView(rest.substr(0, bar));
        rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
        if (!text.empty() && upper.find(UpperAscii(TextInAnswerEncoding(text, answer))) != std::string::npos)
            return std::string(text);
    }
    return {};
}

std::string THostStrings::RefusalIn(std::string_view answer, std::string_view domain) const
{
    if (std::string limit = LimitTextIn(answer); !limit.empty())
        return "The host refused the query (\"" + limit + "\")";
    const std::string_view trimmed = TrimView(answer);
    if (trimmed.empty())
        return "The host closed the connection without an answer";
    // Only a host whose free answer the table knows can be judged by length: at a host without a
    // not-found text every answer reads "NO" anyway, and there is nothing to tell a short answer
    // from a refusal by.
    if (!Readable || NotFound.empty() || trimmed.size() >= ShortAnswerBytes || SaysNotFound(answer, domain))
        return {};
    for (const std::string* label : {&Registrar, &WhoisServer, &Expires})
        if (AnswerHoldsLabel(*label, answer))
            return {};
    // The shortest taken answers ("Domain: x.de", "Status: connect") name the domain as a field.
    if (HoldsDomainLine(answer, domain))
        return {};
    return "The answer is too short to be one and holds none of the host's texts";
}
