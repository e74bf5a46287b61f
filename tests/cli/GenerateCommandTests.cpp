#include "support/ProcessRunner.h"

#include <gtest/gtest.h>

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

} // namespace
