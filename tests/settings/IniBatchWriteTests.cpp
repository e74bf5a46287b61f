#include "base/QuarrowError.h"
#include "settings/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>

namespace {

// Files that exercise every placement rule of a write: a byte-order mark, CR LF and lone CR line
// ends, sections named twice, keys named twice, comments, blank tails, no final line break.
const char* const StartingFiles[] = {
    "",
    "[TLD]\r\ncom=a\r\n\r\n[Proxy]\r\nPort=1\r\n",
    "\xEF\xBB\xBF[tld]\nCOM=x\ncom=y\n; note\n\n\n[Pref]\nPause=5",
    "[TLD]\rnet=b\r[TLD]\rorg=c\r[Other\rkey=1",
    "loose=line\n[Pref]\nThrdCount=",
};

TEST(IniBatchWriteTest, GivesTheSameFileAsOneWriteAfterAnother)
{
    const std::vector<std::string> sections = {"TLD", "tld", "Proxy", "Pref", "New", "new ", "Other"};
    const std::vector<std::string> keys = {"com", "COM", "net", "Port", "ThrdCount", "fresh", " spaced "};
    const std::vector<std::string> values = {"", "v", "with blanks ", "two\nlines", "nul\0x"};
    std::mt19937 random(12345);
    for (const char* start : StartingFiles) {
        for (int round = 0; round < 10; ++round) {
            TTempDir dir;
            const TIniFile oneByOne(dir.Write("a.ini", start));
            const TIniFile batched(dir.Write("b.ini", start));
            std::vector<TIniValue> batch;
            const int count = 1 + static_cast<int>(random() % 12);
            for (int i = 0; i < count; ++i) {
                TIniValue value{sections[random() % sections.size()], keys[random() % keys.size()],
                                values[random() % values.size()] + std::to_string(i)};
                oneByOne.WriteString(value.Section, value.Key, value.Value);
                batch.push_back(value);
            }
            batched.WriteValues(batch);
            ASSERT_EQ(dir.Read("b.ini"), dir.Read("a.ini")) << "start: " << start << " round " << round;
        }
    }
}

TEST(IniBatchWriteTest, AFailedWriteLeavesTheFileAsItWas)
{
    TTempDir dir;
    const std::string before = "[TLD]\ncom=a\n";
    const std::string path = dir.Write("mvwhois.ini", before);
    ASSERT_EQ(chmod(path.c_str(), 0400), 0);
    const TIniFile ini(path);
    try {
        ini.WriteValues({{"TLD", "com", "b"}, {"Proxy", "Port", "8080"}});
        FAIL() << "a read-only file was written";
    } catch (const TQuarrowError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
    }
    EXPECT_EQ(dir.Read("mvwhois.ini"), before);

    // A key nobody could read back refuses the whole batch, the values before it included.
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    EXPECT_THROW(ini.WriteValues({{"TLD", "net", "b"}, {"TLD", "c=om", "b"}}), TQuarrowError);
    EXPECT_EQ(dir.Read("mvwhois.ini"), before);
}

TEST(IniBatchWriteTest, SectionValuesReadAsReadStringReadsThem)
{
    TTempDir dir;
    const TIniFile ini(
        dir.Write("mvwhois.ini", "[TLD]\ncom = \"a \" \nCOM=second\n=nameless\n; c=comment\nnet\nuk=b\n"));
    const std::vector<std::pair<std::string, std::string>> expected = {{"com", "a "}, {"COM", "a "}, {"uk", "b"}};
    EXPECT_EQ(ini.ReadSectionValues("tld"), expected);
    std::vector<std::string> names;
    for (const auto& entry : expected)
        names.push_back(entry.first);
    EXPECT_EQ(ini.ReadSection("TLD"), names);
}

} // namespace
