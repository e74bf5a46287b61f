#pragma once

#include <string>
#include <string_view>

// Why a generated name must not be sent to a WHOIS host, or empty when it may be. A blank would
// put a second word on the query line, a leading "-" reads as a flag to some registries, and no
// registry holds a name with an empty label or beyond the lengths DNS allows (63 per label, 253
// in all), so such a query could only waste the caller's quota.
std::string DomainNameProblem(std::string_view name);
