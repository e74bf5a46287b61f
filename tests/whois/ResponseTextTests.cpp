#include "whois/ResponseText.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using TLines = std::vector<std::string>;

TLines Split(std::string_view text)
{
    TLines lines{"left over"};
    SplitLines(text, lines);
    return lines;
}

TEST(SplitLinesTest, EveryKindOfLineBreakEndsALine)
{
    EXPECT_EQ(Split("a\r\n\rb"), (TLines{"a", "", "b"}));
    EXPECT_EQ(Split("a\r\nb\r\n"), (TLines{"a", "b"}));
    EXPECT_EQ(Split("a\nb\rc"), (TLines{"a", "b", "c"}));
    EXPECT_EQ(Split("a\r\rb"), (TLines{"a", "", "b"}));
    EXPECT_EQ(Split("a\n\rb"), (TLines{"a", "", "b"}));
    EXPECT_EQ(Split("a\n\n"), (TLines{"a", ""}));
    EXPECT_EQ(Split("\n"), (TLines{""}));
    EXPECT_EQ(Split(""), TLines{});
}

TEST(SplitLinesTest, NulEndsTheWholeText)
{
    EXPECT_EQ(Split(std::string_view("a\nb\0c\nd", 7)), (TLines{"a", "b"}));
    EXPECT_EQ(Split(std::string_view("\0a", 2)), TLines{});
}

TEST(StrAfterTest, FindsTheFirstOccurrenceInAnyCase)
{
    EXPECT_EQ(StrAfter("Registrar:", "registrar: X Registrar: Y"), " X Registrar: Y");
    EXPECT_EQ(StrAfter("EXPIRES", "Domain expires: soon"), ": soon");
    EXPECT_EQ(StrAfter("abc", "xxabc"), "");
    EXPECT_EQ(StrAfter("", "text"), "");
    EXPECT_EQ(StrAfter("missing", "text"), "");
    EXPECT_EQ(StrAfter("longer than text", "text"), "");
}

class ExtractLabelledValueTest : public ::testing::Test
{
protected:
    TTempDir Dir;

    std::string Extract(const std::string& label, const std::string& answer, bool* ok = nullptr)
    {
        const std::string path = Dir.Write("mvwhois.ini", "[whois.example.net]\nregistrar_string=" + label + "\n");
        std::string value = "stale";
        const bool result = ExtractLabelledValue("registrar_string", answer, "WHOIS.Example.NET", value, path);
        if (ok)
            *ok = result;
        return value;
    }
};

TEST_F(ExtractLabelledValueTest, TheLastMatchingLineDecides)
{
    EXPECT_EQ(Extract("Registrar:", "Registrar: First Ltd\r\nOther: x\r\nRegistrar:   Second Ltd  \r\n"), "Second Ltd");
    EXPECT_EQ(Extract("Registrar:", "Registrar: First Ltd\nRegistrar:\n"), "");
}

TEST_F(ExtractLabelledValueTest, MatchingIsExactButTheCutIsCaseBlind)
{
    EXPECT_EQ(Extract("Expiration Date:", "expiration date: 2026-01-01\n"), "");
    EXPECT_EQ(Extract("Registrar:", "registrar: X Registrar: Y\n"), "X Registrar: Y");
}

TEST_F(ExtractLabelledValueTest, BlankOrMissingLabelGivesAnEmptyValueAndSuccess)
{
    bool ok = false;
    EXPECT_EQ(Extract("\"   \"", "   \nRegistrar: X\n", &ok), "");
    EXPECT_TRUE(ok);

    std::string value = "stale";
    EXPECT_TRUE(ExtractLabelledValue("registrar_string", "Registrar: X", "host", value, Dir.File("none.ini")));
    EXPECT_EQ(value, "");
}

TEST_F(ExtractLabelledValueTest, UnreadableConfigurationFileFailsTheLookup)
{
    // A folder where the file should be cannot be read, not even by root.
    std::string value = "stale";
    EXPECT_FALSE(ExtractLabelledValue("registrar_string", "Registrar: X", "host", value, Dir.Path()));
    EXPECT_EQ(value, "");
}

TEST_F(ExtractLabelledValueTest, QuotedLabelKeepsItsBlank)
{
    EXPECT_EQ(Extract("\"Registrar: \"", "Registrar:X\nRegistrar: Y\n"), "Y");
    EXPECT_EQ(Extract("\"Registrar: \"", "Registrar:X\n"), "");
}

TEST_F(ExtractLabelledValueTest, ReadsTheLabelAgainOnEveryCall)
{
    EXPECT_EQ(Extract("Registrar:", "Registrar: A\nSponsor: B\n"), "A");
    EXPECT_EQ(Extract("Sponsor:", "Registrar: A\nSponsor: B\n"), "B");
}

TEST_F(ExtractLabelledValueTest, ValueIsTrimmedOfTabsAndStrayControlCharacters)
{
    EXPECT_EQ(Extract("Registrar:", "   Registrar:\t Tabbed Inc.\t\n"), "Tabbed Inc.");
}

// Registries that print a label alone on its line put the value under it (.uk, .nl indented, .pl
// not); the line under an empty label is no value when it is the next field, a comment or a footer.
TEST(ValueAfterLastLabelTest, AnEmptyLabelLineTakesTheNextNonEmptyLine)
{
    EXPECT_EQ(
        ValueAfterLastLabel("Registrar:", "    Registrar:\r\n        Fernbrook Ltd [Tag = FB]\r\n        URL: x\r\n"),
        "Fernbrook Ltd [Tag = FB]");
    EXPECT_EQ(ValueAfterLastLabel("REGISTRAR:", "REGISTRAR:\n\n\nMarkmonitor, Inc.\n391 N. Ancestor Place\n"),
              "Markmonitor, Inc.");
    EXPECT_EQ(ValueAfterLastLabel("Renewal date:", "Renewal date:\n\tMonday 16th Jun 2014\n"), "Monday 16th Jun 2014");
    const std::pair<const char*, const char*> noValue[] = {
        {"Registrar WHOIS Server:", "   Registrar WHOIS Server: \r\n   Registrar URL: http://r.example\r\n"},
        {"Registrar:", "Registrar:\n        Name: Tidewater BV\n"},
        {"Registrar:", "Registrar:\n% end of record\n"},
        {"Registrar:", "Registrar:\n>>> Last update of WHOIS database: 2026-03-03 <<<\n"},
        {"Registrar:", "Registrar:\n\n\n"},
    };
    for (const auto& [label, answer] : noValue)
        EXPECT_EQ(ValueAfterLastLabel(label, answer), "") << answer;
    // The last line with the label still decides: a later empty one reads its own next line.
    EXPECT_EQ(ValueAfterLastLabel("Registrar:", "Registrar: Early Ltd\nRegistrar:\n  Late Ltd\n"), "Late Ltd");
    EXPECT_EQ(ValueAfterLastLabel("Registrar:", "Registrar:\n  Early Ltd\nRegistrar: Late Ltd\n"), "Late Ltd");
}

TEST(ValueAfterLastLabelTest, BlockAndSubLabelReadTheSubLabelInsideTheBlock)
{
    const std::string it =
        "Registrant\n  Organization:     Holder S.p.A.\n\nRegistrar\n  Organization:     Register.it "
        "s.p.a.\n  Name:             REGISTER-REG\n\nNameservers\n  dns.example\n";
    EXPECT_EQ(ValueAfterLastLabel("Registrar>Organization:", it), "Register.it s.p.a.");
    EXPECT_EQ(ValueAfterLastLabel(" Registrar > Name: ", it), "REGISTER-REG");
    // The first Organization: of the answer is the holder's, which a plain label cannot avoid.
    EXPECT_EQ(ValueAfterLastLabel("Organization:", it), "Register.it s.p.a.");
    EXPECT_EQ(ValueAfterLastLabel("Registrant>Organization:", it), "Holder S.p.A.");

    const std::string eu = "Technical:\n        Organisation: Tech BV\n\nRegistrar:\n        Name: Tidewater BV\n";
    EXPECT_EQ(ValueAfterLastLabel("Registrar:>Name:", eu), "Tidewater BV");
    // The block ends at a blank line; its fields may be indented or not (.ee).
    EXPECT_EQ(ValueAfterLastLabel("Registrar>Name:", "Registrar\n  URL: x\n\n  Name: Elsewhere\n"), "");
    EXPECT_EQ(ValueAfterLastLabel("Registrar:>name:", "Registrar:\nname:       Elisa AS\nurl: x\n"), "Elisa AS");
    // A header must be the whole line, and an empty side makes the label a plain one.
    EXPECT_EQ(ValueAfterLastLabel("Registrar>Name:", "Sponsoring Registrar\n  Name: X\n"), "");
    EXPECT_EQ(ValueAfterLastLabel(">Name:", "Odd >Name: plain\n"), "plain");
}

// Several labels: the first that gives a value wins, whatever its place in the answer; a value
// without "|" is one label, as every file written before alternatives existed holds.
TEST(ValueOfFirstLabelTest, TheFirstLabelThatGivesAValueWins)
{
    const std::string answer = "Registrar:\nSponsoring Registrar: Old Name Ltd\nRegistrar Name: New Name Ltd\n";
    const std::pair<const char*, const char*> cases[] = {
        {"Registrar Name:|Sponsoring Registrar:", "New Name Ltd"},
        {"Sponsoring Registrar:|Registrar Name:", "Old Name Ltd"},
        // One label reads the last line that holds it, as before.
        {"Registrar:", "Old Name Ltd"},
        {" Holder: | | Registrar Name: ", "New Name Ltd"},
        {"Holder:|Owner:", ""},
        {"|", ""},
        {"Registrar>Name:|Registrar Name:", "New Name Ltd"},
    };
    for (const auto& [labels, value] : cases)
        EXPECT_EQ(ValueOfFirstLabel(labels, answer), value) << labels;
    const std::vector<std::string_view> texts = SplitTexts(" a | |b|c |");
    EXPECT_EQ(texts, (std::vector<std::string_view>{"a", "b", "c"}));
    EXPECT_TRUE(SplitTexts(" | ").empty());
    EXPECT_EQ(SplitTexts("Registrar: "), std::vector<std::string_view>{"Registrar: "});
}

TEST(ValueAfterLastLabelTest, LabelsTypedInUtf8ReadLatin1AnswersAndValuesComeBackReadable)
{
    const std::string latin1 = "Soci\xE9t\xE9: Caf\xE9 Noir SARL\nRegistrar: X\n";
    // As the server properties dialog stores a label picked from that answer.
    EXPECT_EQ(ValueAfterLastLabel("Soci\xC3\xA9t\xC3\xA9:", latin1), "Caf\xC3\xA9 Noir SARL");
    EXPECT_EQ(ValueAfterLastLabel("Soci\xE9t\xE9:", latin1), "Caf\xC3\xA9 Noir SARL");
    // A UTF-8 answer with a label edited into the file in Latin-1.
    EXPECT_EQ(ValueAfterLastLabel("Soci\xE9t\xE9:", "Soci\xC3\xA9t\xC3\xA9: Z\xC3\xBCrich AG\n"), "Z\xC3\xBCrich AG");
    EXPECT_EQ(ValueAfterLastLabel("Soci\xC3\xA9t\xC3\xA9:", "Soci\xC3\xA9t\xC3\xA9: Z\xC3\xBCrich AG\n"),
              "Z\xC3\xBCrich AG");
    // Nothing after a NUL is read, so bytes there that are no UTF-8 leave the answer a UTF-8 one.
    EXPECT_EQ(ValueAfterLastLabel("Soci\xE9t\xE9:", std::string("Soci\xC3\xA9t\xC3\xA9: Z\xC3\xBCrich AG\n\0\xC4", 24)),
              "Z\xC3\xBCrich AG");
    EXPECT_EQ(TextInAnswerEncoding("plain", "\xFF"), "plain");
    // A character Latin-1 cannot hold stays as typed and simply does not match.
    EXPECT_EQ(TextInAnswerEncoding("\xE2\x82\xAC", "\xFF"), "\xE2\x82\xAC");
}

std::string Expiry(const std::string& answer)
{
    std::string text = "stale";
    FindExpiryDate(answer, text);
    return text;
}

TEST(FindExpiryDateTest, StartsAtTheEarliestDateMark)
{
    EXPECT_EQ(Expiry("Expiration Date: 2010-05-12"), "2010-05-12");
    EXPECT_EQ(Expiry("Record expires on 12-May-2010."), "12-May-2010.");
    EXPECT_EQ(Expiry("Expires: Wednesday, 14 July 2027"), "Wednesday, 14 July 2027");
    EXPECT_EQ(Expiry("expiry: Jul 14 2027"), "Jul 14 2027");
}

TEST(FindExpiryDateTest, NamesInsideWordsCountToo)
{
    EXPECT_EQ(Expiry("Renewed by expiry: 2011-01-01"), "wed by expiry: 2011-01-01");
}

TEST(FindExpiryDateTest, SkipsLinesWithoutMarksAndStopsAtTheFirstHit)
{
    EXPECT_EQ(Expiry("Domain: x.example\r\nExpires\r\nEXPIRY 2030-02-03\r\nexpires 1999-01-01\r\n"), "2030-02-03");
    EXPECT_EQ(Expiry("Created: 2001-01-01\nUpdated: 2002-02-02\n"), "");
    EXPECT_EQ(Expiry("Expires\n"), "");
    EXPECT_EQ(Expiry(""), "");
}

TEST(FindExpiryDateTest, ALongLineWithoutAnyMarkDoesNotEndTheSearch)
{
    EXPECT_EQ(Expiry("Expires " + std::string(2000, 'x') + "\nExpires 2030-01-02\n"), "2030-01-02");
}

TEST(FindNameTest, ReportsTheFirstOccurrenceOfTheLastListedName)
{
    int position = 0;
    // SAT comes after MON in the list, so it wins although MON comes first in the line.
    ASSERT_TRUE(FindShortDayName("MON SAT MON SAT", position));
    EXPECT_EQ(position, 5);
    ASSERT_TRUE(FindShortMonthName("DEC 01 JAN 02", position));
    EXPECT_EQ(position, 1);
    ASSERT_TRUE(FindShortMonthName("JAN 01 FEB 02", position));
    EXPECT_EQ(position, 8);
    ASSERT_TRUE(FindLongDayName("FRIDAY OR MONDAY", position));
    EXPECT_EQ(position, 1);
    ASSERT_TRUE(FindFirstDigit("AB3D5", position));
    EXPECT_EQ(position, 3);

    position = 42;
    EXPECT_FALSE(FindShortDayName("NOTHING HERE", position));
    EXPECT_FALSE(FindLongDayName("SUN MON", position));
    EXPECT_FALSE(FindShortMonthName("mar", position)); // callers pass the upper-case form
    EXPECT_FALSE(FindFirstDigit("NO DIGITS \xD9", position));
    EXPECT_EQ(position, 42);
}

TEST(ReplaceAllTest, TurnsAPickedAnswerTextIntoANotFoundString)
{
    const auto toStored = [](const std::string& picked, const std::string& domain) {
        return ReplaceAll(ReplaceAll(picked, domain, "%DOMAIN%"), UpperAscii(domain), "%DOMAIN%");
    };
    EXPECT_EQ(toStored("No match for EXAMPLE.COM.", "example.com"), "No match for %DOMAIN%.");
    EXPECT_EQ(toStored("No match for Example.Com.", "example.com"), "No match for Example.Com.");
}

} // namespace
