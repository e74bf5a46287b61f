#include "WindowRig.h"

#include "app/MainActions.h"
#include "engine/GenerateCommand.h"
#include "gui/WordListsPanel.h"
#include "models/WordLists.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const char* const Table = "[TLD]\ncom=127.0.0.1\nde=127.0.0.1\norg=127.0.0.1\nfr=127.0.0.1\n"
                          "museum=127.0.0.1\nxn--p1ai=127.0.0.1\n";
const char* const Groups = "com generic common\nde country-code common\nfr country-code\norg generic common\n"
                           "museum sponsored\nxn--p1ai country-code idn\n";

std::vector<std::string> Shown(QListView* list)
{
    std::vector<std::string> texts;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        texts.push_back(list->model()->index(row, 0).data().toString().toStdString());
    return texts;
}

// Type a filter, tick a group from the context menu, clear the filter and generate: the ticks
// made while the list was filtered are the ones the names are made of.
TEST(TldPageTest, TicksMadeThroughAFilterHoldAfterItIsClearedAndMakeTheNames)
{
    TWindowRig rig;
    rig.WriteConfig(Table);
    TfMain& window = rig.Open();
    std::string problem;
    window.WordLists().SetTldGroups(TTldGroups::Parse(Groups, problem));
    TWordListsPanel& pages = window.WordPages();
    rig.Type(TWordLists::PageKeywords, "lantern");

    pages.setCurrentIndex(TWordLists::PageTld);
    QLineEdit* field = pages.Field(TWordLists::PageTld);
    QListView* list = pages.ListView(TWordLists::PageTld);
    QTest::keyClicks(field, "xn--p1");
    EXPECT_EQ(Shown(list), std::vector<std::string>{"рф"});
    EXPECT_EQ(pages.TickLabel(TWordLists::PageTld)->text(), "0 of 6 ticked, 1 shown");

    pages.UpdateWordsMenu();
    QMenu* menu = pages.WordsMenu();
    QAction* countryCodes = menu->findChild<QAction*>(QStringLiteral("miTickCountryCodes"));
    ASSERT_NE(countryCodes, nullptr);
    EXPECT_TRUE(countryCodes->isEnabled());
    EXPECT_TRUE(menu->findChild<QMenu*>(QStringLiteral("miTickGroup"))->menuAction()->isVisible());
    countryCodes->trigger();
    EXPECT_EQ(pages.TickLabel(TWordLists::PageTld)->text(), "3 of 6 ticked, 1 shown");
    EXPECT_EQ(list->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);

    field->clear();
    EXPECT_EQ(Shown(list), (std::vector<std::string>{"com", "de", "org", "fr", "museum", "рф"}));
    EXPECT_EQ(pages.TickLabel(TWordLists::PageTld)->text(), "3 of 6 ticked");
    EXPECT_EQ(window.WordLists().Tlds().CollectTicked(), (std::vector<std::string>{"de", "fr", "рф"}));

    window.Actions().aGenerate->trigger();
    ASSERT_TRUE(rig.WaitUntil([&] { return !window.Generate().Busy() && window.Model().RowCount() > 0; }));
    std::vector<std::string> names;
    for (int row = 0; row < window.Model().RowCount(); ++row)
        names.push_back(window.Model().Caption(row));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"lantern.de", "lantern.fr", "lantern.рф"}));
}

// The other word pages filter the same way; a selected entry is the list's own row, so Delete
// removes the entry the user sees selected, not the one at that place in the whole list.
TEST(TldPageTest, WordPagesFilterAndActOnTheEntryShown)
{
    TWindowRig rig;
    rig.WriteConfig(Table);
    TfMain& window = rig.Open();
    TWordListsPanel& pages = window.WordPages();
    rig.Type(TWordLists::PageKeywords, "alpha,beta,gamma,delta");
    QTest::keyClicks(pages.Field(TWordLists::PageKeywords), "ta");
    QListView* list = pages.ListView(TWordLists::PageKeywords);
    EXPECT_EQ(Shown(list), (std::vector<std::string>{"beta", "delta"}));
    list->setCurrentIndex(list->model()->index(1, 0));
    pages.UpdateWordsMenu();
    pages.WordsMenu()->findChild<QAction*>(QStringLiteral("miDelete"))->trigger();
    EXPECT_EQ(window.WordLists().Keywords().All(),
              (std::vector<TWordEntry>{{"alpha", false}, {"beta", false}, {"gamma", false}}));
    EXPECT_FALSE(pages.WordsMenu()->findChild<QMenu*>(QStringLiteral("miTickGroup"))->menuAction()->isVisible());
    EXPECT_EQ(pages.TickLabel(TWordLists::PageKeywords)->accessibleName(), "Ticked keywords");
}

} // namespace
