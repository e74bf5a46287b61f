#include "whois/IdWhois.h"

#include "base/QuarrowError.h"
#include "whois/WhoisExchange.h"

std::string TIdWhois::Lookup(const std::string& domain)
{
    TWhoisRequest request;
    request.Host = Host;
    request.Port = Port;
    request.Proxy = Proxy;
    std::string answer;
    std::string error;
    if (ExchangeWhois(request, domain, answer, error) != TWhoisOutcome::Answered)
        throw TQuarrowError(error);
    return answer;
}
