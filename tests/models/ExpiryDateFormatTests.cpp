#include "models/ExpiryDateFormat.h"

#include <QDate>
#include <QLocale>

#include <gtest/gtest.h>

namespace {

const TDateMasks BuiltIn = {"yyyy-mm-dd", "yyyy-m-dd", "yyyy-mm-d", "yyyy-m-d"};

// The test program's main sets a German locale, whose short format is day.month.two-digit year;
// the year is shown with four digits.
TEST(FormatExpiryDate, UsesTheSystemShortDateFormatWithAFourDigitYear)
{
    ASSERT_EQ(QLocale::system().dateFormat(QLocale::ShortFormat), QString("dd.MM.yy"));
    EXPECT_EQ(FormatExpiryDate("2010-05-12", BuiltIn), "12.05.2010");
    EXPECT_EQ(FormatExpiryDate("Expires on 2026-8-3T00:00:00Z", BuiltIn), "03.08.2026");
    EXPECT_EQ(FormatExpiryDate("13-Aug-2026", {"dd-zzz-yyyy"}), "13.08.2026");
    EXPECT_EQ(FormatExpiryDate("  2010-05-12  ", BuiltIn), "12.05.2010");
}

TEST(FormatExpiryDate, EmptyWhenNoDateIsRead)
{
    EXPECT_EQ(FormatExpiryDate("", BuiltIn), "");
    EXPECT_EQ(FormatExpiryDate(" \t\r\n ", BuiltIn), "");
    EXPECT_EQ(FormatExpiryDate("12-May-2010", BuiltIn), "");
    EXPECT_EQ(FormatExpiryDate("2010-04-31", BuiltIn), "");
    EXPECT_EQ(FormatExpiryDate("2010-05-12", {}), "");
}

TEST(FormatExpiryDate, EmptyOnOrBeforeThirtiethOfDecember1899)
{
    EXPECT_EQ(FormatExpiryDate("1899-12-30", BuiltIn), "");
    EXPECT_EQ(FormatExpiryDate("1899-12-29", BuiltIn), "");
    EXPECT_EQ(FormatExpiryDate("0100-01-01", BuiltIn), "");
    EXPECT_EQ(FormatExpiryDate("1899-12-31", BuiltIn), "31.12.1899");
}

TEST(FormatDayNumber, MatchesTheLocaleForTheSameDate)
{
    EXPECT_EQ(FormatDayNumber(DayNumberFromDate(9999, 12, 31)), "31.12.9999");
    EXPECT_EQ(FormatDayNumber(DayNumberFromDate(2000, 2, 29)), "29.02.2000");
    EXPECT_EQ(FormatDayNumber(0), "");
    EXPECT_EQ(FormatDayNumber(-1), "");
}

TEST(DayNumberOfShownDate, ReadsBackWhatFormatDayNumberWrote)
{
    for (const int day :
         {1, DayNumberFromDate(2000, 2, 29), DayNumberFromDate(2030, 1, 2), DayNumberFromDate(9999, 12, 31)})
        EXPECT_EQ(DayNumberOfShownDate(FormatDayNumber(day)), day) << day;
    // A project may also hold an unreadable expiry between marks, nothing, a time or a date of
    // another locale; none stands for a day.
    for (const char* text :
         {"", "31.02.2030", "2030-01-02", "! 02.01.2030 !", "02.01.2030 x", "soon", "10:15", "12/31/2026"})
        EXPECT_EQ(DayNumberOfShownDate(text), 0) << text;
    EXPECT_EQ(ExportedExpiry("02.01.2030"), "2030-01-02");
    EXPECT_EQ(ExportedExpiry("! 02.01.2030 !"), "! 02.01.2030 !");
}

TEST(WithFourDigitYear, WidensShortYearsOnlyOutsideQuotes)
{
    EXPECT_EQ(WithFourDigitYear("M/d/yy"), "M/d/yyyy");
    EXPECT_EQ(WithFourDigitYear("yyyy-MM-dd"), "yyyy-MM-dd");
    EXPECT_EQ(WithFourDigitYear("d.M.y"), "d.M.yyyy");
    EXPECT_EQ(WithFourDigitYear("dd 'yy' yy"), "dd 'yy' yyyy");
    EXPECT_EQ(WithFourDigitYear("yy'y'"), "yyyy'y'");
}

} // namespace
