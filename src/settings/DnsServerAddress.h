#pragma once

#include <string>

// The resolver of "Ask DNS first" is named by address, never by name (a name would need a
// resolver to be found): "ADDRESS" or "ADDRESS:PORT", "[ADDRESS]:PORT" for IPv6. Empty when
// `address` is one, else a message that names it.
std::string DnsServerProblem(const std::string& address);
