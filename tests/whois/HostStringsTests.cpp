#include "whois/HostStrings.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

struct TRefusalCase
{
    const char* Name;
    std::string Answer;
    bool Refused;
};

// Each case is an answer one of two hosts could give: what matters is that no refusal slips
// through as an answer (it would read "NO", or "YES" for the AFNIC page) and that no real answer,
// however short, is taken for one.
TEST(HostStringsTest, RefusalsAreToldFromAnswers)
{
    TTempDir dir;
    const std::string path = dir.Write("mvwhois.ini", "[whois.nic.fr]\n"
                                                      "not_found_strings=No entries found\n"
                                                      "registrar_string=registrar:\n"
                                                      "expires_string=Expiry Date:\n"
                                                      "limit_strings= Too many requests |  | quota EXCEEDED\n"
                                                      "[whois.denic.de]\n"
                                                      "not_found_strings=Status: free\n");
    const THostStrings afnic = THostStrings::Load(path, "whois.nic.fr");
    const THostStrings denic = THostStrings::Load(path, "whois.denic.de");
    ASSERT_EQ(afnic.Limits, "Too many requests |  | quota EXCEEDED");

    const std::string padding(THostStrings::ShortAnswerBytes, ' ');
    const std::string shortest(THostStrings::ShortAnswerBytes - 1, 'x');
    const std::vector<TRefusalCase> afnicCases = {
        {"throttle page that ends with the free phrase",
         "%% Too many requests...\n%% No entries found in the AFNIC Database.\n", true},
        {"limit text in another case, in a long answer", std::string(500, '.') + "\nWHOIS QUOTA exceeded", true},
        {"free answer", "%% No entries found in the AFNIC Database.\n", false},
        {"short taken answer with a label", "domain: a.fr\nregistrar: X\n", false},
        {"label in another case is no label", "holder: A\nREGISTRAR: X\n", true},
        {"a line naming the queried domain makes a short answer one", "domain: A.FR\nstatus: ACTIVE\n", false},
        {"another domain's line does not", "domain: b.fr\nstatus: ACTIVE\n", true},
        {"a refusal naming the domain in a sentence stays one", "Query for a.fr refused: a.fr\n", true},
        {"a label of four words is a sentence", "too many queries for: a.fr\n", true},
        {"short text without any of the host's texts", "%% Service unavailable\n", true},
        {"blanks around do not make it long", padding + "busy" + padding, true},
        {"one byte short of the bound", shortest, true},
        {"as long as the bound", shortest + "x", false},
        {"nothing at all", " \r\n\t", true},
    };
    for (const TRefusalCase& c : afnicCases)
        EXPECT_EQ(!afnic.RefusalIn(c.Answer, "a.fr").empty(), c.Refused) << c.Name;

    // The whole free .de answer is tiny, and the taken one has no label at all.
    EXPECT_EQ(denic.RefusalIn("Domain: kupferkanne.de\nStatus: free\n", "kupferkanne.de"), "");
    EXPECT_NE(denic.RefusalIn("% Error: 55000000002 Connection refused; access control limit reached.\n", "a.de"), "");
    // A host the table knows nothing about reads every answer as taken, as it always has.
    EXPECT_EQ(THostStrings::Load(path, "whois.unknown.example").RefusalIn("short", "a.de"), "");
    EXPECT_NE(THostStrings::Load(path, "whois.unknown.example").RefusalIn("", "a.de"), "");
}

} // namespace
