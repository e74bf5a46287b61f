#pragma once

#include <string>

// The outcome of one GET: an HTTP status with its body, or why there is none.
struct TRdapFetch
{
    int HttpStatus = 0; // 0: no HTTP answer (Error says why)
    std::string Body;
    std::string Error;
    std::string FinalUrl; // the address that answered, after redirects
    // Worth another attempt: a time-out, a refused or dropped connection, 429 or a 5xx status.
    // A certificate or redirect that was refused, or an oversized body, would fail again.
    bool Retryable = false;
    // How long the server asked the client to wait before the next query (Retry-After, with 429
    // or 503), in milliseconds; -1 when it asked nothing readable.
    int RetryAfterMs = -1;
    // The SOCKS proxy failed (could not be reached, refused, or did not complete its negotiation
    // in time), not the RDAP service: another proxy may get through. Error names the proxy.
    bool ProxyFailed = false;
};
