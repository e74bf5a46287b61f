#include "models/SortTextCompare.h"
#include "models/SortTextReader.h"

#include <QCollator>
#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>

namespace {

int Compare(const char* a, const char* b, const TSortTextReader& reader)
{
    return SortTextCompare(QString::fromUtf8(a), QString::fromUtf8(b), reader);
}

TEST(SortTextCompareTest, DecimalNumbersFollowTheGrammarAndTheirValue)
{
    struct TCase
    {
        const char* Text;
        bool Number;
        double Value;
    };
    const TCase cases[] = {
        {"9", true, 9},    {"  -2.5", true, -2.5}, {"+.5", true, 0.5},  {"5.", true, 5},   {".", true, 0},
        {"1e1", true, 10}, {"1E+3", true, 1000},   {"2e-1", true, 0.2}, {"-", false, 0},   {"+", false, 0},
        {"", false, 0},    {"   ", false, 0},      {"1 ", false, 0},    {"1,5", false, 0}, {"1e", false, 0},
        {"e5", false, 0},  {"1.2.3", false, 0},    {"0x10", false, 0},  {"\t1", false, 0},
    };
    for (const TCase& c : cases) {
        double value = -99;
        EXPECT_EQ(TSortTextReader::ReadNumber(QString::fromUtf8(c.Text), value), c.Number) << c.Text;
        if (c.Number) {
            EXPECT_DOUBLE_EQ(value, c.Value) << c.Text;
        }
    }
    double huge = 0;
    ASSERT_TRUE(TSortTextReader::ReadNumber(u"-1e999", huge));
    EXPECT_TRUE(std::isinf(huge) && huge < 0);
}

TEST(SortTextCompareTest, NumbersThenMomentsThenCollationWithEmptiesLast)
{
    const TSortTextReader reader(QLocale(QLocale::English, QLocale::UnitedStates));
    // -2.5, 9, then 1e1 and 10 equal.
    EXPECT_EQ(Compare("-2.5", "9", reader), -1);
    EXPECT_EQ(Compare("9", "10", reader), -1);
    EXPECT_EQ(Compare("1e1", "10", reader), 0);
    // A number against letters is text: "9" after "10a" although 9 < 10.
    EXPECT_EQ(Compare("9", "10a", reader), 1);
    // Short dates of the locale by day, not by text.
    EXPECT_EQ(Compare("12/1/2025", "3/7/2026", reader), -1);
    EXPECT_EQ(Compare("3/7/26", "3/7/2026", reader), 0);
    EXPECT_EQ(Compare("1:30 PM", "9:00 AM", reader), 1);
    EXPECT_EQ(Compare("3/7/2026 9:00 AM", "3/7/2026 1:30 PM", reader), -1);
    // A wrapped unreadable date is text against a date ("!" sorts before digits).
    EXPECT_EQ(Compare("! 3/7/2026 !", "1/1/2020", reader), -1);
    // The zero moment is no date: text order puts "12/30/1899" after "12/1/2025".
    EXPECT_EQ(Compare("12/30/1899", "12/1/2025", reader), 1);
    EXPECT_EQ(Compare("2/30/2026", "3/1/2026", reader), -1); // no such day: text
    // Empty texts after every other, equal to each other.
    EXPECT_EQ(Compare("", "a", reader), 1);
    EXPECT_EQ(Compare("zzz", "", reader), -1);
    EXPECT_EQ(Compare("", "", reader), 0);
    EXPECT_EQ(Compare("", "1", reader), 1);
}

TEST(SortTextCompareTest, TheCLocaleReadsItsMonthNames)
{
    const TSortTextReader reader(QLocale::c());
    EXPECT_EQ(Compare("7 Mar 2026", "12 Jan 2026", reader), 1);
    EXPECT_EQ(Compare("7 march 2026", "7 Mar 2026", reader), 0);
    EXPECT_EQ(Compare("7 Mar 2026 13:05:00", "7 Mar 2026 9:00:00", reader), 1);
}

TEST(SortTextCompareTest, DirectionTurnsTheResultAndEmptiesComeFirstDescending)
{
    const TSortTextReader reader(QLocale(QLocale::English, QLocale::UnitedStates));
    std::string tails;
    TSortItem empty, text;
    reader.Classify(u"", empty);
    reader.Classify(u"shop.com", text);
    reader.AddKey(u"shop.com", text, tails);
    EXPECT_EQ(SortItemCompare(empty, text, MakeSortParam(1, sdAscending), tails), 1);
    EXPECT_EQ(SortItemCompare(empty, text, MakeSortParam(1, sdDescending), tails), -1);
    EXPECT_EQ(MakeSortParam(3, sdDescending), 0xFFFF0003u);
    EXPECT_EQ(SortParamSign(MakeSortParam(3, sdDescending)), -1);
    EXPECT_EQ(SortParamColumn(MakeSortParam(3, sdAscending)), 3);
}

// The keys a sort compares must order texts exactly as QCollator does in the same locale.
TEST(SortTextCompareTest, CollationKeysAgreeWithQCollator)
{
    const QStringList texts = {QStringLiteral("apple"),        QStringLiteral("Apple"),
                               QStringLiteral("APPLE"),        QStringLiteral("äpple"),
                               QStringLiteral("apples"),       QStringLiteral("a-pple"),
                               QStringLiteral("a pple"),       QStringLiteral("a.b"),
                               QStringLiteral("ab"),           QStringLiteral("Zebra"),
                               QStringLiteral("zebra"),        QStringLiteral("éclair"),
                               QStringLiteral("eclair"),       QStringLiteral("straße"),
                               QStringLiteral("strasse"),      QStringLiteral("x1"),
                               QStringLiteral("x10"),          QStringLiteral("x9"),
                               QStringLiteral("! 1/2/3 !"),    QStringLiteral("<b>"),
                               QStringLiteral("shop.example"), QStringLiteral("shop-24.example")};
    for (const QLocale& locale :
         {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German, QLocale::Germany),
          QLocale(QLocale::Swedish, QLocale::Sweden), QLocale::c()}) {
        const TSortTextReader reader(locale);
        const QCollator collator(locale);
        for (const QString& a : texts)
            for (const QString& b : texts) {
                const int expected = collator.compare(a, b);
                EXPECT_EQ(SortTextCompare(a, b, reader), (expected > 0) - (expected < 0))
                    << qPrintable(locale.name()) << " " << qPrintable(a) << " / " << qPrintable(b);
            }
    }
}

std::string Units(const std::u16string& text)
{
    std::string hex;
    for (const char16_t unit : text)
        hex += QString::number(unit, 16).toStdString() + ' ';
    return hex;
}

// The C locale's keys are written one to four bytes a code unit: the order must hold across every
// width, for the unit that needs care (U+0000) and at the ends of each width, in a key's head and
// in its tail. (The texts are taken as they are: QString::fromStdU16String would read U+FFFE as a
// byte-order mark.)
TEST(SortTextCompareTest, CLocaleKeysOrderCodeUnitsAcrossEveryKeyWidth)
{
    const std::u16string units[] = {u"",
                                    std::u16string(1, u'\0'),
                                    u"\u007e",
                                    u"\u007f",
                                    u"\u0080",
                                    u"\u07fe",
                                    u"\u07ff",
                                    u"\u4e00",
                                    std::u16string{char16_t(0xD83D), char16_t(0xDE00)},
                                    u"\ue000",
                                    u"\ufffe",
                                    u"\uffff",
                                    u"a\u00e9",
                                    u"a\uffffb",
                                    u"ab"};
    const TSortTextReader reader(QLocale::c());
    for (const std::u16string stem : {u"", u"shop.example.prefix-"})
        for (const std::u16string& a : units)
            for (const std::u16string& b : units) {
                const std::u16string left = stem + a + u"z";
                const std::u16string right = stem + b + u"z";
                const int expected = left.compare(right);
                EXPECT_EQ(SortTextCompare(QStringView(left).toString(), QStringView(right).toString(), reader),
                          (expected > 0) - (expected < 0))
                    << Units(left) << " / " << Units(right);
            }
}

} // namespace
