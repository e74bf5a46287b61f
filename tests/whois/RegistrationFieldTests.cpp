#include "whois/RegistrationField.h"

#include <gtest/gtest.h>

namespace {

// Layouts of real registries, each with the field that shows the registration, or none: free
// answers repeat the queried name and a state, which must never count.
TEST(RegistrationFieldTest, FieldsOnlyRegisteredNamesHave)
{
    // A label may be padded with blanks up to 48 bytes.
    const std::string padded = "Registrar" + std::string(39, ' ') + ": Example Ltd";
    const std::string overlong = "Registrar" + std::string(40, ' ') + ": Example Ltd";
    const std::pair<std::string, std::string> cases[] = {
        {"Domain Name: x.com\r\nRegistrar: Example Ltd\r\n", "Registrar: Example Ltd"},
        {"domain: x.ru\nnserver: ns1.example.net.\n", "nserver: ns1.example.net."},
        {"expires............: 17.7.2026 22:16:55\n", "expires............: 17.7.2026 22:16:55"},
        {"[ JPRS database ]\na. [Domain Name]  X.JP\n[Expires on]   2026/07/31\n", "[Expires on]   2026/07/31"},
        {"d [Record Expired]              13-MAY-2014\n", "d [Record Expired]              13-MAY-2014"},
        {"    Registrar:\n        Fernbrook Hosting Ltd [Tag = FERNBROOK]\n",
         "Registrar: / Fernbrook Hosting Ltd [Tag = FERNBROOK]"},
        {"Holder of domain name:\nExample Inc.\n", "Holder of domain name: / Example Inc."},
        {"Holder of domain name:\n\xC3\x89tude Dupont SA\n", "Holder of domain name: / \xC3\x89tude Dupont SA"},
        {padded + "\n", padded},
        {"Domain: x.de\nStatus: connect\n", "Status: connect"},
        {"Domain Status: clientTransferProhibited https://icann.org/epp\n",
         "Domain Status: clientTransferProhibited https://icann.org/epp"},
        // A name that cannot be registered is no free one, whatever the rest of the state says.
        {"Status: PREMIUM NAME (No match for domain \"x.sx\")\n",
         "Status: PREMIUM NAME (No match for domain \"x.sx\")"},
        // free answers
        {"Domain Name: x.ai\nDomain Status: No Object Found\n", ""},
        {"Domain: x.de\nStatus: free\n", ""},
        {"Domain:             x.it\nStatus:             AVAILABLE\n", ""},
        {"Domain name:           x.ca\nDomain status:         available\n", ""},
        {"Status: Not Registered\n", ""},
        // no value, a value that says none, a header over the next field or a comment
        {"Registrar:\nRegistrar URL: https://example.net\n", ""},
        {"Registrar: n/a\nCreated: -\n", ""},
        {"Registrar: N/A\nCreated: None\n", ""},
        {overlong + "\n", ""},
        {"Name servers:\n% none listed\n", ""},
        {"% Registrar: Example Ltd\n", ""},
        {"This registry holds no registrar: Example Ltd would be one\n", ""},
    };
    for (const auto& [answer, field] : cases)
        EXPECT_EQ(RegistrationFieldIn(answer), field) << answer;
}

} // namespace
