#include "whois/IdWhois.h"

#include "base/QuarrowError.h"
#include "whois/WhoisExchange.h"

std::string TIdWhois::Lookup(const std::string& domain)
{
    TWhoisRequest request;
    request.Host = Host;
    request.Port = Port;
    request.Proxy = Proxy;
    request.CancelFd = CancelFd;
    std::string answer;
    std::string error;
    const TWhoisOutcome outcome = ExchangeWhois(request, domain, answer, error);
    if (outcome == TWhoisOutcome::Abandoned)
        throw TQuarrowError("Query abandoned");
    if (outcome != TWhoisOutcome::Answered)
        throw TQuarrowError(error);
    return answer;
}
