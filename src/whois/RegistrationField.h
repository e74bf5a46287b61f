#pragma once

#include <string>
#include <string_view>

// The first field of an answer that only a registered name has: a registrar, a creation or
// registration date, an expiry date, a name server, a holder, or a status that names a registered
// state ("ok", "active", "connect", "clientTransferProhibited", ...). Returned as the answer's
// trimmed line ("Registrar: Example Ltd"), or, for a label alone on its line whose value is the
// indented line under it, both lines joined by " / "; empty when the answer has none.
//
// The field set was chosen from the recorded answers of about 200 registries: these labels occur
// in their taken answers and in none of the free ones. Free answers do repeat the queried name
// ("Domain Name: x.ai", "Domain: x.de") and a state ("Status: free", "Domain Status: No Object
// Found"); neither counts. Labels compare without regard to case, dot padding ("expires.....:")
// and runs of blanks; the bracketed form "[Expires on]  2026/07/31" counts as a label too. A value
// that says there is none ("n/a", "none", "not available", "-") is no value.
std::string RegistrationFieldIn(std::string_view answer);
