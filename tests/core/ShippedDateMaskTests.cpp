#include "core/ExpiryDate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace {

struct TMaskExample
{
    const char* Text;
    const char* Mask; // the shipped mask meant to read it
    int Year;
    int Month;
    int Day;
};

// Expiry texts as registries and registrars print them. Several would be misread by a mask of
// another style if that mask were tried first, which is what the whole-file check below catches.
const TMaskExample Examples[] = {
    {"2026-08-13", "yyyy-mm-dd", 2026, 8, 13},
    {"2026-08-13T04:00:00Z", "yyyy-mm-dd", 2026, 8, 13},
    {"2026-03-20T23:59:59.0Z", "yyyy-mm-dd", 2026, 3, 20},
    {"2026-10-10T19:35:58.234Z", "yyyy-mm-dd", 2026, 10, 10},
    {"2028-09-13T07:00:00+0000", "yyyy-mm-dd", 2028, 9, 13},
    {"2026-09-29T00:00:00-0700", "yyyy-mm-dd", 2026, 9, 29},
    {"2026-03-17 12:48:36", "yyyy-mm-dd", 2026, 3, 17},
    {"2026-12-04 00:00:00+02", "yyyy-mm-dd", 2026, 12, 4},
    {"2026-8-13", "yyyy-m-dd", 2026, 8, 13},
    {"2026-08-3", "yyyy-mm-d", 2026, 8, 3},
    {"2026-08-3T00:00:00Z", "yyyy-mm-d", 2026, 8, 3},
    {"2026-8-3", "yyyy-m-d", 2026, 8, 3},
    {"2026-8-3 12:00:00", "yyyy-m-d", 2026, 8, 3},
    {"2024-Apr-02.", "yyyy-zzz-dd", 2024, 4, 2},
    {"2024-Apr-02", "yyyy-zzz-dd", 2024, 4, 2},
    {"13-Aug-2026", "dd-zzz-yyyy", 2026, 8, 13},
    {"29-apr-2009", "dd-zzz-yyyy", 2009, 4, 29},
    {"14-Feb-2016 20:35:14 UTC", "dd-zzz-yyyy", 2016, 2, 14},
    {"Expiration Date:14-Feb-2016 20:35:14 UTC", "dd-zzz-yyyy", 2016, 2, 14},
    {"1-Aug-2026", "d-zzz-yyyy", 2026, 8, 1},
    {"01 Jan 2015 00:00 EAT", "ddczzzcyyyy", 2015, 1, 1},
    {"31 Jan 2017 22:12:44 UTC", "ddczzzcyyyy", 2017, 1, 31},
    {"7 Oct 2013", "dczzzcyyyy", 2013, 10, 7},
    {"13-08-2026", "dd-mm-yyyy", 2026, 8, 13},
    {"2026.03.05", "yyyy.mm.dd", 2026, 3, 5},
    {"2026.09.18 14:00:00", "yyyy.mm.dd", 2026, 9, 18},
    {"2026. 03. 12.", "yyyy.cmm.cdd", 2026, 3, 12},
    {"2026.8.13", "yyyy.m.dd", 2026, 8, 13},
    {"2026.1.12 10:00:00", "yyyy.m.dd", 2026, 1, 12},
    {"2026.12.5 10:00:00", "yyyy.mm.d", 2026, 12, 5},
    {"2026.8.3", "yyyy.m.d", 2026, 8, 3},
    {"22.07.2026", "dd.mm.yyyy", 2026, 7, 22},
    {"13.08.2026", "dd.mm.yyyy", 2026, 8, 13},
    {"17.07.2026 22:16:55", "dd.mm.yyyy", 2026, 7, 17},
    {"17.7.2026 22:16:55", "dd.m.yyyy", 2026, 7, 17},
    {"4.07.2026", "d.mm.yyyy", 2026, 7, 4},
    {"4.7.2026", "d.m.yyyy", 2026, 7, 4},
    {"2026/07/31", "yyyy/mm/dd", 2026, 7, 31},
    {"2026/08/13", "yyyy/mm/dd", 2026, 8, 13},
    {"Connected (2026/09/30)", "yyyy/mm/dd", 2026, 9, 30},
    {"30/12/2017", "dd/mm/yyyy", 2017, 12, 30},
    {"13/08/2026", "dd/mm/yyyy", 2026, 8, 13},
    {"02/11/2026 23:59:00", "dd/mm/yyyy", 2026, 11, 2},
    {"20260518", "yyyymmdd", 2026, 5, 18},
    {"Fri Apr 18 23:59:59 GMT 2014", "cccczzzcddccccccccccccccyyyy", 2014, 4, 18},
};

// Texts no shipped mask can read correctly: they must give no date rather than a wrong one.
const char* const Unreadable[] = {
    "13 August 2026",
    "August 14 2017",
    "before Aug-1996",
    "08/13/2026",
    "Fri Apr 18 23:59:59 CEST 2014",
    "Tue Dec 12 2000",
    "",
};

TDateMasks ShippedMasks()
{
    return LoadDateMasks(QUARROW_SOURCE_DATA_DIR "/datemask.ini");
}

TEST(ShippedDateMasks, FileIsReadAndHoldsEachMaskOnce)
{
    const TDateMasks masks = ShippedMasks();
    // The built-in fallback would mean the file was not found.
    ASSERT_GT(masks.size(), 4u);
    EXPECT_EQ(std::set<std::string>(masks.begin(), masks.end()).size(), masks.size());
}

TEST(ShippedDateMasks, EveryMaskHasAnExampleAndEveryExampleMaskIsShipped)
{
    const TDateMasks masks = ShippedMasks();
    std::set<std::string> exampleMasks;
    for (const TMaskExample& example : Examples)
        exampleMasks.insert(example.Mask);
    for (const std::string& mask : masks)
        EXPECT_TRUE(exampleMasks.count(mask)) << "no example for the shipped mask " << mask;
    for (const std::string& mask : exampleMasks)
        EXPECT_NE(std::find(masks.begin(), masks.end(), mask), masks.end()) << mask << " is not shipped";
}

TEST(ShippedDateMasks, EachMaskReadsItsOwnExamples)
{
    for (const TMaskExample& example : Examples)
        EXPECT_EQ(IsoDateFromDayNumber(ParseExpiryDate(example.Text, {example.Mask})),
                  IsoDateFromDayNumber(DayNumberFromDate(example.Year, example.Month, example.Day)))
            << example.Text << " with " << example.Mask;
}

TEST(ShippedDateMasks, WholeFileReadsEveryExampleAsIntended)
{
    const TDateMasks masks = ShippedMasks();
    for (const TMaskExample& example : Examples)
        EXPECT_EQ(IsoDateFromDayNumber(ParseExpiryDate(example.Text, masks)),
                  IsoDateFromDayNumber(DayNumberFromDate(example.Year, example.Month, example.Day)))
            << example.Text;
}

TEST(ShippedDateMasks, WholeFileGivesNoDateForUnreadableTexts)
{
    const TDateMasks masks = ShippedMasks();
    for (const char* text : Unreadable)
        EXPECT_EQ(ParseExpiryDate(text, masks), 0) << text;
}

TEST(ShippedDateMasks, OrderMatters)
{
    // Guards the reasoning behind the file's order: these masks misread other styles' texts.
    EXPECT_EQ(IsoDateFromDayNumber(ParseExpiryDate("2026.08.13", {"dd.mm.yyyy"})), "2013-08-26");
    EXPECT_EQ(IsoDateFromDayNumber(ParseExpiryDate("2026/07/31", {"dd/mm/yyyy"})), "2031-07-26");
    EXPECT_EQ(IsoDateFromDayNumber(ParseExpiryDate("2024-Apr-02", {"dd-zzz-yyyy"})), "2002-04-24");
    EXPECT_EQ(IsoDateFromDayNumber(ParseExpiryDate("17.7.2026", {"d.m.yyyy"})), "2026-07-07");
    EXPECT_EQ(IsoDateFromDayNumber(ParseExpiryDate("2026.1.12", {"dd.m.yyyy"})), "2012-01-26");
    EXPECT_EQ(IsoDateFromDayNumber(ParseExpiryDate("17.07.2026", {"d.mm.yyyy"})), "2026-07-07");
    EXPECT_EQ(IsoDateFromDayNumber(ParseExpiryDate("2026-08-13", {"yyyy-mm-d"})), "2026-08-01");
    EXPECT_EQ(IsoDateFromDayNumber(ParseExpiryDate("before Aug-1996", {"zzzcddcyyyy"})), "2006-08-19");
}

} // namespace
