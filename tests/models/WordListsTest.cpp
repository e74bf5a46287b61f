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
    const std::string config =
        dir.Write("mvwhois.ini", "[Pref]\nThrdCount=3\n[TLD]\nnet=a\ncom=b\nxn--p1ai=c\nxn--zz--=d\n");
    Lists.Tlds().SetAll({{"old", true}});
    Lists.LoadDefaultTlds(config);
    // The table's A-labels as a person types them; a key that is no valid A-label stays as it is.
    EXPECT_EQ(Lists.Tlds().All(), Unticked({"net", "com", "рф", "xn--zz--"}));
    Lists.LoadDefaultTlds(dir.File("missing.ini"));
    EXPECT_EQ(Lists.Tlds().Count(), 0);
}

TEST_F(WordListsTest, WordsNoRegistryCouldTakeAreRefusedByNameAndChangeNothing)
{
    // Which words are refused, and how the message reads, is TIdnaName's (IdnaNameTest).
    Lists.AddWords(TWordLists::PageKeywords, "shop");
    EXPECT_EQ(Lists.AddWords(TWordLists::PageKeywords, "1שלום").rfind("The word \"1שלום\"", 0), 0u);
    // One bad word among several refuses the whole text: the list it would replace stays.
    EXPECT_EQ(Lists.AddWords(TWordLists::PageKeywords, "good, straße,p\xD0\xB0ypal ,more")
                  .rfind("The word \"p\xD0\xB0ypal\" mixes scripts", 0),
              0u);
    EXPECT_EQ(Lists.Keywords().All(), (std::vector<TWordEntry>{{"shop", true}}));
    // Blanks and control characters around a word are no part of it.
    EXPECT_EQ(Lists.AddWords(TWordLists::PageKeywords, " \tstraße \t"), "");
    EXPECT_EQ(Lists.AddWords(TWordLists::PageKeywords, "東京,кафе,שלום"), "");
    EXPECT_EQ(Lists.Keywords().All(), Unticked({"東京", "кафе", "שלום"}));
}

} // namespace

namespace {

// The shown texts of a page, in order.
TWords ShownTexts(const TWordLists& lists, int page)
{
    TWords texts;
    const TWordFilterProxy& shown = lists.Shown(page);
    for (int row = 0; row < shown.rowCount(); ++row)
        texts.push_back(shown.index(row, 0).data().toString().toStdString());
    return texts;
}

const char* const GroupsFile = "; comment\n"
                               "com generic common\n"
                               "de country-code common\n"
                               "fr country-code\n"
                               "museum sponsored\n"
                               "xn--p1ai country-code idn\n"
                               "xn--vermgensberater-ctb generic idn\n";

} // namespace

TEST_F(WordListsTest, TheFieldFiltersByEitherLabelFormAndTicksSurviveIt)
{
    QAbstractItemModelTester tester(&Lists.Shown(TWordLists::PageTld),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    Lists.Tlds().SetAll(Unticked({"com", "Berlin", "рф", "vermögensberater", "xn--90ais", "de"}));
    struct TCase
    {
        const char* Typed;
        TWords Shown;
    };
    const TCase cases[] = {
        {"", {"com", "Berlin", "рф", "vermögensberater", "xn--90ais", "de"}},
        {"ER", {"Berlin", "vermögensberater"}}, // any case, anywhere in the word
        {" berl ", {"Berlin"}},                 // blanks around the text do not count
        {"xn--p1", {"рф"}},                     // a U-label by its A-label
        {"РФ", {"рф"}},                         // other letters in any case
        {"бел", {"xn--90ais"}},                 // an A-label by its U-label (бел)
        {"ctb", {"vermögensberater"}},
        {"com,de", {"com", "Berlin", "рф", "vermögensberater", "xn--90ais", "de"}}, // a list to add: no filter
        {"zz", {}},
    };
    for (const TCase& test : cases) {
        Lists.SetFilter(TWordLists::PageTld, QString::fromUtf8(test.Typed));
        EXPECT_EQ(ShownTexts(Lists, TWordLists::PageTld), test.Shown) << test.Typed;
    }

    // A tick made on a filtered view reaches the list and stays when the filter changes.
    Lists.SetFilter(TWordLists::PageTld, QStringLiteral("berl"));
    QAbstractItemModel& shown = Lists.Shown(TWordLists::PageTld);
    ASSERT_TRUE(shown.setData(shown.index(0, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(Lists.TickLine(TWordLists::PageTld), "1 of 6 ticked, 1 shown");
    Lists.SetFilter(TWordLists::PageTld, QStringLiteral("zz"));
    EXPECT_EQ(Lists.TickLine(TWordLists::PageTld), "1 of 6 ticked, 0 shown");
    Lists.SetFilter(TWordLists::PageTld, QString());
    EXPECT_EQ(Lists.Tlds().CollectTicked(), TWords{"Berlin"});
    EXPECT_EQ(Lists.TickLine(TWordLists::PageTld), "1 of 6 ticked");
    EXPECT_EQ(Lists.SourceRow(TWordLists::PageTld, 1), 1);

    // A word added while a filter is typed goes into the list as ever.
    Lists.SetFilter(TWordLists::PageTld, QStringLiteral("ber"));
    Lists.AddWords(TWordLists::PageTld, "ber");
    EXPECT_EQ(Lists.Tlds().At(0), (TWordEntry{"ber", true}));
    EXPECT_EQ(ShownTexts(Lists, TWordLists::PageTld), (TWords{"ber", "Berlin", "vermögensberater"}));
    EXPECT_EQ(Lists.SourceRow(TWordLists::PageTld, 2), 4);
}

TEST_F(WordListsTest, GroupsTickTheirMembersShownOrNotAndEverythingShownOnlyTheRowsInSight)
{
    std::string problem;
    Lists.SetTldGroups(TTldGroups::Parse(GroupsFile, problem));
    ASSERT_EQ(problem, "");
    Lists.Tlds().SetAll(Unticked({"com", "de", "fr", "museum", "рф", "vermögensberater", "org"}));
    Lists.SetFilter(TWordLists::PageTld, QStringLiteral("m"));

    const int before = Changes;
    Lists.SetGroupChecked(TTldGroups::TGroup::CountryCode, true);
    EXPECT_EQ(Lists.Tlds().CollectTicked(), (TWords{"de", "fr", "рф"}));
    EXPECT_GT(Changes, before);
    Lists.SetGroupChecked(TTldGroups::TGroup::Common, true);
    Lists.SetGroupChecked(TTldGroups::TGroup::Idn, false);
    EXPECT_EQ(Lists.Tlds().CollectTicked(), (TWords{"com", "de", "fr"}));
    Lists.SetGroupChecked(TTldGroups::TGroup::Sponsored, true);
    EXPECT_EQ(Lists.Tlds().CollectTicked(), (TWords{"com", "de", "fr", "museum"}));

    // "m" shows com, museum and vermögensberater: only they change.
    Lists.SetShownChecked(TWordLists::PageTld, false);
    EXPECT_EQ(Lists.Tlds().CollectTicked(), (TWords{"de", "fr"}));
    Lists.SetShownChecked(TWordLists::PageTld, true);
    EXPECT_EQ(Lists.Tlds().CollectTicked(), (TWords{"com", "de", "fr", "museum", "vermögensberater"}));
    Lists.SetFilter(TWordLists::PageTld, QString());
    Lists.SetShownChecked(TWordLists::PageTld, true);
    EXPECT_EQ(Lists.TickLine(TWordLists::PageTld), "7 of 7 ticked");

    // Without a groups file the groups tick nothing.
    Lists.SetAllChecked(TWordLists::PageTld, false);
    Lists.SetTldGroups(TTldGroups{});
    Lists.SetGroupChecked(TTldGroups::TGroup::All, true);
    EXPECT_EQ(Lists.Tlds().TickedCount(), 0);
}

TEST(TldGroupsTest, ReadsTypesAndMarksAndRefusesADamagedFileWhole)
{
    std::string problem;
    const TTldGroups groups = TTldGroups::Parse(GroupsFile, problem);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(groups.Members(TTldGroups::TGroup::CountryCode), (TWords{"de", "fr", "xn--p1ai"}));
    EXPECT_EQ(groups.Members(TTldGroups::TGroup::Generic), (TWords{"com", "xn--vermgensberater-ctb"}));
    EXPECT_EQ(groups.Members(TTldGroups::TGroup::Idn), (TWords{"xn--p1ai", "xn--vermgensberater-ctb"}));
    EXPECT_EQ(groups.Members(TTldGroups::TGroup::All).size(), 6u);
    EXPECT_TRUE(groups.InGroup("XN--P1AI", TTldGroups::TGroup::Idn));
    EXPECT_FALSE(groups.InGroup("org", TTldGroups::TGroup::All));

    const std::pair<const char*, const char*> damaged[] = {
        {"com generic\nfr\n", "line 2 is not a top-level domain and its type"},
        {"com brand\n", "line 1 names the unknown type \"brand\""},
        {"com generic shiny\n", "line 1 holds the unknown mark \"shiny\""},
        {"com generic\nCOM generic\n", "line 2 is not a top-level domain and its type"},
        {"com generic\ncom sponsored\n", "line 2 repeats the top-level domain com"},
        {"<html>\n", "line 1 is not a top-level domain and its type"},
        {"; only a comment\n", "the file names no top-level domain"},
    };
    for (const auto& [text, why] : damaged) {
        EXPECT_TRUE(TTldGroups::Parse(text, problem).Empty()) << text;
        EXPECT_EQ(problem, why) << text;
    }

    TTempDir dir;
    EXPECT_TRUE(TTldGroups::Read(dir.File("tld-groups.txt"), problem).Empty());
    EXPECT_EQ(problem,
              "The top-level domain groups are empty: the file is missing (" + dir.File("tld-groups.txt") + ").");
    EXPECT_EQ(TTldGroups::GroupNamed("Country-Code"), TTldGroups::TGroup::CountryCode);
    EXPECT_EQ(TTldGroups::GroupNamed("brand"), std::nullopt);
    EXPECT_EQ(TTldGroups::GroupList(), "@common, @country-code, @generic, @sponsored, @idn, @all");
}
