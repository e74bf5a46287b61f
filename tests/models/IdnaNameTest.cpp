#include "models/IdnaName.h"

#include <gtest/gtest.h>

#include <QString>
#include <QUrl>

#include <unicode/uchar.h>
#include <unicode/uidna.h>
#include <unicode/utf8.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

// The conformance vectors of UTS #46 (tests/data/idna/LICENSE-Unicode.txt says whence).
const std::string VectorFile = std::string(QUARROW_TEST_DATA_DIR) + "/idna/IdnaTestV2.txt";

std::string Utf8(char32_t c)
{
    char bytes[4];
    int32_t length = 0;
    UBool error = false;
    U8_APPEND(bytes, length, 4, static_cast<UChar32>(c), error);
    return error ? std::string() : std::string(bytes, static_cast<std::size_t>(length));
}

// A column of the vector file: blanks trimmed, \uXXXX and \x{X...} escapes resolved.
std::string Column(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t");
    const std::string trimmed = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    std::string out;
    for (std::size_t i = 0; i < trimmed.size(); ++i) {
        if (trimmed.compare(i, 2, "\\u") == 0 && i + 6 <= trimmed.size()) {
            out += Utf8(static_cast<char32_t>(std::stoul(trimmed.substr(i + 2, 4), nullptr, 16)));
            i += 5;
        } else if (trimmed.compare(i, 3, "\\x{") == 0 && trimmed.find('}', i) != std::string::npos) {
            const std::size_t close = trimmed.find('}', i);
            out += Utf8(static_cast<char32_t>(std::stoul(trimmed.substr(i + 3, close - i - 3), nullptr, 16)));
            i = close;
        } else {
            out += trimmed[i];
        }
    }
    return out;
}

// True when every code point of the text was assigned by Unicode 13, the vectors' version: a later
// character is valid for this ICU where the vectors call it unassigned.
bool AssignedBy13(const std::string& text)
{
    for (int32_t at = 0; at < static_cast<int32_t>(text.size());) {
        UChar32 c = 0;
        U8_NEXT(text.data(), at, static_cast<int32_t>(text.size()), c);
        if (c < 0)
            continue;
        UVersionInfo age;
        u_charAge(c, age);
        if (age[0] > 13)
            return false;
    }
    return true;
}

std::string Ace(const std::string& typed)
{
    return TIdnaName::Of(typed).Ace;
}

std::string QtAce(const std::string& typed)
{
    return QUrl::toAce(QString::fromStdString(typed)).toStdString();
}

} // namespace

TEST(IdnaNameTest, TheConformanceVectorsOfNonTransitionalProcessingHold)
{
    std::ifstream in(VectorFile);
    ASSERT_TRUE(in) << VectorFile;
    constexpr std::uint32_t ContextO = UIDNA_ERROR_CONTEXTO_PUNCTUATION | UIDNA_ERROR_CONTEXTO_DIGITS;
    int checked = 0;
    int valid = 0;
    int stricter = 0;
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        std::vector<std::string> columns;
        for (std::size_t start = 0;;) {
            const std::size_t semicolon = line.find(';', start);
            columns.push_back(Column(line.substr(start, semicolon - start)));
            if (semicolon == std::string::npos)
                break;
            start = semicolon + 1;
        }
        if (columns.size() < 5)
            continue;
        const std::string& source = columns[0];
        if (!AssignedBy13(source))
            continue;
        const std::string toUnicode = columns[1].empty() ? source : columns[1];
        const std::string expected = columns[3].empty() ? toUnicode : columns[3];
        const std::string status = columns[4].empty() ? columns[2] : columns[4];
        const bool expectValid = status.empty() || status == "[]";

        std::uint32_t errors = 0;
        const std::string ace = TIdnaName::ToAscii(source, errors);
        ++checked;
        if (expectValid && errors != 0 && (errors & ~ContextO) == 0) {
            // Registries apply the contextual rules of RFC 5892 the vectors leave out: stricter,
            // never laxer.
            ++stricter;
            continue;
        }
        EXPECT_EQ(errors == 0, expectValid)
            << "source \"" << source << "\" status " << status << " errors 0x" << std::hex << errors;
        if (expectValid && errors == 0) {
            ++valid;
            EXPECT_EQ(ace, expected) << "source \"" << source << "\"";
        }
    }
    // The file has thousands of vectors; reading none would pass everything.
    EXPECT_GT(checked, 5000);
    EXPECT_GT(valid, 300);
    EXPECT_LT(stricter, 50);
}

TEST(IdnaNameTest, AOwnTableAgreesWithIcuAndQt)
{
    struct TCase
    {
        std::string Typed;
        std::string Ace;
    };
    const std::vector<TCase> cases = {
        {"straße.de", "xn--strae-oqa.de"},                   // sharp s kept (non-transitional)
        {"Straße.DE", "xn--strae-oqa.de"},                   // mixed case
        {"ＳＴＲＡＳＳＥ．ｄｅ", "strasse.de"},              // full-width letters and full stop
        {"Ｓｔｒａßｅ。ｄｅ", "xn--strae-oqa.de"},           // full-width with ß and an ideographic full stop
        {"café.de", "xn--caf-dma.de"},                       // precomposed
        {"cafe\xCC\x81.de", "xn--caf-dma.de"},               // e + combining acute, normalised to NFC
        {"東京.jp", "xn--1lqs71d.jp"},                       // Han
        {"кафе.рф", "xn--80akn5b.xn--p1ai"},                 // Cyrillic, IDN top-level domain
        {"xn--strae-oqa.de", "xn--strae-oqa.de"},            // typed as an A-label
        {"XN--STRAE-OQA.DE", "xn--strae-oqa.de"},            // an A-label in capitals
        {"שלום.co.il", "xn--9dbne9b.co.il"},                 // right-to-left
        {"ひらがな漢字.jp", "xn--v8j0cwa6gy22xv2ya.jp"},     // Japanese: Hiragana with Han
        {"кафе.москва.com", "xn--80akn5b.xn--80adxhks.com"}, // each label's script checked alone
        {"हिन्दी.com", "xn--j2bd4cyah0f.com"},                // Devanagari with spacing and non-spacing marks
        {"मराठी१२.in", "xn--d2b1ag0dl8uh.in"},               // Devanagari digits
        {"αβγ.gr", "xn--mxacd.gr"},                          // Greek
        {"مثال.com", "xn--mgbh0fb.com"},                     // Arabic, right-to-left
        {"col·lecció.cat", "xn--collecci-ioa91d.cat"},       // a middle dot between two l (contextual)
    };
    for (const TCase& c : cases) {
        const TIdnaName name = TIdnaName::Of(c.Typed);
        EXPECT_TRUE(name.International) << c.Typed;
        EXPECT_EQ(name.Problem, "") << c.Typed;
        EXPECT_EQ(name.Ace, c.Ace) << c.Typed;
        EXPECT_EQ(name.Typed, c.Typed);
        EXPECT_EQ(QtAce(c.Typed), c.Ace) << c.Typed;
    }
    EXPECT_EQ(TIdnaName::Of("xn--strae-oqa.de").Unicode, "straße.de");
    EXPECT_EQ(TIdnaName::Of("ＳＴＲＡＳＳＥ．ｄｅ").Unicode, "strasse.de");
}

TEST(IdnaNameTest, PlainNamesAreAskedAsTypedAndCheckedAsBefore)
{
    const TIdnaName plain = TIdnaName::Of("Lantern-Moss.COM");
    EXPECT_FALSE(plain.International);
    EXPECT_EQ(plain.Ace, "Lantern-Moss.COM");
    EXPECT_EQ(plain.Problem, "");
    // "--" in third and fourth place is kept for encodings (UTS #46 CheckHyphens): no registry
    // gives out such a name, A-label or not.
    EXPECT_EQ(TIdnaName::Of("ab--cd.com").Problem, "A label of the name has \"--\" as its third and fourth character.");
    EXPECT_EQ(TIdnaName::Of("shop.ab--cd.com").Ace, "");
    EXPECT_EQ(Ace("a--bcd.com"), "a--bcd.com");
    EXPECT_EQ(Ace("abc--d.com"), "abc--d.com");
    EXPECT_EQ(Ace("STRASSE.de"), "STRASSE.de");
    EXPECT_EQ(TIdnaName::Of("-lead.com").Problem, "A label of the name starts or ends with \"-\".");
    EXPECT_EQ(TIdnaName::Of("-lead.com").Ace, "");
    EXPECT_FALSE(TIdnaName::NeedsIdna("axn--b.com"));
    EXPECT_FALSE(TIdnaName::NeedsIdna("xn-ab.com"));
    EXPECT_FALSE(TIdnaName::NeedsIdna("xnx-ab.com"));
    EXPECT_TRUE(TIdnaName::NeedsIdna("a.Xn--b.com"));
}

TEST(IdnaNameTest, NamesNoRegistryCouldHoldAreRefusedWithTheirReason)
{
    const std::string umlauts60 = [] {
        std::string text;
        for (int i = 0; i < 60; ++i)
            text += "ü";
        return text;
    }();
    struct TCase
    {
        std::string Typed;
        std::string ProblemStart;
    };
    const std::vector<TCase> cases = {
        {"xn--zz--.de", "A label of the name is no valid A-label"},
        {"xn--abc-.de", "A label of the name is no valid A-label"}, // "abc" needs no A-label
        {"Xn--ls8h.de", "The name holds a character that domain names cannot hold: U+1F4A9"},
        {"caf\xC3\xA9\xE2\x98\x95.de",
         "The name holds a character that domain names cannot hold: U+2615 \"\xE2\x98\x95\""},
        {"ü_b.de", "The name holds a character that domain names cannot hold: U+005F \"_\""},
        {umlauts60 + ".de", "A label of the name is longer than 63 characters once encoded."},
        // Cyrillic а among Latin letters; the message names the scripts there are.
        {"p\xD0\xB0ypal.de", "A label of the name mixes scripts (Latin and Cyrillic letters)."},
        {"αβγabc.de", "A label of the name mixes scripts (Greek and Latin letters)."},
        {"1שלום.co.il", "The name breaks the rule for right-to-left text"},
        {"ab\x01ü.de", "The name holds a character that domain names cannot hold: U+0001."},
        {"a\xE2\x80\x8D"
         "b\xC3\xBC.de",
         "The name has a zero-width joiner"},
        {"\xFF\xC3\xBC.de", "The name is no UTF-8 text."},
        {"straße.de.", "The name has an empty label."}, // the root dot, refused as for plain names
        {"straße..de", "The name has an empty label."},
        {"-straße.de", "A label of the name starts or ends with \"-\"."},
        {"\xCC\x81straße.de", "A label of the name starts with a combining mark."},
    };
    for (const TCase& c : cases) {
        const TIdnaName name = TIdnaName::Of(c.Typed);
        EXPECT_EQ(name.Problem.rfind(c.ProblemStart, 0), 0u) << c.Typed << ": " << name.Problem;
        EXPECT_EQ(name.Ace, "") << c.Typed;
        EXPECT_EQ(name.AnswersNote(), "") << c.Typed;
        EXPECT_LT(name.Problem.size(), 120u);
    }
}

TEST(IdnaNameTest, TheAnswersNoteShowsBothForms)
{
    EXPECT_EQ(TIdnaName::Of("Straße.de").AnswersNote(),
              "Internationalised name: straße.de is asked as xn--strae-oqa.de");
    EXPECT_EQ(TIdnaName::Of("xn--80akn5b.xn--p1ai").AnswersNote(),
              "Internationalised name: кафе.рф is asked as xn--80akn5b.xn--p1ai");
    EXPECT_EQ(TIdnaName::Of("lantern.com").AnswersNote(), "");
}

TEST(IdnaNameTest, WordsThatCouldOnlyMakeRefusedNamesAreNamedAndRefused)
{
    for (const std::string word :
         {"shop", "straße", "東京", "кафе", "שלום", "ひらがな漢字", "Ｓｈｏｐ", "a_b", "xn--caf-dma"})
        EXPECT_EQ(TIdnaName::WordProblem(word), "") << word;

    EXPECT_EQ(TIdnaName::WordProblem("sh\top"),
              "The word \"sh<U+0009>op\" holds a control character (U+0009) and was not added.");
    EXPECT_EQ(TIdnaName::WordProblem("ab\xC2\x85"), // C1 control NEL
              "The word \"ab<U+0085>\" holds a control character (U+0085) and was not added.");
    EXPECT_EQ(TIdnaName::WordProblem("ab\xE2\x80\xAE"
                                     "cd"), // right-to-left override
              "The word \"ab<U+202E>cd\" holds a control character (U+202E) and was not added.");
    EXPECT_EQ(TIdnaName::WordProblem("p\xD0\xB0ypal").rfind("The word \"p\xD0\xB0ypal\" mixes scripts", 0), 0u);
    EXPECT_EQ(TIdnaName::WordProblem("αβγabc"), "The word \"αβγabc\" mixes scripts (Greek and Latin letters) and was "
                                                "not added: no registry takes such names.");
    EXPECT_EQ(
        TIdnaName::WordProblem("abcשלום").rfind("The word \"abcשלום\" mixes scripts (Latin and Hebrew letters)", 0),
        0u);
    EXPECT_EQ(TIdnaName::WordProblem("1שלום"), "The word \"1שלום\" breaks the rule for right-to-left text in "
                                               "domain names (RFC 5893) and was not added.");
    // Latin and Hebrew mixed break the bidi rule even where the script check lets them pass.
    EXPECT_NE(TIdnaName::WordProblem("abcשלום"), "");
}
