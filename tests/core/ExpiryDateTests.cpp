#include "core/ExpiryDate.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const TDateMasks BuiltIn = {"yyyy-mm-dd", "yyyy-m-dd", "yyyy-mm-d", "yyyy-m-d"};

int Day(int year, int month, int day)
{
    return DayNumberFromDate(year, month, day);
}

TEST(DayNumbers, CountFromThirtiethOfDecember1899)
{
    EXPECT_EQ(DayNumberFromDate(1899, 12, 30), 0);
    EXPECT_EQ(DayNumberFromDate(1899, 12, 31), 1);
    EXPECT_EQ(DayNumberFromDate(1900, 1, 1), 2);
    EXPECT_EQ(DayNumberFromDate(1900, 3, 1), 61);
    EXPECT_EQ(DayNumberFromDate(2010, 5, 12), 40310);
    EXPECT_EQ(DayNumberFromDate(1899, 12, 29), -1);
    EXPECT_EQ(DayNumberFromDate(1, 1, 1), -693593);
}

TEST(DayNumbers, RoundTripAcrossLeapYearsAndCenturies)
{
    for (int dayNumber = -700000; dayNumber <= 2958465; dayNumber += 997) {
        const TCalendarDate date = DateFromDayNumber(dayNumber);
        ASSERT_EQ(DayNumberFromDate(date.Year, date.Month, date.Day), dayNumber);
    }
    const TCalendarDate leap = DateFromDayNumber(DayNumberFromDate(2000, 2, 29));
    EXPECT_EQ(leap.Year, 2000);
    EXPECT_EQ(leap.Month, 2);
    EXPECT_EQ(leap.Day, 29);
    EXPECT_EQ(DayNumberFromDate(2100, 3, 1) - DayNumberFromDate(2100, 2, 28), 1);
}

TEST(DayNumbers, IsoTextIsEmptyForNoDate)
{
    EXPECT_EQ(IsoDateFromDayNumber(40310), "2010-05-12");
    EXPECT_EQ(IsoDateFromDayNumber(DayNumberFromDate(9999, 12, 31)), "9999-12-31");
    EXPECT_EQ(IsoDateFromDayNumber(1), "1899-12-31");
    EXPECT_EQ(IsoDateFromDayNumber(0), "");
    EXPECT_EQ(IsoDateFromDayNumber(-5), "");
}

TEST(LoadDateMasks, MissingOrUnreadableFileGivesBuiltInMasks)
{
    TTempDir dir;
    EXPECT_EQ(LoadDateMasks(dir.File("absent.ini")), BuiltIn);
    // A folder opens on Linux but cannot be read.
    EXPECT_EQ(LoadDateMasks(dir.Path()), BuiltIn);
}

TEST(LoadDateMasks, LinesAreTrimmedAndCommentsAndEmptyLinesDropped)
{
    TTempDir dir;
    const std::string path = dir.Write("datemask.ini", "  yyyy-mm-dd \r\n"
                                                       "; a comment\r\n"
                                                       "\r\n"
                                                       "\t dd.mm.yyyy\t\n"
                                                       "   ;indented comment\n"
                                                       "x;y\r"
                                                       "dd/mm/yyyy\r"
                                                       "\n"
                                                       "  \n"
                                                       "yyyymmdd");
    const TDateMasks expected = {"yyyy-mm-dd", "dd.mm.yyyy", "x;y", "dd/mm/yyyy", "yyyymmdd"};
    EXPECT_EQ(LoadDateMasks(path), expected);
}

TEST(LoadDateMasks, FileWithoutMasksGivesEmptyListAndNoDates)
{
    TTempDir dir;
    const TDateMasks commentsOnly = LoadDateMasks(dir.Write("comments.ini", "; one\n;two\n\n   \n"));
    EXPECT_TRUE(commentsOnly.empty());
    EXPECT_EQ(ParseExpiryDate("2010-05-12", commentsOnly), 0);
    EXPECT_TRUE(LoadDateMasks(dir.Write("empty.ini", "")).empty());
}

TEST(ParseExpiryDate, BuiltInMasksReadHyphenatedYearFirstDates)
{
    EXPECT_EQ(ParseExpiryDate("2010-05-12", BuiltIn), Day(2010, 5, 12));
    EXPECT_EQ(ParseExpiryDate("2010-5-7", BuiltIn), Day(2010, 5, 7));
    EXPECT_EQ(ParseExpiryDate("2010-5-17", BuiltIn), Day(2010, 5, 17));
    EXPECT_EQ(ParseExpiryDate("2010-05-7 ", BuiltIn), Day(2010, 5, 7));
    EXPECT_EQ(ParseExpiryDate("12-May-2010", BuiltIn), 0);
    EXPECT_EQ(ParseExpiryDate("", BuiltIn), 0);
}

TEST(ParseExpiryDate, EveryStartPositionIsTriedAndTrailingTextIgnored)
{
    const TDateMasks iso = {"yyyy-mm-dd"};
    EXPECT_EQ(ParseExpiryDate("2010-05-12T00:00:00Z", iso), Day(2010, 5, 12));
    EXPECT_EQ(ParseExpiryDate("Expires: 2010-05-12", iso), Day(2010, 5, 12));
    // A failed attempt at "10-2010..." must not hide the fitting one that starts inside it.
    EXPECT_EQ(ParseExpiryDate("10-2010-05-12", iso), Day(2010, 5, 12));
    EXPECT_EQ(ParseExpiryDate("12010-05-12", iso), Day(2010, 5, 12));
}

TEST(ParseExpiryDate, TextMayEndInsideTheMaskOnceAllPartsHoldADigit)
{
    const TDateMasks iso = {"yyyy-mm-dd"};
    EXPECT_EQ(ParseExpiryDate("2010-05-1", iso), Day(2010, 5, 1));
    EXPECT_EQ(ParseExpiryDate("2010-05-", iso), 0);
    EXPECT_EQ(ParseExpiryDate("2010-05", iso), 0);
    EXPECT_EQ(ParseExpiryDate("22.07.26", {"dd.mm.yyyy"}), Day(2026, 7, 22));
}

TEST(ParseExpiryDate, MonthNamesInAnyCaseButOnlyThreeLetters)
{
    const TDateMasks named = {"dd-zzz-yyyy"};
    EXPECT_EQ(ParseExpiryDate("12-may-2010", named), Day(2010, 5, 12));
    EXPECT_EQ(ParseExpiryDate("12-Sept-2010", named), 0);
    EXPECT_EQ(ParseExpiryDate("12-Spt-2010", named), 0);
    const char* const months[] = {"jan", "FEB", "Mar", "aPr", "May", "jun", "JUL", "aug", "Sep", "oct", "Nov", "DEC"};
    for (int month = 1; month <= 12; ++month)
        EXPECT_EQ(ParseExpiryDate(std::string("01-") + months[month - 1] + "-2020", named), Day(2020, month, 1))
            << months[month - 1];
    // Only ASCII letters are letters: no start position fits.
    EXPECT_EQ(ParseExpiryDate("12-M\xe4r-2010", named), 0);
}

TEST(ParseExpiryDate, TwoDigitYearsMeanThisCentury)
{
    EXPECT_EQ(ParseExpiryDate("10-05-12", {"yy-mm-dd"}), Day(2010, 5, 12));
    EXPECT_EQ(ParseExpiryDate("5-05-12", {"y-mm-dd"}), Day(2005, 5, 12));
    EXPECT_EQ(ParseExpiryDate("0000-01-01", {"yyyy-mm-dd"}), Day(2000, 1, 1));
    // The year is a number below 100, however many digits spell it.
    EXPECT_EQ(ParseExpiryDate("0099-01-01", {"yyyy-mm-dd"}), Day(2099, 1, 1));
    EXPECT_EQ(ParseExpiryDate("0100-01-01", {"yyyy-mm-dd"}), Day(100, 1, 1));
}

TEST(ParseExpiryDate, PartsMustFormACalendarDate)
{
    const TDateMasks iso = {"yyyy-mm-dd"};
    EXPECT_EQ(ParseExpiryDate("2012-02-29", iso), Day(2012, 2, 29));
    EXPECT_EQ(ParseExpiryDate("2000-02-29", iso), Day(2000, 2, 29));
    EXPECT_EQ(ParseExpiryDate("2010-02-29", iso), 0);
    EXPECT_EQ(ParseExpiryDate("2100-02-29", iso), 0);
    EXPECT_EQ(ParseExpiryDate("2010-04-31", iso), 0);
    EXPECT_EQ(ParseExpiryDate("2010-12-31", iso), Day(2010, 12, 31));
    EXPECT_EQ(ParseExpiryDate("2010-13-01", iso), 0);
    EXPECT_EQ(ParseExpiryDate("2010-00-10", iso), 0);
    EXPECT_EQ(ParseExpiryDate("2010-01-00", iso), 0);
    EXPECT_EQ(ParseExpiryDate("10000-01-01", {"yyyyy-mm-dd"}), 0);
    EXPECT_EQ(ParseExpiryDate("09999-12-31", {"yyyyy-mm-dd"}), Day(9999, 12, 31));
}

TEST(ParseExpiryDate, NumbersTooLongToConvertGiveNoDate)
{
    const TDateMasks wide = {"yyyyyyyyyyyy-mm-dd"};
    EXPECT_EQ(ParseExpiryDate("000000002010-05-12", wide), Day(2010, 5, 12));
    EXPECT_EQ(ParseExpiryDate("999999999999-05-12", wide), 0);
    EXPECT_EQ(ParseExpiryDate("2010-05-12345678901234567890", {"yyyy-mm-dddddddddddddddddddd"}), 0);
}

TEST(ParseExpiryDate, FirstFittingMaskDecidesEvenWithoutAValidDate)
{
    // On its own the second mask reads 1 Apr 2010 from this text.
    EXPECT_EQ(ParseExpiryDate("31-04-2010", {"d-mm-yyyy"}), Day(2010, 4, 1));
    EXPECT_EQ(ParseExpiryDate("31-04-2010", {"dd-mm-yyyy", "d-mm-yyyy"}), 0);
    // A month name outside the list also ends the search.
    EXPECT_EQ(ParseExpiryDate("12-Xyz-2010 2010-05-12", {"dd-zzz-yyyy", "yyyy-mm-dd"}), 0);
    // A mask that does not fit passes the text on.
    EXPECT_EQ(ParseExpiryDate("2010-05-12", {"dd.mm.yyyy", "yyyy-mm-dd"}), Day(2010, 5, 12));
    // Text that ends before the day has a digit does not fit, so the next mask is asked.
    EXPECT_EQ(ParseExpiryDate("12.05.2010-05", {"yyyy-mm-dd", "dd.mm.yyyy"}), Day(2010, 5, 12));
}

TEST(ParseExpiryDate, MaskWithoutYearMonthOrDayNeverFits)
{
    EXPECT_EQ(ParseExpiryDate("05-12 05-12 05-12", {"mm-dd"}), 0);
    EXPECT_EQ(ParseExpiryDate("2010--12", {"yyyy--dd"}), 0);
    EXPECT_EQ(ParseExpiryDate("2010-05-2010-05", {"yyyy-mm-"}), 0);
    EXPECT_EQ(ParseExpiryDate("anything", {""}), 0);
    // A month name alone is enough for the month.
    EXPECT_EQ(ParseExpiryDate("2010-May-12", {"yyyy-zzz-dd"}), Day(2010, 5, 12));
}

TEST(ParseExpiryDate, MaskCharacters)
{
    // A blank is matched by c only; other characters in a mask never match.
    EXPECT_EQ(ParseExpiryDate("12 May 2010", {"dd zzz yyyy"}), 0);
    EXPECT_EQ(ParseExpiryDate("12 May 2010", {"ddczzzcyyyy"}), Day(2010, 5, 12));
    EXPECT_EQ(ParseExpiryDate("2010-05-12", {"YYYY-mm-dd"}), 0);
    EXPECT_EQ(ParseExpiryDate("2010:05:12", {"yyyy:mm:dd"}), 0);
    EXPECT_EQ(ParseExpiryDate("12\\05\\2010", {"dd\\mm\\yyyy"}), Day(2010, 5, 12));
    EXPECT_EQ(ParseExpiryDate("12/05/2010", {"dd\\mm\\yyyy"}), 0);
    EXPECT_EQ(ParseExpiryDate("12/05/2010", {"dd/mm/yyyy"}), Day(2010, 5, 12));
    EXPECT_EQ(ParseExpiryDate("2010.05.12", {"yyyy.mm.dd"}), Day(2010, 5, 12));
    // Separators must match exactly.
    EXPECT_EQ(ParseExpiryDate("2010.05.12", {"yyyy-mm-dd"}), 0);
    // Letters are not digits and digits are not letters.
    EXPECT_EQ(ParseExpiryDate("2010-O5-12", {"yyyy-mm-dd"}), 0);
    EXPECT_EQ(ParseExpiryDate("12-M4y-2010", {"dd-zzz-yyyy"}), 0);
}

TEST(ParseExpiryDate, DatesBeforeTheEpochAreNotZero)
{
    const TDateMasks iso = {"yyyy-mm-dd"};
    EXPECT_EQ(ParseExpiryDate("1899-12-29", iso), -1);
    EXPECT_EQ(ParseExpiryDate("1899-12-30", iso), 0);
    EXPECT_LT(ParseExpiryDate("0100-01-01", iso), 0);
}

TEST(ParseExpiryDate, LongTextsStayCheap)
{
    // Each attempt is at most one mask long; rescanning the digits from every start position
    // would take hours here.
    const std::string digits = std::string(2'000'000, '7') + "x";
    EXPECT_EQ(ParseExpiryDate(digits, {"yy", "yyyy-mm-dd", "dd.mm.yyyy"}), 0);
    EXPECT_EQ(ParseExpiryDate(digits + "2010-05-12", BuiltIn), Day(2010, 5, 12));
}

} // namespace
