#include "base/QuarrowError.h"
#include "settings/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

mode_t ModeOf(const std::string& path)
{
    struct stat info;
    EXPECT_EQ(stat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
}

std::size_t FilesIn(const std::string& folder)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

class IniFileTest : public ::testing::Test
{
protected:
    TTempDir Dir;
    std::string Path = Dir.File("mvwhois.ini");
    TIniFile Ini{Path};
};

TEST_F(IniFileTest, MissingFileGivesEveryDefault)
{
    EXPECT_EQ(Ini.ReadString("TLD", "com", "fallback"), "fallback");
    EXPECT_EQ(Ini.ReadInteger("Pref", "Pause", 250), 250);
    EXPECT_TRUE(Ini.ReadBool("Help", "ShowTour", true));
    EXPECT_FALSE(Ini.ReadBool("Pref", "UseHyp", false));
    EXPECT_TRUE(Ini.ReadSection("TLD").empty());
    EXPECT_FALSE(Ini.SectionExists("TLD"));
    EXPECT_FALSE(std::filesystem::exists(Path));
}

TEST_F(IniFileTest, NamesMatchWithoutRegardToCase)
{
    Dir.Write("mvwhois.ini", "[tld]\nCOM=whois.example.net\n");
    EXPECT_EQ(Ini.ReadString("TLD", "com", ""), "whois.example.net");
    EXPECT_TRUE(Ini.SectionExists("Tld"));
    Ini.WriteString("Tld", "Com", "other.example.net");
    EXPECT_EQ(Dir.Read("mvwhois.ini"), "[tld]\nCOM=other.example.net\n");
}

TEST_F(IniFileTest, ValuesAreTrimmedAndLoseOnePairOfMatchingQuotes)
{
    Dir.Write("mvwhois.ini", "[S]\n"
                             "  plain  =   Registrar:   \n"
                             "double=\"Registrar: \"\n"
                             "single=' x '\n"
                             "mixed=\"x'\n"
                             "lone=\"\n"
                             "empty=\"\"\n"
                             "nested=\"\"x\"\"\n"
                             "tab=\tvalue\t\n");
    EXPECT_EQ(Ini.ReadString("S", "plain", "d"), "Registrar:");
    EXPECT_EQ(Ini.ReadString("S", "double", "d"), "Registrar: ");
    EXPECT_EQ(Ini.ReadString("S", "single", "d"), " x ");
    EXPECT_EQ(Ini.ReadString("S", "mixed", "d"), "\"x'");
    EXPECT_EQ(Ini.ReadString("S", "lone", "d"), "\"");
    EXPECT_EQ(Ini.ReadString("S", "empty", "d"), "");
    EXPECT_EQ(Ini.ReadString("S", "nested", "d"), "\"x\"");
    EXPECT_EQ(Ini.ReadString("S", "tab", "d"), "value");
}

TEST_F(IniFileTest, LongValuesAreCutAfter2047Characters)
{
    const std::string longValue(3000, 'v');
    Dir.Write("mvwhois.ini", "[S]\nk=" + longValue + "\nq=\"" + longValue + "\"\n");
    EXPECT_EQ(Ini.ReadString("S", "k", ""), std::string(2047, 'v'));
    EXPECT_EQ(Ini.ReadString("S", "q", ""), std::string(2047, 'v'));
}

TEST_F(IniFileTest, IntegersAreDecimalOrHexadecimalElseTheDefault)
{
    const std::pair<const char*, int> cases[] = {
        {"500", 500},
        {"0x1F4", 500},
        {"0X1f4", 500},
        {"  42  ", 42},
        {"\"42\"", 42},
        {"+12", 12},
        {"-12", -12},
        {"0", 0},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"0x7FFFFFFF", INT_MAX},
        {"0x", -7},
        {"0x1G", -7},
        {"12abc", -7},
        {"abc", -7},
        {"", -7},
        {"2147483648", -7},
        {"-2147483649", -7},
        {"0x80000000", -7},
        {"99999999999999999999", -7},
        {"1 2", -7},
        {"-", -7},
        {"+", -7},
        {"-0x10", -7},
        {"1.5", -7},
    };
    std::string content = "[Pref]\n";
    for (std::size_t i = 0; i < std::size(cases); ++i)
        content += "k" + std::to_string(i) + "=" + cases[i].first + "\n";
    Dir.Write("mvwhois.ini", content);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(Ini.ReadInteger("Pref", "k" + std::to_string(i), -7), cases[i].second) << cases[i].first;
}

TEST_F(IniFileTest, BooleansAreWrittenAsDigitsAndReadAsWordsOrIntegers)
{
    Ini.WriteBool("Pref", "On", true);
    Ini.WriteBool("Pref", "Off", false);
    EXPECT_EQ(Dir.Read("mvwhois.ini"), "[Pref]\nOn=1\nOff=0\n");
    // Each value read with either default: only a value that is no boolean gives the default.
    struct TCase
    {
        const char* Text;
        bool WithFalse, WithTrue;
    };
    const TCase cases[] = {
        {"7", true, true},       {"-1", true, true},     {"0x0", false, false}, {"true", true, true},
        {"TRUE", true, true},    {"Yes", true, true},    {"y", true, true},     {"on", true, true},
        {"false", false, false}, {"No", false, false},   {"N", false, false},   {"OFF", false, false},
        {" true ", true, true},  {"truly", false, true}, {"", false, true},
    };
    std::string content = "[Pref]\n";
    for (std::size_t i = 0; i < std::size(cases); ++i)
        content += "k" + std::to_string(i) + "=" + cases[i].Text + "\n";
    Dir.Write("mvwhois.ini", content);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string key = "k" + std::to_string(i);
        EXPECT_EQ(Ini.ReadBool("Pref", key, false), cases[i].WithFalse) << cases[i].Text;
        EXPECT_EQ(Ini.ReadBool("Pref", key, true), cases[i].WithTrue) << cases[i].Text;
    }
}

TEST_F(IniFileTest, SectionListingKeepsFileOrderAndSkipsNonKeys)
{
    Dir.Write("mvwhois.ini", "[TLD]\nnet=a\n; comment=no\nno equals sign\n\nCOM = b\n=nameless\norg=c\n[Other]\nx=1\n");
    EXPECT_EQ(Ini.ReadSection("tld"), (std::vector<std::string>{"net", "COM", "org"}));
    EXPECT_EQ(Ini.ReadSection("other"), (std::vector<std::string>{"x"}));
    EXPECT_TRUE(Ini.ReadSection("missing").empty());
}

TEST_F(IniFileTest, SectionListingStopsAt16384BytesOfWholeNames)
{
    // Eight-character names take nine bytes each: 1820 of them fit, the 1821st would not.
    std::string content = "[Big]\n";
    for (int i = 0; i < 2000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "k%07d", i);
        content += std::string(name) + "=1\n";
    }
    Dir.Write("mvwhois.ini", content);
    const std::vector<std::string> names = Ini.ReadSection("Big");
    ASSERT_EQ(names.size(), 1820u);
    EXPECT_EQ(names.front(), "k0000000");
    EXPECT_EQ(names.back(), "k0001819");
}

TEST_F(IniFileTest, FirstSectionAndFirstKeyWin)
{
    Dir.Write("mvwhois.ini", "[S]\nk=first\nk=second\n[s]\nk=third\nonly=later\n");
    EXPECT_EQ(Ini.ReadString("S", "k", ""), "first");
    EXPECT_EQ(Ini.ReadString("S", "only", "none"), "none");
    Ini.WriteString("S", "k", "new");
    EXPECT_EQ(Dir.Read("mvwhois.ini"), "[S]\nk=new\nk=second\n[s]\nk=third\nonly=later\n");
}

TEST_F(IniFileTest, FirstWriteCreatesTheFileReadableByItsOwnerOnly)
{
    Ini.WriteString("Proxy", "Password", "secret");
    EXPECT_EQ(Dir.Read("mvwhois.ini"), "[Proxy]\nPassword=secret\n");
    EXPECT_EQ(ModeOf(Path), 0600u);
    EXPECT_EQ(FilesIn(Dir.Path()), 1u);
}

TEST_F(IniFileTest, ReplacingTheFileTightensItsModeToOwnerOnly)
{
    Dir.Write("mvwhois.ini", "[Proxy]\nPassword=old\n");
    ASSERT_EQ(chmod(Path.c_str(), 0644), 0);
    Ini.WriteString("Proxy", "Password", "new");
    EXPECT_EQ(ModeOf(Path), 0600u);
    Ini.WriteInteger("Pref", "Pause", 100);
    EXPECT_EQ(ModeOf(Path), 0600u);
}

TEST_F(IniFileTest, ReplacingAValueKeepsEveryOtherByte)
{
    const std::string before =
        "; kept comment\r\n[TLD]\r\n  com =  old.example  \r\nstray line\r\n[Pref]\r\nPause=1\r\n";
    Dir.Write("mvwhois.ini", before);
    Ini.WriteString("tld", "COM", "new.example");
    EXPECT_EQ(Dir.Read("mvwhois.ini"),
              "; kept comment\r\n[TLD]\r\n  com =new.example\r\nstray line\r\n[Pref]\r\nPause=1\r\n");
    Ini.WriteInteger("Pref", "Pause", 500);
    EXPECT_EQ(Ini.ReadInteger("PREF", "pause", 0), 500);
}

TEST_F(IniFileTest, NewKeysGoAfterTheLastLineOfTheirSection)
{
    Dir.Write("mvwhois.ini", "[TLD]\ncom=a\n\n[Pref]\nPause=1\n");
    Ini.WriteString("TLD", "net", "b");
    EXPECT_EQ(Dir.Read("mvwhois.ini"), "[TLD]\ncom=a\nnet=b\n\n[Pref]\nPause=1\n");
    Ini.WriteString("Pref", "UseHyp", "1");
    EXPECT_EQ(Dir.Read("mvwhois.ini"), "[TLD]\ncom=a\nnet=b\n\n[Pref]\nPause=1\nUseHyp=1\n");
    EXPECT_EQ(Ini.ReadSection("TLD"), (std::vector<std::string>{"com", "net"}));
}

TEST_F(IniFileTest, NewSectionsGoAtTheEndInTheFilesOwnLineBreaks)
{
    Dir.Write("mvwhois.ini", "[TLD]\r\ncom=a");
    Ini.WriteString("Proxy", "Server", "127.0.0.1");
    EXPECT_EQ(Dir.Read("mvwhois.ini"), "[TLD]\r\ncom=a\r\n[Proxy]\r\nServer=127.0.0.1\r\n");
    Ini.WriteString("TLD", "net", "b");
    EXPECT_EQ(Dir.Read("mvwhois.ini"), "[TLD]\r\ncom=a\r\nnet=b\r\n[Proxy]\r\nServer=127.0.0.1\r\n");

    Dir.Write("cr.ini", "[A]\rx=1\r");
    TIniFile crOnly(Dir.File("cr.ini"));
    crOnly.WriteString("B", "y", "2");
    EXPECT_EQ(Dir.Read("cr.ini"), "[A]\rx=1\r[B]\ry=2\r");
    EXPECT_EQ(crOnly.ReadString("A", "x", ""), "1");
}

TEST_F(IniFileTest, DeletingAKeyRemovesItsLineAndKeepsTheSection)
{
    Dir.Write("mvwhois.ini", "[TLD]\r\ncom=a\r\nnet=b\r\n[Pref]\r\nPause=1\r\n");
    Ini.DeleteKey("tld", "NET");
    EXPECT_EQ(Dir.Read("mvwhois.ini"), "[TLD]\r\ncom=a\r\n[Pref]\r\nPause=1\r\n");
    Ini.DeleteKey("TLD", "com");
    EXPECT_TRUE(Ini.SectionExists("TLD"));
    EXPECT_TRUE(Ini.ReadSection("TLD").empty());
    Ini.DeleteKey("TLD", "missing");
    Ini.DeleteKey("Missing", "com");
    EXPECT_EQ(Dir.Read("mvwhois.ini"), "[TLD]\r\n[Pref]\r\nPause=1\r\n");

    TIniFile absent(Dir.File("absent.ini"));
    absent.DeleteKey("TLD", "com");
    EXPECT_FALSE(std::filesystem::exists(absent.FileName()));
}

TEST_F(IniFileTest, FailedWritesRaiseTheUsersMessageAndLeaveNoTrace)
{
    TIniFile nowhere(Dir.File("no/such/folder/mvwhois.ini"));
    try {
        nowhere.WriteString("Pref", "Pause", "1");
        FAIL() << "no error raised";
    } catch (const TQuarrowError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + nowhere.FileName());
    }

    Dir.Write("mvwhois.ini", "[Pref]\nPause=1\n");
    ASSERT_EQ(chmod(Path.c_str(), 0400), 0);
    EXPECT_THROW(Ini.WriteInteger("Pref", "Pause", 2), TQuarrowError);
    EXPECT_THROW(Ini.DeleteKey("Pref", "Pause"), TQuarrowError);
    EXPECT_EQ(Dir.Read("mvwhois.ini"), "[Pref]\nPause=1\n");
    EXPECT_EQ(FilesIn(Dir.Path()), 1u);

    std::filesystem::create_directory(Dir.File("folder.ini"));
    TIniFile folder(Dir.File("folder.ini"));
    EXPECT_EQ(folder.ReadString("S", "k", "d"), "d");
    EXPECT_THROW(folder.WriteString("S", "k", "v"), TQuarrowError);
}

TEST_F(IniFileTest, WrittenLineBreaksCannotPlantKeys)
{
    Ini.WriteString("Proxy", "Server", "host\r\n[TLD]\ncom=evil.example");
    EXPECT_EQ(Ini.ReadString("TLD", "com", "fallback"), "fallback");
    EXPECT_EQ(Ini.ReadString("Proxy", "Server", ""), "host  [TLD] com=evil.example");
    Ini.WriteString("Proxy", "User", std::string("a\0b", 3));
    EXPECT_EQ(Ini.ReadString("Proxy", "User", ""), "a b");
}

TEST_F(IniFileTest, NamesThatCouldNotBeReadBackAreRefused)
{
    Dir.Write("mvwhois.ini", "[TLD]\ncom=a\n");
    for (const auto& [section, key] : std::vector<std::pair<std::string, std::string>>{
             {"TLD", "a=b"},
             {"TLD", ";com"},
             {"TLD", " [Pref]"},
             {"TL]D", "com"},
             // Written with the break made a blank, these were found by no read under the name given.
             {"TLD", "c\nom"},
             {"Pr\r\noxy", "Server"},
             {"TLD", "com\r"}}) {
        try {
            Ini.WriteString(section, key, "x");
            ADD_FAILURE() << section << " / " << key << " was written";
        } catch (const TQuarrowError& error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write to " + Path);
        }
    }
    EXPECT_EQ(Dir.Read("mvwhois.ini"), "[TLD]\ncom=a\n");
    Ini.WriteString("TLD", "co;m[", "fine");
    EXPECT_EQ(Ini.ReadString("TLD", "co;m[", ""), "fine");
}

TEST_F(IniFileTest, WritesGoThroughASymbolicLink)
{
    // A configuration kept with the user's dotfiles and linked into place.
    std::filesystem::create_directory(Dir.File("dotfiles"));
    Dir.Write("dotfiles/mvwhois.ini", "[Pref]\nPause=1\n");
    ASSERT_EQ(symlink("dotfiles/mvwhois.ini", Path.c_str()), 0);
    Ini.WriteInteger("Pref", "Pause", 500);
    EXPECT_TRUE(std::filesystem::is_symlink(Path));
    EXPECT_EQ(Dir.Read("dotfiles/mvwhois.ini"), "[Pref]\nPause=500\n");
    EXPECT_EQ(ModeOf(Dir.File("dotfiles/mvwhois.ini")), 0600u);

    // A link made before its file: the first write makes the file where the link points.
    std::filesystem::remove(Dir.File("dotfiles/mvwhois.ini"));
    Ini.WriteString("TLD", "com", "whois.example.net");
    EXPECT_TRUE(std::filesystem::is_symlink(Path));
    EXPECT_EQ(Dir.Read("dotfiles/mvwhois.ini"), "[TLD]\ncom=whois.example.net\n");
    EXPECT_EQ(ModeOf(Dir.File("dotfiles/mvwhois.ini")), 0600u);
    EXPECT_EQ(Ini.ReadString("TLD", "com", ""), "whois.example.net");
}

TEST_F(IniFileTest, MalformedFilesStillGiveSensibleValues)
{
    std::string content = "\xEF\xBB\xBF[TLD]\n"
                          "garbage without equals\n"
                          "com=whois.example.net\n"
                          "nul=ab";
    content += '\0';
    content += "cd\n";
    content += std::string("x\0y=1\n", 6);
    content += "[Broken\n"
               "com=inside-broken\n"
               "[Pref]\r"
               "Pause=0x1F4\r"
               "huge=" +
               std::string(10 * 1024 * 1024, 'h') +
               "\r"
               "Attempts=3\r";
    Dir.Write("mvwhois.ini", content);
    EXPECT_EQ(Ini.ReadString("TLD", "com", ""), "whois.example.net");
    EXPECT_EQ(Ini.ReadString("TLD", "nul", ""), "ab");
    EXPECT_EQ(Ini.ReadString("Broken", "com", ""), "inside-broken");
    EXPECT_EQ(Ini.ReadInteger("Pref", "Pause", 250), 500);
    EXPECT_EQ(Ini.ReadInteger("Pref", "Attempts", 5), 3);
    EXPECT_EQ(Ini.ReadString("Pref", "huge", "").size(), 2047u);
    EXPECT_EQ(Ini.ReadInteger("Pref", "huge", 9), 9);
    EXPECT_EQ(Ini.ReadSection("TLD"), (std::vector<std::string>{"com", "nul", std::string("x\0y", 3)}));

    Ini.WriteInteger("Pref", "Attempts", 4);
    const std::string after = Dir.Read("mvwhois.ini");
    EXPECT_EQ(after.size(), content.size());
    EXPECT_EQ(after.substr(0, after.size() - 3), content.substr(0, content.size() - 3));
    EXPECT_EQ(Ini.ReadInteger("Pref", "Attempts", 5), 4);
}

TEST_F(IniFileTest, ReadersNeverSeeAHalfWrittenFile)
{
    // The marker key sits after a value that changes length on every write; a reader catching the
    // file between truncation and the end of a rewrite would miss it.
    Ini.WriteString("S", "payload", "");
    Ini.WriteString("S", "marker", "present");
    std::atomic<bool> done{false};
    std::atomic<int> misses{0};
    std::atomic<int> reads{0};
    // Several readers, as the workers are, sharing what each of them reads.
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i)
        readers.emplace_back([&] {
            while (!done) {
                if (Ini.ReadString("S", "marker", "missing") != "present")
                    ++misses;
                ++reads;
            }
        });
    for (int i = 0; i < 300; ++i)
        Ini.WriteString("S", "payload", std::string(static_cast<std::size_t>(i % 7) * 5000, 'p'));
    done = true;
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(misses.load(), 0);
    EXPECT_EQ(FilesIn(Dir.Path()), 1u);
}

void SetModified(const std::string& path, std::time_t seconds)
{
    const timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// A file that has been quiet for a while is read once and kept, also for other instances: a change
// that leaves its size, modification time and inode alone is not seen, a change of any is.
TEST_F(IniFileTest, AQuietFileIsReadAgainOnlyWhenItsSizeTimeOrInodeChanges)
{
    const std::time_t anHourAgo = std::time(nullptr) - 3600;
    const auto write = [&](const std::string& name, const std::string& value, std::time_t modified) {
        SetModified(Dir.Write(name, "[Host]\nkey=" + value + "\n"), modified);
    };
    write("mvwhois.ini", "aaaa", anHourAgo);
    EXPECT_EQ(Ini.ReadString("Host", "key", ""), "aaaa");
    write("mvwhois.ini", "bbbb", anHourAgo);
    EXPECT_EQ(TIniFile(Path).ReadString("Host", "key", ""), "aaaa");
    SetModified(Path, anHourAgo - 1);
    EXPECT_EQ(Ini.ReadString("Host", "key", ""), "bbbb");
    write("mvwhois.ini", "ccccc", anHourAgo - 1);
    EXPECT_EQ(Ini.ReadSection("Host"), std::vector<std::string>{"key"});
    EXPECT_EQ(Ini.ReadString("Host", "key", ""), "ccccc");
    write("other.ini", "ddddd", anHourAgo - 1);
    ASSERT_EQ(::rename(Dir.File("other.ini").c_str(), Path.c_str()), 0);
    EXPECT_EQ(Ini.ReadString("Host", "key", ""), "ddddd");
    // A write of our own is seen at once.
    Ini.WriteString("Host", "key", "eeeee");
    SetModified(Path, anHourAgo - 1);
    EXPECT_EQ(Ini.ReadString("Host", "key", ""), "eeeee");

    // Within a tick of the file system's clock a change can leave the time as it was: a file
    // changed just before it was read is not kept.
    const std::time_t now = std::time(nullptr);
    write("mvwhois.ini", "fffff", now);
    EXPECT_EQ(Ini.ReadString("Host", "key", ""), "fffff");
    write("mvwhois.ini", "ggggg", now);
    EXPECT_EQ(Ini.ReadString("Host", "key", ""), "ggggg");
}

// Workers read a kept file while quiet files are renamed into its place (each with a time of its
// own, as a freed inode may come back): every read gives one whole file's value.
TEST_F(IniFileTest, ThreadsShareAKeptFileWhileItIsReplaced)
{
    std::time_t modified = std::time(nullptr) - 3600;
    const auto replace = [&](const std::string& value) {
        SetModified(Dir.Write("next.ini", "[Host]\nkey=" + value + "\n"), --modified);
        ASSERT_EQ(::rename(Dir.File("next.ini").c_str(), Path.c_str()), 0);
    };
    replace("one");
    std::atomic<bool> done{false};
    std::atomic<int> wrong{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i)
        readers.emplace_back([&] {
            while (!done) {
                const std::string value = Ini.ReadString("Host", "key", "");
                wrong += value != "one" && value != "two" ? 1 : 0;
            }
        });
    for (int i = 0; i < 200; ++i)
        replace(i % 2 == 0 ? "two" : "one");
    done = true;
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(Ini.ReadString("Host", "key", ""), "one");
}

// The sections of a kept file are found as a search of the text finds them.
TEST_F(IniFileTest, AKeptFileFindsEverySectionAsAFreshReadWould)
{
    Dir.Write("mvwhois.ini", "\xEF\xBB\xBF[A]\nk=1\n  [ b ]  \nk=2\n[A]\nk=3\n[c\nk=4\nx[d]\nk=5\n[]\nk=6\n[E]");
    SetModified(Path, std::time(nullptr) - 3600);
    EXPECT_EQ(Ini.ReadString("a", "k", ""), "1");
    EXPECT_EQ(Ini.ReadString("B", "k", ""), "2");
    // "x[d]" opens nothing: the key under it still belongs to c.
    EXPECT_EQ(Ini.ReadSection("c"), (std::vector<std::string>{"k", "k"}));
    EXPECT_FALSE(Ini.SectionExists("d"));
    EXPECT_EQ(Ini.ReadString("", "k", ""), "6");
    EXPECT_EQ(Ini.ReadSection("e"), std::vector<std::string>{});
    EXPECT_TRUE(Ini.SectionExists("e"));
}

TEST_F(IniFileTest, SeveralKeysReadInOneGoAndOnlyLineStartsOpenSections)
{
    Dir.Write("mvwhois.ini", "[host]\nv=[other]\n x = [fake]\n  [host.example]  \nnot_found=none\nregistrar= R \n"
                             "[host.example.net]\nregistrar=wrong\n");
    std::vector<std::string> values;
    EXPECT_TRUE(Ini.ReadStrings("HOST.example", {"registrar", "not_found", "missing"}, values));
    EXPECT_EQ(values, (std::vector<std::string>{"R", "none", ""}));
    EXPECT_TRUE(Ini.ReadStrings("other", {"v"}, values));
    EXPECT_EQ(values, std::vector<std::string>{""});
    EXPECT_TRUE(TIniFile(Dir.File("none.ini")).ReadStrings("host", {"v"}, values));
    // A folder at the path cannot be read: that is not the same as a missing key.
    EXPECT_FALSE(TIniFile(Dir.Path()).ReadStrings("host", {"v"}, values));
}

} // namespace
