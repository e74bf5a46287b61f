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

// .fi, .hu, .is and .no answer in Latin-1; texts picked from such an answer in the server
// properties dialog are stored as UTF-8, while a file edited by hand may hold the Latin-1 bytes.
TEST(HostStringsTest, TextsMatchAnswersInTheOtherEncoding)
{
    TTempDir dir;
    const std::string path = dir.Write("mvwhois.ini", "[utf8.example]\n"
                                                      "not_found_strings=Dom\xC3\xA4\xC3\xA4ni ei l\xC3\xB6ytynyt\n"
                                                      "registrar_string=Rekister\xC3\xB6inti:\n"
                                                      "limit_strings=Liian monta kysely\xC3\xA4\n"
                                                      "[latin1.example]\n"
                                                      "not_found_strings=Dom\xE4\xE4ni ei l\xF6ytynyt\n");
    const THostStrings typed = THostStrings::Load(path, "utf8.example");
    const THostStrings edited = THostStrings::Load(path, "latin1.example");
    const std::string latin1Free = "Dom\xE4\xE4ni ei l\xF6ytynyt\n";
    const std::string utf8Free = "Dom\xC3\xA4\xC3\xA4ni ei l\xC3\xB6ytynyt\n";
    EXPECT_TRUE(typed.SaysNotFound(latin1Free, "x.fi"));
    EXPECT_TRUE(typed.SaysNotFound(utf8Free, "x.fi"));
    EXPECT_TRUE(edited.SaysNotFound(latin1Free, "x.fi"));
    EXPECT_TRUE(edited.SaysNotFound(utf8Free, "x.fi"));
    EXPECT_FALSE(typed.SaysNotFound("Dom\xE4\xE4ni l\xF6ytyi\n", "x.fi"));
    EXPECT_EQ(typed.LimitTextIn("LIIAN MONTA KYSELY\xC4 \xE4\n"), "");
    EXPECT_EQ(typed.LimitTextIn("Liian monta kysely\xE4\n"), "Liian monta kysely\xC3\xA4");
    // The label, in the answer's encoding, makes a short Latin-1 answer one.
    EXPECT_EQ(typed.RefusalIn("Rekister\xF6inti: Oy Ab\n", "x.fi"), "");
    EXPECT_NE(typed.RefusalIn("Rekisterointi: Oy Ab\n", "x.fi"), "");
}

} // namespace
