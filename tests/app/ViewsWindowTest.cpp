#include "WindowRig.h"

#include "app/DialogCommands.h"
#include "app/MainActions.h"
#include "engine/ProjectController.h"
#include "gui/ZqListView.h"
#include "project/ProjectFile.h"
#include "settings/ConfigKeys.h"
#include "settings/IniFile.h"
#include "support/FakeWhoisServer.h"
#include "support/RecordingDesktop.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include <filesystem>

// The window's filter, "Check errors again" and the CSV/JSON exports, driven from the controls.
namespace {

class ViewsWindowTest : public ::testing::Test
{
protected:
    QAction* Action(const char* name) const { return Rig.Window->findChild<QAction*>(QLatin1String(name)); }
    QComboBox* FilterBox() const { return Rig.Window->findChild<QComboBox*>(QStringLiteral("cbFilter")); }
    QString ShownText() const { return Rig.Window->findChild<QLabel*>(QStringLiteral("sbPanel3"))->text(); }
    std::vector<std::string> ShownDomains() const
    {
        std::vector<std::string> domains;
        const QAbstractItemModel* shown = Rig.Window->DomainView()->model();
        for (int row = 0; row < shown->rowCount(); ++row)
            domains.push_back(shown->index(row, 0).data().toString().toStdString());
        return domains;
    }
    // Rows of every kind, in an order the Domain sort changes.
    void FillTable() const
    {
        Rig.Window->Model().SetContents({{"taken.com", true, {"NO", "Reg, Inc.", "whois.reg.test", "", "0", ""}},
                                         {"free.com", false, {"YES", "", "", "", "1", ""}},
                                         {"fresh.com", true, {"", "", "", "", "2", ""}},
                                         {"broken.com", false, {"RESULT ERROR", "", "", "", "3", ""}},
                                         {"another.com", true, {"YES", "", "", "", "4", ""}}},
                                        {"", "", "", "", ""});
    }

    TWindowRig Rig;
};

TEST_F(ViewsWindowTest, TheFilterFromTheBoxOrTheViewMenuShowsItsRowsAndIsRememberedForTheNextStart)
{
    Rig.WriteConfig("[TLD]\ncom=127.0.0.1\n");
    TfMain& window = Rig.Open();
    FillTable();
    QComboBox* box = FilterBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->count(), 5);
    EXPECT_EQ(ShownText(), "shown 5 of 5");
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lFilter"))->buddy(), box);

    // The box, by keyboard: one step down is "Available (YES)".
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->currentText(), "Available (YES)");
    EXPECT_EQ(ShownDomains(), (std::vector<std::string>{"another.com", "free.com"}));
    EXPECT_EQ(ShownText(), "shown 2 of 5");
    EXPECT_TRUE(Action("aShowAvailable")->isChecked());
    EXPECT_EQ(TIniFile(Rig.ConfigPath()).Read(ConfigKeys::DomainFilter), "available");

    // The View menu, and the box follows it.
    QMenu* view = window.menuBar()->findChild<QMenu*>(QStringLiteral("View1"));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->actions().contains(Action("aShowErrors")));
    Action("aShowErrors")->trigger();
    EXPECT_EQ(box->currentText(), "Errors (RESULT ERROR)");
    EXPECT_EQ(ShownDomains(), (std::vector<std::string>{"broken.com"}));
    EXPECT_FALSE(Action("aShowAvailable")->isChecked());

    // "Select all domains" and the copies work on the shown rows only.
    Action("aSelectAllDomains")->trigger();
    EXPECT_TRUE(window.Model().Checked(3));
    EXPECT_FALSE(window.Model().Checked(1)); // free.com, hidden, keeps its tick
    Action("aShowRegistered")->trigger();
    QApplication::clipboard()->setText(QStringLiteral("old"));
    Action("aCopyAvailabilityNamesToClipboard")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QString());
    Action("aShowUnchecked")->trigger();
    EXPECT_EQ(ShownDomains(), (std::vector<std::string>{"fresh.com"}));

    // A saved project keeps every row whatever is shown.
    const std::string project = Rig.Dir.File("projects/all.prj.xml");
    ASSERT_TRUE(window.ProjectCommands().SaveProject(QString::fromStdString(project)));
    TXMLSaveLoad store;
    EXPECT_EQ(LoadProject(store, project)->Rows.size(), 5u);

    Rig.Close();
    TfMain& again = Rig.Open();
    EXPECT_EQ(FilterBox()->currentText(), "Not yet checked");
    EXPECT_TRUE(Action("aShowUnchecked")->isChecked());
    FillTable();
    EXPECT_EQ(ShownText(), "shown 1 of 5");
    Action("aShowAll")->trigger();
    EXPECT_EQ(again.DomainView()->model()->rowCount(), 5);
}

TEST_F(ViewsWindowTest, ExportsWriteTheShownRowsAsTheCommandLineDoesAndAFailureKeepsTheOldFile)
{
    TfMain& window = Rig.Open();
    TRecordingDesktop desktop;
    window.Dialogs().SetDesktop(&desktop);
    FillTable();
    Action("aShowAvailable")->trigger();

    desktop.FileName = QString::fromStdString(Rig.Dir.File("projects/free.csv"));
    Action("aExportCsv")->trigger();
    EXPECT_EQ(desktop.SaveDialogs, 1);
    EXPECT_EQ(Rig.Dir.Read("projects/free.csv"), "domain,checked,availability,registrar,whois_server,expires\r\n"
                                                 "another.com,1,YES,,,\r\n"
                                                 "free.com,0,YES,,,\r\n");

    Action("aShowAll")->trigger();
    desktop.FileName = QString::fromStdString(Rig.Dir.File("projects/all.json"));
    Action("aExportJson")->trigger();
    const std::string json = Rig.Dir.Read("projects/all.json");
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json;
    const QJsonArray rows = document.array();
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[4].toObject().value("domain").toString(), "taken.com"); // sorted by Domain
    EXPECT_EQ(rows[4].toObject().value("registrar").toString(), "Reg, Inc.");
    EXPECT_EQ(rows[4].toObject().value("checked").toBool(), true);

    // A file that may not be written: its old content stays and a message box says why.
    const std::string locked = Rig.Dir.Write("projects/locked.csv", "old content\n");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    desktop.FileName = QString::fromStdString(locked);
    Action("aExportCsv")->trigger();
    ASSERT_EQ(desktop.Messages.size(), 1);
    EXPECT_TRUE(desktop.Messages[0].contains(QStringLiteral("read-only"))) << desktop.Messages[0].toStdString();
    EXPECT_EQ(Rig.Dir.Read("projects/locked.csv"), "old content\n");

    // A cancelled dialog writes nothing; an empty view asks nothing.
    desktop.FileName.clear();
    Action("aExportJson")->trigger();
    EXPECT_EQ(desktop.SaveDialogs, 4);
    Action("aShowRegistered")->trigger();
    window.Model().SetSlot(0, SlotAvailability, "YES");
    EXPECT_EQ(window.DomainView()->model()->rowCount(), 0);
    Action("aExportCsv")->trigger();
    EXPECT_EQ(desktop.SaveDialogs, 4);
    window.Dialogs().SetDesktop(nullptr);
}

TEST_F(ViewsWindowTest, CheckErrorsAgainFromTheToolbarAsksOnlyTheErrorRowsAgain)
{
    TFakeWhoisServer server("127.0.0.1", 0);
    server.SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, "No match", 0});
    Rig.WriteConfig("[Pref]\nPause=1\nThrdCount=2\nAttempts=1\n[TLD]\ncom=127.0.0.1\n"
                    "[127.0.0.1]\nnot_found_strings=No match\n");
    TfMain& window = Rig.Open(server.Port());
    auto* toolBar = window.findChild<QToolBar*>(QStringLiteral("tb"));
    QWidget* button = toolBar->widgetForAction(Action("aCheckErrors"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->accessibleName(), "Check the rows with RESULT ERROR again");
    EXPECT_FALSE(Action("aCheckErrors")->isEnabled()); // nothing in error yet

    FillTable();
    window.Model().SetSlot(4, SlotAvailability, "RESULT ERROR"); // another.com, ticked
    // The status tick brings the command up to the table.
    ASSERT_TRUE(Rig.WaitUntil([&] { return Action("aCheckErrors")->isEnabled(); }));
    Action("aShowErrors")->trigger();
    EXPECT_EQ(ShownText(), "shown 2 of 5");

    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(Rig.WaitUntil(
        [&] { return Action("aStartAll")->isEnabled() && window.Dispatcher().LiveWorkerThreads() == 0; }));
    // Two threads: the two queries may reach the host in either order.
    EXPECT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.RequestCount("another.com"), 1);
    EXPECT_EQ(server.RequestCount("broken.com"), 1);
    EXPECT_EQ(window.Model().Slot(3, SlotAvailability), "YES");
    EXPECT_TRUE(window.Model().Checked(3));                  // ticked for the check
    EXPECT_EQ(window.Model().Slot(2, SlotAvailability), ""); // fresh.com was not asked
    // Both left the errors shown; the command has nothing left to do.
    EXPECT_EQ(ShownText(), "shown 0 of 5");
    EXPECT_FALSE(Action("aCheckErrors")->isEnabled());
    EXPECT_TRUE(window.Modified());
}

} // namespace
