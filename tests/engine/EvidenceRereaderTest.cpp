// Rows loaded from a project get the evidence of their stored answer, read again off the GUI
#include "models/DomainTableModel.h"
// thread with today's strings of the name's host, only where that reading agrees with the verdict.
#include "engine/EvidenceRereader.h"
#include "engine/ResultReader.h"
#include "support/TempDir.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

const std::string Dashes = "\r\n" + std::string(69, '-');

TEST(EvidenceRereaderTest, AStoredAnswerGetsTheEvidenceOfItsVerdictWhereTodaysStringsAgree)
{
    TTempDir dir;
    const std::string config = dir.Write("mvwhois.ini", "[TLD]\ncom=whois.example\n"
                                                        "[whois.example]\nnot_found_strings=No match for\n"
                                                        "registrar_string=Registrar:\n");
    struct TCase
    {
        const char* Name;
        std::string Availability;
        std::string Entry;
        std::string Evidence; // empty: none
        bool Read = true;     // a reading is started
    };
    const std::vector<TCase> cases = {
        {"free", "YES", "No match for a.com" + Dashes, "The answer holds the not-found text \"No match for\""},
        {"taken, with a referral", "NO",
         "Domain: a.com\r\nRegistrar: Example\r\n" + std::string(69, '=') + "\r\nRegistrar: Other" + Dashes,
         "The answer holds the registration field \"Registrar: Example\""},
        // The strings changed since: today's reading says taken, and explains no "YES".
        {"disagreeing", "YES", "Registrar: Example" + Dashes, ""},
        {"rdap", "YES", "HTTP status 404 (no such domain)\r\nNo match for" + Dashes, "", false},
        {"rdap first", "YES",
         "The server table has no section for the WHOIS host x, so the RDAP service y was asked.\r\n{}" + Dashes, "",
         false},
        {"dns", "NO", "Delegated in DNS, so registered. Name servers:\r\n  ns.a\r\nNo WHOIS query was made.", "",
         false},
        {"error", "RESULT ERROR", "No match for a.com" + Dashes, "", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TDomainTableModel model;
        model.SetContents({{"a.com", true, {c.Availability, "", "", "", "0", ""}}}, {c.Entry});
        TEvidenceRereader rereader(model, config);
        QSignalSpy done(&rereader, &TEvidenceRereader::Done);
        ASSERT_EQ(rereader.Request(0), c.Read);
        if (c.Read) {
            ASSERT_TRUE(done.count() == 1 || done.wait(10000));
        }
        EXPECT_EQ(model.Evidence(0), c.Evidence);
        // Read once only.
        EXPECT_FALSE(rereader.Request(0));
    }
}

TEST(EvidenceRereaderTest, AResultThatCameMeanwhileKeepsItsOwnEvidence)
{
    TTempDir dir;
    const std::string config =
        dir.Write("mvwhois.ini", "[TLD]\ncom=whois.example\n[whois.example]\nnot_found_strings=No match for\n");
    TDomainTableModel model;
    model.SetContents({{"a.com", true, {"YES", "", "", "", "0", ""}}, {"b.com", true, {"YES", "", "", "", "1", ""}}},
                      {"No match for a.com" + Dashes, "No match for b.com" + Dashes});
    TEvidenceRereader rereader(model, config);
    QSignalSpy done(&rereader, &TEvidenceRereader::Done);
    ASSERT_TRUE(rereader.Request(0));
    ASSERT_TRUE(rereader.Request(1));
    // Both readings are in the pool; the rows change before they come back.
    model.SetResult(0, {TRowResult::Available, "No match for a.com" + Dashes, {}, {}, {}, "RDAP said so"});
    model.SetResult(1, {TRowResult::Registered, "Registrar: X" + Dashes});
    while (done.count() < 2)
        ASSERT_TRUE(done.wait(10000));
    EXPECT_EQ(model.Evidence(0), "RDAP said so");
    EXPECT_EQ(model.Evidence(1), "");
}

} // namespace
