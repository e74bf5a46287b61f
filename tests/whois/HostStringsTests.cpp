#include "whois/HostStrings.h"

#include "support/TempDir.h"
#include "whois/AnswerText.h"

#include <gtest/gtest.h>

namespace {

struct TReadingCase
{
    const char* Name;
    std::string Answer;
    TAnswerReading::TKind Kind;
    const char* Evidence; // a part of the evidence line
};

// Each case is an answer one host could give. What matters: no refusal slips through as an answer,
// an answer reads free or taken only on evidence, and the free answers that repeat the queried
// name or a state ("Domain: a.fr", "Status: free") never count as registered.
TEST(HostStringsTest, EachVerdictNeedsItsEvidence)
{
    using TKind = TAnswerReading::TKind;
    TTempDir dir;
    const std::string path = dir.Write("mvwhois.ini", "[whois.nic.fr]\n"
                                                      "not_found_strings=No entries found | %% NOT FOUND\n"
                                                      "registrar_string=registrar:\n"
                                                      "expires_string=Expiry Date:\n"
                                                      "limit_strings= Too many requests |  | quota EXCEEDED\n");
    const THostStrings afnic = THostStrings::Load(path, "whois.nic.fr");
    const std::vector<TReadingCase> cases = {
        {"throttle page that ends with the free phrase",
         "%% Too many requests...\n%% No entries found in the AFNIC Database.\n", TKind::Refusal, "Too many requests"},
        {"limit text in another case", std::string(500, '.') + "\nWHOIS QUOTA exceeded", TKind::Refusal, "quota"},
        {"nothing at all", " \r\n\t", TKind::Refusal, "without an answer"},
        {"the older free text", "%% No entries found in the AFNIC Database.\n", TKind::Free, "No entries found"},
        {"the newer one, the second alternative", "%%\n%% NOT FOUND\n", TKind::Free, "%% NOT FOUND"},
        {"a free answer repeating the name and a state", "domain: a.fr\nstatus: free\n%% NOT FOUND\n", TKind::Free,
         "NOT FOUND"},
        {"a value under the host's label", "domain: a.fr\nregistrar: X\n", TKind::Taken, "registrar: X"},
        {"a label in another case is no label, but a registrar field", "domain: a.fr\nREGISTRAR: X\n", TKind::Taken,
         "REGISTRAR: X"},
        {"an expiry field", "Expiry Date: 2030-01-01\n", TKind::Taken, "2030-01-01"},
        {"a name server under a header", "Name servers:\n    ns1.example.net\n", TKind::Taken, "ns1.example.net"},
        {"a registered state", "domain: a.fr\nstatus: ACTIVE\n", TKind::Taken, "status: ACTIVE"},
        {"the name and a state that is no registration", "domain: a.fr\nstatus: redemption\n", TKind::Unknown,
         "neither"},
        {"a state that says it is free", "Domain Status: No Object Found\n", TKind::Unknown, "neither"},
        {"an empty registrar and a value that says none", "Registrar:\nCreated: n/a\n", TKind::Unknown, "neither"},
        {"a sentence is no field", "Query for a.fr refused: a.fr\n", TKind::Unknown, "neither"},
        {"a not-found text beside a registration field", "%% NOT FOUND\nregistrar: X\n", TKind::Unknown, "holds both"},
    };
    for (const TReadingCase& c : cases) {
        const TAnswerReading reading = afnic.Read(TAnswerText(c.Answer), "a.fr");
        EXPECT_EQ(reading.Kind, c.Kind) << c.Name << ": " << reading.Evidence;
        EXPECT_NE(reading.Evidence.find(c.Evidence), std::string::npos) << c.Name << ": " << reading.Evidence;
        // The worker's refusal check sees the same.
        EXPECT_EQ(!afnic.RefusalIn(c.Answer, "a.fr").empty(), c.Kind == TKind::Refusal) << c.Name;
    }
    // An answer the worker has already screened for refusals is read on its evidence alone.
    EXPECT_EQ(afnic.Read(TAnswerText(cases[0].Answer), "a.fr", true).Kind, TKind::Free);
}

// A host takes each key it lacks, or leaves blank, from the fallback section; limit texts of both
// count.
TEST(HostStringsTest, TheFallbackSectionFillsInKeyByKey)
{
    TTempDir dir;
    const std::string path = dir.Write("mvwhois.ini", "[*]\n"
                                                      "not_found_strings=No match for|Domain not found\n"
                                                      "registrar_string=Registrar:\n"
                                                      "expires_string=Registry Expiry Date:\n"
                                                      "limit_strings=rate limit exceeded\n"
                                                      "[whois.own.example]\n"
                                                      "not_found_strings=Status: AVAILABLE\n"
                                                      "registrar_string=  \n"
                                                      "limit_strings=grace period\n");
    const THostStrings own = THostStrings::Load(path, "whois.own.example");
    EXPECT_EQ(own.NotFound, "Status: AVAILABLE");
    EXPECT_EQ(own.Registrar, "Registrar:");
    EXPECT_EQ(own.Expires, "Registry Expiry Date:");
    EXPECT_EQ(own.WhoisServer, "");
    EXPECT_EQ(own.Limits, "grace period|rate limit exceeded");
    EXPECT_FALSE(own.SaysNotFound("No match for \"X.EXAMPLE\".\n", "x.example"));
    EXPECT_NE(own.RefusalIn("RATE LIMIT EXCEEDED\n", "x.example"), "");

    const THostStrings none = THostStrings::Load(path, "whois.unknown.example");
    EXPECT_TRUE(none.SaysNotFound("Domain not found.\n", "x.example"));
    EXPECT_EQ(none.Limits, "rate limit exceeded");
    EXPECT_EQ(THostStrings::Load(path, "*").Limits, "rate limit exceeded");
    // Blanks typed into a field of the server's properties are no string of the host's either.
    THostStrings typed;
    typed.Registrar = "  ";
    EXPECT_EQ(THostStrings::Combined(typed, own).Registrar, "Registrar:");
    // Without any section at all every answer needs evidence of its own.
    const std::string empty = dir.Write("empty.ini", "");
    const TAnswerReading reading =
        THostStrings::Load(empty, "whois.unknown.example").Read(TAnswerText("busy"), "x.example");
    EXPECT_EQ(reading.Kind, TAnswerReading::TKind::Unknown);
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
    // The label, in the answer's encoding, is evidence of a registration.
    EXPECT_EQ(typed.Read(TAnswerText("Rekister\xF6inti: Oy Ab\n"), "x.fi").Kind, TAnswerReading::TKind::Taken);
    EXPECT_EQ(typed.Read(TAnswerText("Rekisterointi: Oy Ab\n"), "x.fi").Kind, TAnswerReading::TKind::Unknown);
}

} // namespace
