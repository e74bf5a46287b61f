#include "engine/ResultApplier.h"

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

TSyncSendResult Result(std::string answer, std::string referral, TRowId row, std::string host, std::string domain)
{
    TSyncSendResult result;
    result.Answer = std::move(answer);
    result.ReferralAnswer = std::move(referral);
    result.RowIndex = row;
    result.WhoisServer = std::move(host);
    result.DomainName = std::move(domain);
    return result;
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
        const TResultApplier applier(c.UnreadableConfig ? dir.Path() : configPath, {"yyyy-mm-dd"});
        ASSERT_TRUE(applier.ApplyResult(model, Result(c.Answer, c.Referral, model.IdAt(0), "reg.example", "x.com")))
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
    const TResultApplier applier("", {});
    // Long enough to count as an answer at a host the configuration says nothing about.
    const std::string answer(THostStrings::ShortAnswerBytes, 'a');
    ASSERT_TRUE(applier.ApplyResult(model, Result(answer, "", model.IdAt(0), "h", "x.com")));
    EXPECT_EQ(model.Slot(0, SlotAnswerIndex), "1");
    EXPECT_EQ(model.AnswerLog(), (std::vector<std::string>{"other row's", answer + "\r\n" + Dashes}));

    const TRowId gone = model.IdAt(0);
    model.Clear();
    EXPECT_FALSE(applier.ApplyResult(model, Result(answer, "", gone, "h", "x.com")));
}

TEST(ResultApplierTest, OversizedAnswersAreStoredCutAndSaySo)
{
    const std::size_t cap = TResultApplier::MaxStoredAnswerBytes;
    const std::string big(cap + 100, 'a');
    const std::string entry = TResultApplier::LogEntry(big, big);
    const std::string cut = "\r\n[Answer cut: only its first " + std::to_string(cap) + " of " +
                            std::to_string(cap + 100) + " bytes are kept.]";
    EXPECT_EQ(entry, std::string(cap, 'a') + cut + "\r\n" + Equals + "\r\n" + std::string(cap, 'a') + cut);
    // An answer of exactly the cap is whole.
    EXPECT_EQ(TResultApplier::LogEntry(std::string(cap, 'b'), ""), std::string(cap, 'b') + "\r\n" + Dashes);
}

} // namespace
