#include "engine/LearntPace.h"
#include "engine/PaceFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sys/stat.h>

// The learnt pace of a lane, driven by ticks the test chooses: refusals make it longer, answers
// shorter, never below the floor, and queries under way when it grew do not make it grow twice.
namespace {

const TLearntPace::TLane Lane{"direct", "whois.example"};
const TLearntPace::TLane Other{"socks5://127.0.0.1:1080", "whois.example"};

TEST(LearntPaceTest, RefusalsGrowAnswersShrinkWithinTheFloorAndTheCeiling)
{
    struct TCase
    {
        const char* Name;
        int FloorMs;
        int Refusals;
        int Answers;
        int Expected;
    };
    const TCase cases[] = {
        {"nothing learnt keeps the floor", 5, 0, 100, 5},
        {"a first refusal starts at the first guess", 5, 1, 0, TLearntPace::FirstRefusalMs},
        {"a floor above the first guess grows from the floor", 1000, 1, 0, 1250},
        {"each further refusal adds a quarter", 5, 3, 0, 391}, // 250 x 1.25 x 1.25 = 390.6
        {"after a first refusal the pace is a guess: answers shrink it faster", 5, 1, 10,
         static_cast<int>(std::ceil(250 * std::pow(TLearntPace::ProbeShrinkFactor, 10)))},
        {"a guess refused again before any answer stays a guess", 5, 2, 10,
         static_cast<int>(std::ceil(312.5 * std::pow(TLearntPace::ProbeShrinkFactor, 10)))},
        {"answers never shrink below the floor", 200, 1, 1000, 200},
        {"no interval passes the ceiling", 0, 100, 0, TLearntPace::LongestMs},
    };
    for (const TCase& c : cases) {
        TLearntPace pace;
        std::uint64_t tick = 1000;
        for (int i = 0; i < c.Refusals; ++i, tick += 10)
            pace.Refused(Lane, c.FloorMs, tick, tick + 5);
        for (int i = 0; i < c.Answers; ++i)
            pace.Answered(Lane, c.FloorMs, tick);
        EXPECT_EQ(pace.IntervalMs(Lane, c.FloorMs), c.Expected) << c.Name;
        EXPECT_EQ(pace.IntervalMs(Other, c.FloorMs), std::max(c.FloorMs, 0)) << c.Name << ": another way out";
    }
}

TEST(LearntPaceTest, RefusalsOfQueriesSentBeforeTheLastGrowthDoNotCompound)
{
    TLearntPace pace;
    // Five queries under way at once, all refused: the pace grows once, not 1.25^5 times.
    for (std::uint64_t started = 100; started < 105; ++started)
        pace.Refused(Lane, 0, started, 110);
    EXPECT_EQ(pace.LearntMs(Lane), 250);
    // Nor does one started at the tick it grew, which the new pace would not have let go.
    pace.Refused(Lane, 0, 110, 300);
    EXPECT_EQ(pace.LearntMs(Lane), 250);
    // A query sent at the grown pace and refused grows it again.
    pace.Refused(Lane, 0, 360, 400);
    EXPECT_EQ(pace.LearntMs(Lane), 313);
    // A floor raised later (min_interval set) still bounds a learnt pace below it.
    EXPECT_EQ(pace.IntervalMs(Lane, 500), 500);
    EXPECT_TRUE(pace.Changed());
}

// The refusal that ends the guess sets the pace from what the host let through since the first:
// 20 answers in 4 s is 200 ms a query, kept with SettleMargin to spare, however far the guess had
// shrunk meanwhile. Answers to queries sent before the first refusal are not the host's allowance.
TEST(LearntPaceTest, TheSecondRefusalSettlesThePaceAtWhatTheHostLetThrough)
{
    TLearntPace pace;
    pace.Refused(Lane, 5, 990, 1000);
    pace.Answered(Lane, 5, 995);
    for (int i = 0; i < 20; ++i)
        pace.Answered(Lane, 5, 1200 + 200 * static_cast<std::uint64_t>(i));
    EXPECT_EQ(pace.LearntMs(Lane), static_cast<int>(std::ceil(250 * std::pow(TLearntPace::ProbeShrinkFactor, 21))));
    pace.Refused(Lane, 5, 4900, 5000);
    EXPECT_EQ(pace.LearntMs(Lane), static_cast<int>(std::ceil(200 * TLearntPace::SettleMargin)));
    // Settled: answers shrink it slowly, and a refusal only grows it by a quarter.
    pace.Answered(Lane, 5, 5000);
    EXPECT_EQ(pace.LearntMs(Lane), static_cast<int>(std::ceil(220 * TLearntPace::ShrinkFactor)));
    pace.Refused(Lane, 5, 5100, 5200);
    EXPECT_EQ(pace.LearntMs(Lane), static_cast<int>(std::ceil(220 * TLearntPace::ShrinkFactor * 1.25)));
    // A guess refused before any answer came grows by a quarter and stays a guess, as there is
    // nothing to measure.
    TLearntPace quick;
    quick.Refused(Lane, 5, 0, 10);
    quick.Refused(Lane, 5, 20, 30);
    EXPECT_EQ(quick.LearntMs(Lane), 313);
    quick.Answered(Lane, 5, 40);
    EXPECT_EQ(quick.LearntMs(Lane), static_cast<int>(std::ceil(312.5 * TLearntPace::ProbeShrinkFactor)));
}

// Other ways out to a host take what one of them learnt when they know less; they are never sent
// back to a guess, and their queries under way when they learnt do not make them grow.
TEST(LearntPaceTest, AWayOutThatKnowsLessTakesWhatAnotherLearntOfTheSameHost)
{
    const TLearntPace::TLane third{"socks5://127.0.0.1:1081", "whois.example"};
    TLearntPace pace;
    pace.Teach(Lane, Other, 100);
    EXPECT_EQ(pace.LearntMs(Other), 0) << "nothing to teach";
    pace.Refused(Lane, 5, 90, 100);
    pace.Teach(Lane, Other, 100);
    EXPECT_EQ(pace.LearntMs(Other), 250);
    pace.Refused(Other, 5, 95, 110);
    pace.Refused(Other, 5, 100, 110);
    EXPECT_EQ(pace.LearntMs(Other), 250) << "sent before it learnt, or as it learnt";
    // Other settles; the first lane, still guessing, takes its pace, and a settled lane keeps its
    // own against a guess.
    pace.Answered(Other, 5, 150);
    pace.Refused(Other, 5, 300, 600);
    const int settled = pace.LearntMs(Other);
    EXPECT_EQ(settled, static_cast<int>(std::ceil(500 * TLearntPace::SettleMargin)));
    pace.Teach(Other, Lane, 600);
    EXPECT_EQ(pace.LearntMs(Lane), settled);
    pace.Set(third, 400); // from the pace file: settled
    pace.Refused(Lane, 5, 700, 800);
    pace.Teach(Lane, third, 800);
    pace.Teach(Lane, Other, 800);
    EXPECT_EQ(pace.LearntMs(third), 400);
    EXPECT_EQ(pace.LearntMs(Other), settled);
}

TEST(PaceFileTest, WhatIsSavedIsLoadedAgainAndAFirstRefusalThenOnlyGrowsIt)
{
    TTempDir dir;
    const std::string path = dir.File(TPaceFile::FileName);
    TLearntPace pace;
    pace.Refused(Lane, 0, 1, 2);
    pace.Refused(Other, 0, 1, 2);
    pace.Refused(Other, 0, 3, 4);
    std::string message;
    ASSERT_TRUE(TPaceFile::Save(path, pace, message)) << message;

    TLearntPace loaded;
    ASSERT_TRUE(TPaceFile::Load(path, loaded, message));
    EXPECT_EQ(message, "");
    EXPECT_EQ(loaded.Entries(), pace.Entries());
    EXPECT_FALSE(loaded.Changed());
    // A learnt lane is not sent back to the first guess by its next refusal.
    loaded.Refused(Lane, 0, 10, 20);
    EXPECT_EQ(loaded.LearntMs(Lane), 313);
    // No file yet: nothing learnt, no message.
    TLearntPace none;
    EXPECT_TRUE(TPaceFile::Load(dir.File("absent.tsv"), none, message));
    EXPECT_TRUE(none.Empty());
}

TEST(PaceFileTest, AFileThatDoesNotParseIsSetAsideWithAMessage)
{
    const std::string header = std::string(TPaceFile::Header) + "\n";
    const char* const bad[] = {
        "",
        "host\tdirect\t250\n",                     // no header
        "quarrow-pace\t2\nhost\tdirect\t250\n",    // another version
        "quarrow-pace\t1\nhost\tdirect\n",         // a field short
        "quarrow-pace\t1\nhost\tdirect\t25O\n",    // not a number
        "quarrow-pace\t1\nhost\tdirect\t-3\n",     // not an interval
        "quarrow-pace\t1\nhost\tdirect\t0\n",      // nothing learnt is never written
        "quarrow-pace\t1\n\tdirect\t250\n",        // no host
        "quarrow-pace\t1\nhost\tdirect\t250\tx\n", // a field too many
    };
    for (const char* text : bad) {
        TTempDir dir;
        const std::string path = dir.Write(TPaceFile::FileName, text);
        TLearntPace pace;
        pace.Set(Lane, 99);
        std::string message;
        EXPECT_FALSE(TPaceFile::Load(path, pace, message)) << text;
        EXPECT_NE(message.find("could not be read"), std::string::npos) << message;
        EXPECT_NE(message.find(path + TPaceFile::SetAsideSuffix), std::string::npos) << message;
        struct stat info
        {
        };
        EXPECT_NE(::stat(path.c_str(), &info), 0) << "the file is no longer in the way";
        EXPECT_EQ(dir.Read(std::string(TPaceFile::FileName) + TPaceFile::SetAsideSuffix), text);
        EXPECT_EQ(pace.LearntMs(Lane), 99) << "what the caller held is left alone";
    }
    // Line ends of another system and blank lines are no damage.
    TLearntPace pace;
    std::string problem;
    EXPECT_TRUE(TPaceFile::Parse(header + "\r\nh\tdirect\t300\r\n\n", pace, problem)) << problem;
    EXPECT_EQ(pace.LearntMs({"direct", "h"}), 300);
}

} // namespace
