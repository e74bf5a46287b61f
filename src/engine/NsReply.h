#pragma once

#include <string>
#include <vector>

// What one DNS reply says about the NS records of the name it was asked for. A reply counts only
// when it is a response (QR bit) to a standard query for exactly that name's NS records, and only
// NS records owned by that very name, naming a server, make a delegation: records of another name
// (the top-level domain's, a CNAME's target) or pointing at the root say nothing about the name,
// and reading them as a delegation would make a free name read "NO" without a WHOIS query.
struct TNsReply
{
    std::vector<std::string> NameServers; // sorted; empty: no delegation
    std::string Problem;                  // why not, when NameServers is empty

    // `reply` is the whole message as received, `asked` the name the query was for.
    static TNsReply Read(const unsigned char* reply, int length, const std::string& asked);
};
