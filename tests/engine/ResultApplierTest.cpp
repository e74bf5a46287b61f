#include "engine/ResultApplier.h"
#include "engine/ResultReader.h"

#include "models/ExpiryDateFormat.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

const std::string Dashes(69, '-');
const std::string Equals(69, '=');

const char* const Config = "[reg.example]\n"
                           "not_found_strings=No match for \"%DOMAIN%\".\n"
                           "registrar_string=Registrar:\n"
                           "whois_server_string=Registrar WHOIS Server:\n"
                           "expires_string=Registry Expiry Date:\n"
                           "[rr.example]\n"
                           "expires_string=Expiration:\n";

struct TCase
{
    const char* Name;
    std::string Answer;
    std::string Referral;
    // Slots 0 to 3 after the result; the row starts with "old" in each and "old log" as its entry.
    std::vector<std::string> Slots;
    std::string Log;
    int Day = 0;
    bool Unreadable = false;
    bool UnreadableConfig = false;
};

TWhoisAnswers Answers(std::string answer, std::string referral, std::string host, std::string domain)
{
    TWhoisAnswers answers;
    answers.Answer = std::move(answer);
    answers.ReferralAnswer = std::move(referral);
    answers.WhoisServer = std::move(host);
    answers.DomainName = std::move(domain);
    return answers;
}

// The way of a port-43 result: read on the worker's side, applied to the row on the main thread's.
bool ReadAndApply(TDomainTableModel& model, TRowId row, const std::string& configPath, const TWhoisAnswers& answers)
{
    TResultReader reader(configPath, std::make_shared<const TDateMasks>(TDateMasks{"yyyy-mm-dd"}));
    TSyncSendResult result = reader.ReadWhois(answers);
    result.RowIndex = row;
    return TResultApplier::ApplyResult(model, result);
}

std::string Taken(const std::string& rest)
{
    return "Domain Name: X.COM\r\nRegistrar: Reg Inc.\r\n" + rest;
}

// One bare model row per case, with no dispatcher and no network: the result goes straight in.
TEST(ResultApplierTest, OneResultPerCase)
{
    const int day = DayNumberFromDate(2030, 5, 12);
    const std::string blanks = " \t\r\n \r";
    const std::vector<TCase> cases = {
        {"free",
         "No match for \"x.com\".\r\n",
         "",
         {"YES", "old", "old", "old"},
         "No match for \"x.com\".\r\n\r\n" + Dashes},
        {"taken",
         Taken("Registry Expiry Date: 2030-05-12T04:00:00Z\r\n"),
         "",
         {"NO", "Reg Inc.", "", FormatDayNumber(day)},
         Taken("Registry Expiry Date: 2030-05-12T04:00:00Z\r\n") + "\r\n" + Dashes,
         day},
        {"expiry line found without its label",
         Taken("Expires on: 2030-05-12\r\n"),
         "",
         {"NO", "Reg Inc.", "", FormatDayNumber(day)},
         Taken("Expires on: 2030-05-12\r\n") + "\r\n" + Dashes,
         day},
        {"only blanks and line breaks", blanks, blanks, {"RESULT ERROR", "old", "old", "old"}, "old log"},
        {"expiry from the referral host",
         Taken("Registrar WHOIS Server: rr.example\r\n"),
         "Expiration: 2030-05-12\r\n",
         {"NO", "Reg Inc.", "rr.example", FormatDayNumber(day)},
         Taken("Registrar WHOIS Server: rr.example\r\n") + "\r\n" + Equals + "\r\nExpiration: 2030-05-12\r\n",
         day},
        {"unreadable referral date",
         Taken("Registrar WHOIS Server: rr.example\r\n"),
         "Expiration: soon\r\n",
         {"NO", "Reg Inc.", "rr.example", "! soon !"},
         Taken("Registrar WHOIS Server: rr.example\r\n") + "\r\n" + Equals + "\r\nExpiration: soon\r\n",
         0,
         true},
        {"configuration that cannot be read",
         Taken(""),
         "",
         {"NO", "old", "old", ""},
         Taken("") + "\r\n" + Dashes,
         0,
         false,
         true},
    };
    TTempDir dir;
    const std::string configPath = dir.Write("mvwhois.ini", Config);
    for (const TCase& c : cases) {
        TDomainTableModel model;
        model.SetContents({{"x.com", true, {"old", "old", "old", "old", "0", "12345"}}}, {"old log"});
        ASSERT_TRUE(ReadAndApply(model, model.IdAt(0), c.UnreadableConfig ? dir.Path() : configPath,
                                 Answers(c.Answer, c.Referral, "reg.example", "x.com")))
            << c.Name;
        const std::vector<std::string> after = model.RowAt(0).Slots;
        EXPECT_EQ(std::vector<std::string>(after.begin(), after.begin() + 4), c.Slots) << c.Name;
        EXPECT_EQ(model.Slot(0, SlotStartTick), "") << c.Name;
        EXPECT_EQ(model.AnswerLog(), std::vector<std::string>{c.Log}) << c.Name;
        EXPECT_EQ(model.ExpiryDay(0), c.Day) << c.Name;
        EXPECT_EQ(model.ExpiryUnreadable(0), c.Unreadable) << c.Name;
    }
}

TEST(ResultApplierTest, RowsWithoutTheirOwnEntryGetOneAndGoneRowsNothing)
{
    TDomainTableModel model;
    model.SetContents({{"x.com", true, {"", "", "", "", "7"}}}, {"other row's"});
    // A registration field is an answer at a host the configuration says nothing about.
    const std::string answer = "Registrar: Example Ltd";
    ASSERT_TRUE(ReadAndApply(model, model.IdAt(0), "", Answers(answer, "", "h", "x.com")));
    EXPECT_EQ(model.Slot(0, SlotAnswerIndex), "1");
    EXPECT_EQ(model.AnswerLog(), (std::vector<std::string>{"other row's", answer + "\r\n" + Dashes}));

    const TRowId gone = model.IdAt(0);
    model.Clear();
    EXPECT_FALSE(ReadAndApply(model, gone, "", Answers(answer, "", "h", "x.com")));
}

// A check reads each host's strings once, whatever it asks of them; the next check sees an edit.
TEST(ResultApplierTest, HostStringsAreReadOncePerCheck)
{
    TTempDir dir;
    const std::string configPath = dir.Write("mvwhois.ini", Config);
    TResultReader reader(configPath, nullptr);
    EXPECT_EQ(reader.StringsOf("reg.example").NotFound, "No match for \"%DOMAIN%\".");
    dir.Write("mvwhois.ini", "[reg.example]\nnot_found_strings=Available\n");

    const TWhoisAnswers free = Answers("No match for \"x.com\".\r\n", "", "reg.example", "x.com");
    EXPECT_EQ(reader.ReadWhois(free).Availability, TAvailability::Free);
    // Under the edited strings the answer holds neither a not-found text nor a registration field.
    EXPECT_EQ(TResultReader(configPath, nullptr).ReadWhois(free).Availability, TAvailability::Error);
}

TEST(ResultApplierTest, RdapAnswers)
{
    const int day = DayNumberFromDate(2030, 5, 12);
    struct TRdapCase
    {
        const char* Name;
        TRdapAnswer Answer;
        std::vector<std::string> Slots;
        int Day = 0;
        bool Unreadable = false;
    };
    const std::vector<TRdapCase> cases = {
        {"error", {TRdapVerdict::Error, "", "", 0, "", "RDAP query failed"}, {"RESULT ERROR", "old", "old", "old"}},
        {"free", {TRdapVerdict::Free, "", "", 0, "", "{}"}, {"YES", "old", "old", "old"}},
        {"taken",
         {TRdapVerdict::Taken, "Reg Inc.", "https://rdap.reg.example/", day, "2030-05-12T04:00:00Z", "{}"},
         {"NO", "Reg Inc.", "https://rdap.reg.example/", FormatDayNumber(day)},
         day},
        {"no calendar date",
         {TRdapVerdict::Taken, "Reg Inc.", "", 0, "soon", "{}"},
         {"NO", "Reg Inc.", "", "! soon !"},
         0,
         true},
        {"no date at all", {TRdapVerdict::Taken, "Reg Inc.", "", 0, "", "{}"}, {"NO", "Reg Inc.", "", ""}},
    };
    for (const TRdapCase& c : cases) {
        TDomainTableModel model;
        model.SetContents({{"x.com", true, {"old", "old", "old", "old", "0", "12345"}}}, {"old log"});
        TSyncSendResult result = TResultReader::ReadRdap(c.Answer);
        result.RowIndex = model.IdAt(0);
        ASSERT_TRUE(TResultApplier::ApplyResult(model, result)) << c.Name;
        const std::vector<std::string> after = model.RowAt(0).Slots;
        EXPECT_EQ(std::vector<std::string>(after.begin(), after.begin() + 4), c.Slots) << c.Name;
        EXPECT_EQ(model.Slot(0, SlotStartTick), "") << c.Name;
        // Unlike an empty port-43 result, every RDAP result replaces the entry, an error with its reason.
        EXPECT_EQ(model.AnswerLog(), std::vector<std::string>{c.Answer.LogText + "\r\n" + Dashes}) << c.Name;
        EXPECT_EQ(model.ExpiryDay(0), c.Day) << c.Name;
        EXPECT_EQ(model.ExpiryUnreadable(0), c.Unreadable) << c.Name;
    }
}

TEST(ResultApplierTest, OversizedAnswersAreStoredCutAndSaySo)
{
    const std::size_t cap = TResultReader::MaxStoredAnswerBytes;
    const std::string big(cap + 100, 'a');
    const std::string entry = TResultReader::LogEntry(big, big);
    const std::string cut = "\r\n[Answer cut: only its first " + std::to_string(cap) + " of " +
                            std::to_string(cap + 100) + " bytes are kept.]";
    EXPECT_EQ(entry, std::string(cap, 'a') + cut + "\r\n" + Equals + "\r\n" + std::string(cap, 'a') + cut);
    // An answer of exactly the cap is whole.
    EXPECT_EQ(TResultReader::LogEntry(std::string(cap, 'b'), ""), std::string(cap, 'b') + "\r\n" + Dashes);
}

} // namespace
