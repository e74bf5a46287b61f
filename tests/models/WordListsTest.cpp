#include "models/WordLists.h"
#include "core/SplitWords.h"
#include "support/TempDir.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using TWords = std::vector<std::string>;

std::vector<TWordEntry> Unticked(const TWords& words)
{
    std::vector<TWordEntry> entries;
    for (const std::string& word : words)
        entries.push_back({word, false});
    return entries;
}

TEST(SplitWordsTest, FollowsTheTypedListRules)
{
    // Blanks before a word are skipped; blanks inside and at its end belong to it.
    EXPECT_EQ(SplitWords("alpha, beta ,gamma", ','), (TWords{"alpha", "beta ", "gamma"}));
    EXPECT_EQ(SplitWords("a,,b", ','), (TWords{"a", "", "b"}));
    EXPECT_EQ(SplitWords(",a", ','), (TWords{"", "a"}));
    EXPECT_EQ(SplitWords("a,", ','), (TWords{"a"}));
    EXPECT_EQ(SplitWords("\"x, y\",z", ','), (TWords{"x, y", "z"}));
    EXPECT_EQ(SplitWords("\"say \"\"hi\"\"\",b", ','), (TWords{"say \"hi\"", "b"}));
    // An unclosed quote runs to the end; a control character ends an unquoted word.
    EXPECT_EQ(SplitWords("\"open, end", ','), (TWords{"open, end"}));
    EXPECT_EQ(SplitWords("one\ttwo,three", ','), (TWords{"one", "two", "three"}));
    EXPECT_EQ(SplitWords("  \r\n ", ','), TWords{});
}

TEST(SplitWordsTest, NulBytesSeparateLikeBlanks)
{
    const std::string text("a\0b,\0", 5);
    EXPECT_EQ(SplitWords(text, ','), (TWords{"a", "b"}));
}

class WordListsTest : public ::testing::Test
{
protected:
    TWordLists Lists;
    QAbstractItemModelTester PrefixTester{&Lists.Prefixes(), QAbstractItemModelTester::FailureReportingMode::Fatal};
    int Changes = 0;

    void SetUp() override
    {
        QObject::connect(&Lists, &TWordLists::Changed, [this] { ++Changes; });
    }
};

TEST_F(WordListsTest, AddingAWordPutsItFirstTickedAndSkipsACaseInsensitiveDuplicate)
{
    Lists.AddWords(TWordLists::PagePrefix, "shop");
    Lists.AddWords(TWordLists::PagePrefix, "Shop");
    Lists.AddWords(TWordLists::PagePrefix, "shop2");
    Lists.AddWords(TWordLists::PagePrefix, " \t ");
    EXPECT_EQ(Lists.Prefixes().All(), (std::vector<TWordEntry>{{"shop2", true}, {"shop", true}}));
    // The add button marks the project modified even when nothing was added.
    EXPECT_EQ(Changes, 4);
}

TEST_F(WordListsTest, ATextWithACommaReplacesTheListByItsWordsUnticked)
{
    Lists.AddWords(TWordLists::PagePrefix, "old");
    Lists.AddWords(TWordLists::PagePrefix, "a,b");
    EXPECT_EQ(Lists.Prefixes().All(), Unticked({"a", "b"}));
}

TEST_F(WordListsTest, LongWordsAndLongListsAreKeptWhole)
{
    const std::string longWord(10000, 'w');
    Lists.AddWords(TWordLists::PageKeywords, longWord);
    EXPECT_EQ(Lists.Keywords().At(0).Text, longWord);

    std::string many;
    for (int i = 0; i < 100000; ++i)
        many += "w" + std::to_string(i) + ",";
    Lists.AddWords(TWordLists::PageKeywords, many);
    ASSERT_EQ(Lists.Keywords().Count(), 100000);
    EXPECT_EQ(Lists.Keywords().At(99999).Text, "w99999");
}

TEST_F(WordListsTest, MoveToAppendsUntickedAndNeverTouchesTheTldList)
{
    Lists.Prefixes().SetAll({{"web", true}, {"my", true}});
    Lists.Suffixes().SetAll({{"hub", false}});
    Lists.Tlds().SetAll({{"com", true}});

    Lists.MoveTo(TWordLists::PagePrefix, 0, TWordLists::PageSuffix);
    EXPECT_EQ(Lists.Prefixes().All(), (std::vector<TWordEntry>{{"my", true}}));
    EXPECT_EQ(Lists.Suffixes().All(), Unticked({"hub", "web"}));
    EXPECT_EQ(Changes, 1);

    // Nothing selected, onto its own list, out of or into the TLD list: nothing changes.
    Lists.MoveTo(TWordLists::PagePrefix, -1, TWordLists::PageKeywords);
    Lists.MoveTo(TWordLists::PagePrefix, 0, TWordLists::PagePrefix);
    Lists.MoveTo(TWordLists::PageTld, 0, TWordLists::PagePrefix);
    Lists.MoveTo(TWordLists::PagePrefix, 0, TWordLists::PageTld);
    EXPECT_EQ(Lists.Prefixes().Count(), 1);
    EXPECT_EQ(Lists.Tlds().Count(), 1);
    EXPECT_EQ(Changes, 1);
}

TEST_F(WordListsTest, PopupStatesFollowTheListAndItsPage)
{
    const auto empty = TWordLists::PopupState(TWordLists::PagePrefix, 0, -1);
    EXPECT_FALSE(empty.SelectAllEnabled);
    EXPECT_FALSE(empty.DeleteEnabled);
    EXPECT_FALSE(empty.MoveToEnabled);
    EXPECT_TRUE(empty.MoveToVisible);

    const auto unselected = TWordLists::PopupState(TWordLists::PageSuffix, 3, -1);
    EXPECT_TRUE(unselected.SelectAllEnabled);
    EXPECT_FALSE(unselected.DeleteEnabled);
    EXPECT_TRUE(unselected.MoveToEnabled);
    EXPECT_EQ(unselected.MoveTargetVisible, (std::array<bool, 3>{true, true, false}));

    EXPECT_TRUE(TWordLists::PopupState(TWordLists::PageSuffix, 3, 2).DeleteEnabled);
    EXPECT_FALSE(TWordLists::PopupState(TWordLists::PageTld, 3, 0).MoveToVisible);
}

TEST_F(WordListsTest, AUserTickMarksModifiedButLoadingAWordListDoesNot)
{
    Lists.Keywords().SetAll(Unticked({"shop"}));
    Lists.Keywords().setData(Lists.Keywords().index(0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_TRUE(Lists.Keywords().At(0).Checked);
    EXPECT_EQ(Changes, 1);

    Lists.ApplyWordListData({Unticked({"pre"}), {{"suf", true}}});
    EXPECT_EQ(Lists.Prefixes().All(), Unticked({"pre"}));
    EXPECT_EQ(Lists.Keywords().Count(), 1);
    EXPECT_EQ(Changes, 1);
}

TEST_F(WordListsTest, DefaultTldsAreTheKeysOfSectionTldInFileOrderUnticked)
{
    TTempDir dir;
    const std::string config = dir.Write("mvwhois.ini", "[Pref]\nThrdCount=3\n[TLD]\nnet=a\ncom=b\norg=c\n");
    Lists.Tlds().SetAll({{"old", true}});
    Lists.LoadDefaultTlds(config);
    EXPECT_EQ(Lists.Tlds().All(), Unticked({"net", "com", "org"}));
    Lists.LoadDefaultTlds(dir.File("missing.ini"));
    EXPECT_EQ(Lists.Tlds().Count(), 0);
}

} // namespace
