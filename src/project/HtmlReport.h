#pragma once

#include "core/DomainRow.h"

#include <string>
#include <string_view>
#include <vector>

// The host of the product's web site, used by the registration address.
inline constexpr const char* ProductWebHost = "www.quarrow.example"; // a reserved name stands in for the site
inline constexpr const char* MakerWebSite = "http://www.morvane.example/";

// The HTML report of the domain table: every row in the given order, its caption as a link and
// slots 0 to 3 as cells, lines ending with CR LF. `dateTime` is the local date and time as the
// title line shows it, formatted by the caller. Every text taken from a row is HTML-escaped: WHOIS
// answers are remote input and the report is opened in a browser.
std::string HtmlReport(const std::vector<TDomainRow>& rows, std::string_view dateTime);

// Writes the report to `path`, replacing the file; throws TQuarrowError ("Cannot create file ...")
// when it cannot be written.
void SaveHtmlReport(const std::string& path, const std::vector<TDomainRow>& rows, std::string_view dateTime);

// & < > " as entities, for text and for double-quoted attribute values.
std::string EscapeHtml(std::string_view text);

// "http://" + host + "/register-domain.php?d=" + the domain, percent-encoded so that a caption
// holding '&', '#', blanks or other bytes cannot change the address's meaning.
std::string RegistrationAddress(std::string_view host, std::string_view domain);
