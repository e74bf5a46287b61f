// The answers panel of the main window: a row checked against a loopback host shows why it reads
// free or taken on a line of its own above the answers, which stay as the host sent them; a row
// loaded from a project shows it once its stored answer has been read again.
#include "WindowRig.h"

#include "engine/GenerateCommand.h"
#include "models/WordLists.h"
#include "support/FakeWhoisServer.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class AnswersPanelTest : public ::testing::Test
{
protected:
    TWindowRig Rig;
    TFakeWhoisServer Server{"127.0.0.1", 0};

    void SetUp() override
    {
        Rig.WriteConfig("[Pref]\nPause=1\nThrdCount=2\nAttempts=1\n[TLD]\ncom=127.0.0.1\n"
                        "[127.0.0.1]\nnot_found_strings=No match\nregistrar_string=Registrar:\n");
        Rig.Open(Server.Port());
    }

    // Clicks the row of `name` and returns the lines the panel shows: the why line (empty when
    // hidden), then the answers.
    QStringList Select(const QString& name) const
    {
        QTableView* view = Rig.Window->DomainView();
        const QModelIndexList found =
            view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
        EXPECT_EQ(found.size(), 1) << name.toStdString();
        if (found.isEmpty())
            return {};
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(found[0]).center());
        QLabel* why = Rig.Window->WhyLine();
        QStringList lines{why->isVisible() ? why->text() : QString()};
        for (int i = 0; i < Rig.Window->AnswersPanel()->count(); ++i)
            lines << Rig.Window->AnswersPanel()->item(i)->text();
        return lines;
    }
};

TEST_F(AnswersPanelTest, FreeAndTakenRowsShowTheEvidenceAboveTheirAnswersAndLoadedRowsTheirAnswerReadAgain)
{
    Server.SetAnswer("free.com", "No match for free.com");
    Server.SetAnswer("taken.com", "Domain Name: taken.com\r\nRegistrar: Example Registrar");
    Server.SetAnswer("odd.com", "Hello");
    TWordLists& lists = Rig.Window->WordLists();
    for (const char* word : {"free", "taken", "odd"})
        lists.Keywords().Append(word, true);
    lists.Tlds().SetAll({{"com", true}});
    Rig.Window->GenerateNames();
    TDomainTableModel& model = Rig.Window->Model();
    ASSERT_TRUE(Rig.WaitUntil([&] { return model.RowCount() == 3 && !Rig.Window->Generate().Busy(); }));
    Rig.Window->findChild<QAction*>("aStartAll")->trigger();
    ASSERT_TRUE(Rig.WaitUntil([&] { return model.ResultCount(TRowResult::Unchecked) == 0; }));

    EXPECT_EQ(Rig.Window->WhyLine()->accessibleName(), "Why this verdict");
    const QString line(69, QLatin1Char('-'));
    EXPECT_EQ(Select("free.com"),
              QStringList({"Free: The answer holds the not-found text \"No match\".", "No match for free.com", line}));
    EXPECT_EQ(Rig.Window->WhyLine()->accessibleDescription(), Rig.Window->WhyLine()->text());
    const QStringList taken = Select("taken.com");
    EXPECT_EQ(taken, QStringList({"Taken: The answer holds the registration field \"Registrar: Example Registrar\".",
                                  "Domain Name: taken.com", "Registrar: Example Registrar", line}));
    // A row without a verdict says why in its entry; the line stays hidden.
    const QStringList odd = Select("odd.com");
    ASSERT_FALSE(odd.isEmpty());
    EXPECT_EQ(odd[0], "");
    EXPECT_TRUE(odd.size() > 1 && odd[1].startsWith("No verdict: ")) << odd.join('|').toStdString();

    // The same rows loaded from a project: the shown row's stored answer is read again, and the line
    // follows once the reading is back.
    model.SetContents(model.AllRows(), model.AnswerLog());
    const QStringList loaded = Select("taken.com");
    EXPECT_EQ(loaded.mid(1), taken.mid(1));
    QLabel* why = Rig.Window->WhyLine();
    ASSERT_TRUE(Rig.WaitUntil([&] { return why->isVisible(); }));
    EXPECT_EQ(why->text(), taken[0]);
    EXPECT_EQ(Select("odd.com")[0], "");
}

} // namespace
