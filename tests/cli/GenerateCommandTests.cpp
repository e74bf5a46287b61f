#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

TProcessResult Generate(const std::vector<std::string>& args)
{
    std::vector<std::string> all = {QUARROW_CLI_PATH, "generate"};
    all.insert(all.end(), args.begin(), args.end());
    return RunProcess(all);
}

// One line, ending in a newline, naming the problem.
void ExpectUsageError(const TProcessResult& result, const std::string& mentions)
{
    EXPECT_EQ(result.ExitStatus, 2);
    EXPECT_EQ(result.Out, "");
    EXPECT_NE(result.Err.find(mentions), std::string::npos) << result.Err;
    ASSERT_FALSE(result.Err.empty());
    EXPECT_EQ(result.Err.find('\n'), result.Err.size() - 1) << result.Err;
}

TEST(GenerateCommand, PrintsNamesInGenerationOrderWithHyphens)
{
    const TProcessResult result =
        Generate({"--prefix", "web", "--keyword", "shop,store", "--suffix", "s,hub", "--tld", "com,net", "--hyphens"});
    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Err, "");
    EXPECT_EQ(result.Out, "shop.com\nshop.net\nstore.com\nstore.net\nshops.com\nshops.net\nshop-hub.com\n"
                          "shop-hub.net\nweb-shop.com\nweb-shop.net\nstores.com\nstores.net\nstore-hub.com\n"
                          "store-hub.net\nweb-store.com\nweb-store.net\n");
}

TEST(GenerateCommand, PrintsUnhyphenatedNamesWithoutTheSwitch)
{
    const TProcessResult result =
        Generate({"--prefix", "web", "--keyword", "shop,store", "--suffix", "s,hub", "--tld", "com,net"});
    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, "shop.com\nshop.net\nstore.com\nstore.net\nshops.com\nshops.net\nshophub.com\n"
                          "shophub.net\nwebshop.com\nwebshop.net\nstores.com\nstores.net\nstorehub.com\n"
                          "storehub.net\nwebstore.com\nwebstore.net\n");
}

TEST(GenerateCommand, AcceptsEqualsFormRepeatedOptionsAndTrimsWords)
{
    const TProcessResult result = Generate({"--keyword=shop", "--tld", " com , ,net", "--keyword", " store"});
    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, "shop.com\nshop.net\nstore.com\nstore.net\n");
}

// The command line reads a word list as a word page reads a typed one: quotes group, a tab ends a word.
TEST(GenerateCommand, WordListsAreSplitAsTheWordPagesSplitThem)
{
    const TProcessResult result = Generate({"--keyword", "\"shop\",store\tx", "--tld", "com"});
    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, "shop.com\nstore.com\nx.com\n");
}

TEST(GenerateCommand, AffixesOnlyWithTheirOptions)
{
    const TProcessResult result = Generate({"--keyword", "shop", "--tld", "com", "--prefix", "e", "--hyphens"});
    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, "shop.com\ne-shop.com\n");
}

TEST(GenerateCommand, MissingKeywordsOrTldsIsBadUsage)
{
    ExpectUsageError(Generate({"--tld", "com"}), "keyword");
    ExpectUsageError(Generate({"--keyword", "shop"}), "top-level domain");
    ExpectUsageError(Generate({"--keyword", " , ", "--tld", "com"}), "keyword");
    ExpectUsageError(Generate({}), "keyword");
    ExpectUsageError(Generate({"--keyword", "shop", "--tld", "com", "--prefix", ""}), "prefix");
    ExpectUsageError(Generate({"--keyword", "shop", "--tld", "com", "--suffix", ","}), "suffix");
}

TEST(GenerateCommand, UnknownOptionsAndMissingValuesAreBadUsage)
{
    ExpectUsageError(Generate({"--keyword", "shop", "--tld", "com", "--colour"}), "--colour");
    ExpectUsageError(Generate({"--keyword", "shop", "--tld", "com", "stray"}), "stray");
    ExpectUsageError(Generate({"--keyword", "shop", "--tld"}), "--tld");
    ExpectUsageError(Generate({"--keyword", "shop", "--tld", "com", "--hyphens=yes"}), "--hyphens");
}

std::string Words(const std::string& stem, int count)
{
    std::string words;
    for (int i = 0; i < count; ++i)
        words += (i == 0 ? "" : ",") + stem + std::to_string(i);
    return words;
}

// Lists whose product no run can make, or no project can hold, end at once with the count; names
// for standard output are written as they are made, never held all at once.
TEST(GenerateCommand, RunsTooLargeAreRefusedByTheirCountAndLargeOnesStream)
{
    const std::vector<std::string> huge = {"--keyword",      Words("k", 3000), "--tld",
                                           Words("t", 3000), "--suffix",       Words("s", 300)};
    ExpectUsageError(Generate(huge), "2709000000 names");

    // 2,004,000,000 names: within a 32-bit count, but about 30 GB of text.
    std::vector<std::string> large = {"--keyword",      Words("k", 2000), "--tld",
                                      Words("t", 2000), "--suffix",       Words("s", 500)};
    TTempDir dir;
    std::vector<std::string> toProject = large;
    toProject.insert(toProject.end(), {"-o", dir.File("p.prj.xml")});
    ExpectUsageError(Generate(toProject), "2004000000 names");
    EXPECT_FALSE(std::filesystem::exists(dir.File("p.prj.xml")));

    // Into a pipe whose reader has gone: the first full buffer fails, the run ends there.
    large.insert(large.begin(), {QUARROW_CLI_PATH, "generate"});
    const TProcessResult result = RunProcess(large, {}, {}, TStandardOutput::ClosedPipe);
    EXPECT_EQ(result.ExitStatus, 2);
    EXPECT_EQ(result.Err, "quarrow-cli: generate: cannot write the names to standard output\n");
    EXPECT_LT(result.PeakMemoryKb, 512 * 1024);
}

} // namespace

TEST(GenerateCommand, InternationalNamesAsTypedOrInALabels)
{
    const std::vector<std::string> words = {"--keyword", "Straße,café", "--tld", "de,рф"};
    TProcessResult result = Generate(words);
    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, "Straße.de\nStraße.рф\ncafé.de\ncafé.рф\n");

    std::vector<std::string> ace = words;
    ace.push_back("--ace");
    result = Generate(ace);
    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, "xn--strae-oqa.de\nxn--strae-oqa.xn--p1ai\nxn--caf-dma.de\nxn--caf-dma.xn--p1ai\n");

    // Words of one script each can still make a label of two: left out of the A-labels, and named.
    result = Generate({"--prefix", "my", "--keyword", "кафе", "--tld", "de", "--ace"});
    EXPECT_EQ(result.ExitStatus, 1);
    EXPECT_EQ(result.Out, "xn--80akn5b.de\n");
    EXPECT_EQ(result.Err, "quarrow-cli: generate: \"myкафе.de\" has no A-label form: A label of the name mixes "
                          "scripts (Latin and Cyrillic letters).\n");
    ExpectUsageError(Generate({"--keyword", "shop", "--tld", "de", "--ace", "-o", "x.prj.xml"}), "--ace");
}

TEST(GenerateCommand, WordsTheWindowWouldRefuseAreBadUsage)
{
    ExpectUsageError(Generate({"--keyword", "shop,p\xD0\xB0ypal", "--tld", "com"}), "\"p\xD0\xB0ypal\" mixes scripts");
    ExpectUsageError(Generate({"--keyword", "shop", "--suffix", "1שלום", "--tld", "com"}), "\"1שלום\" breaks the rule");
}

namespace {

// The A-labels of one type in the shipped groups file, in file order.
std::vector<std::string> ShippedOfType(const std::string& type)
{
    std::ifstream in(QUARROW_SOURCE_DATA_DIR "/tld-groups.txt");
    std::vector<std::string> tlds;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string tld;
        std::string kind;
        if (fields >> tld >> kind && tld[0] != ';' && kind == type)
            tlds.push_back(tld);
    }
    return tlds;
}

} // namespace

TEST(GenerateCommand, GroupsGiveOneNamePerMemberBesidePlainTldsAndAnUnknownOneIsRefused)
{
    const std::vector<std::string> countryCodes = ShippedOfType("country-code");
    ASSERT_GT(countryCodes.size(), 200u);
    const TProcessResult result = Generate({"--keyword", "lantern", "--tld", "com,@country-code", "--ace"});
    ASSERT_EQ(result.ExitStatus, 0) << result.Err;
    std::string expected = "lantern.com\n";
    for (const std::string& tld : countryCodes)
        expected += "lantern." + tld + "\n";
    EXPECT_EQ(result.Out, expected);

    // As typed, internationalised ones come in U-labels; a member named already is not repeated.
    const TProcessResult common = Generate({"--keyword", "x", "--tld", "de,@COMMON,рф,@idn"});
    ASSERT_EQ(common.ExitStatus, 0) << common.Err;
    EXPECT_EQ(common.Out.find("x.de\n"), 0u);
    EXPECT_EQ(common.Out.find("x.de\n", 1), std::string::npos);
    EXPECT_NE(common.Out.find("\nx.com\n"), std::string::npos);
    EXPECT_NE(common.Out.find("\nx.рф\n"), std::string::npos);
    EXPECT_EQ(common.Out.find("xn--"), std::string::npos);

    ExpectUsageError(Generate({"--keyword", "x", "--tld", "com,@brand"}),
                     "unknown group \"@brand\"; the groups are @common, @country-code, @generic, @sponsored, @idn, "
                     "@all");
}

TEST(GenerateCommand, WithoutAGroupsFileTheGroupsAreEmptyWithOneMessage)
{
    TTempDir dir;
    const std::string program = dir.File("quarrow-cli");
    std::filesystem::copy_file(QUARROW_CLI_PATH, program);
    const TProcessResult result = RunProcess({program, "generate", "--keyword", "x", "--tld", "com,@generic,@idn"});
    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, "x.com\n");
    EXPECT_EQ(result.Err, "quarrow-cli: generate: The top-level domain groups are empty: tld-groups.txt is missing.\n");
}
