#include "WindowRig.h"

#include "engine/GenerateCommand.h"
#include "engine/ProjectController.h"
#include "engine/ProjectLock.h"
#include "engine/ResultJournal.h"
#include "models/WordLists.h"
#include "project/JournalReader.h"
#include "support/FakeWhoisServer.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTableView>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// Presses `button` of the message box the next command shows, once it is up, and keeps its text.
void AnswerMessageBox(QMessageBox::StandardButton button, std::string& text)
{
    QTimer::singleShot(0, [button, &text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text().toStdString();
        ASSERT_NE(box->button(button), nullptr);
        box->button(button)->click();
    });
}

// The window's checks, journalled as their results arrive.
class JournalWindowTest : public ::testing::Test
{
protected:
    TWindowRig Rig;
    TFakeWhoisServer Server{"127.0.0.1", 0};

    void SetUp() override
    {
        Rig.WriteConfig("[Pref]\nPause=1\nThrdCount=2\nAttempts=1\n[TLD]\ncom=127.0.0.1\n"
                        "[127.0.0.1]\nnot_found_strings=No match\n");
        Rig.Open(Server.Port());
        Server.SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, "No match", 0});
        TWordLists& lists = Rig.Window->WordLists();
        for (int i = 0; i < 5; ++i)
            lists.Keywords().Append("name" + std::to_string(i), true);
        lists.Tlds().SetAll({{"com", true}});
        Rig.Window->GenerateNames();
        ASSERT_TRUE(Rig.WaitUntil([this] { return !Rig.Window->Generate().Busy(); }));
    }

    // "Check domains" to its end.
    void CheckAll()
    {
        Rig.Window->findChild<QAction*>(QStringLiteral("aStartAll"))->trigger();
        ASSERT_TRUE(Rig.WaitUntil([this] {
            return Rig.Window->Dispatcher().PassState() == TCheckDispatcher::TPassState::Idle &&
                   Rig.Window->Model().ResultCount(TRowResult::Available) == 5;
        }));
    }

    std::size_t RecordsIn(const std::string& path) const
    {
        const TJournalReader::TContents contents =
            TJournalReader::Read(Rig.Dir.Read(path.substr(Rig.Dir.Path().size() + 1)));
        return contents.Status == TJournalReader::TStatus::Whole ? contents.Records.size() : 0;
    }

    static bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }
};

TEST_F(JournalWindowTest, ASavedProjectsCheckGoesIntoItsJournalUntilTheNextSave)
{
    const std::string path = Rig.Dir.File("work.prj.xml");
    ASSERT_TRUE(Rig.Window->ProjectCommands().SaveProject(QString::fromStdString(path)));
    // Saved under its name, as "Save project as..." leaves it.
    ASSERT_TRUE(Rig.Window->ProjectCommands().OpenFile(QString::fromStdString(path)));
    CheckAll();
    EXPECT_EQ(RecordsIn(path + ".journal"), 5u);
    EXPECT_FALSE(Exists(Rig.Dir.File("data/recovery.prj.xml")));
    ASSERT_TRUE(Rig.Window->ProjectCommands().Save());
    EXPECT_FALSE(Exists(path + ".journal"));
}

TEST_F(JournalWindowTest, AnUnsavedProjectsCheckIsJournalledBesideACopyInTheDataFolder)
{
    const std::string copy = Rig.Dir.File("data/recovery.prj.xml");
    CheckAll();
    ASSERT_TRUE(Exists(copy));
    EXPECT_EQ(RecordsIn(copy + ".journal"), 5u);
    // Changes thrown away (a new project, nothing left to save) take the copy with them.
    Rig.Window->ProjectCommands().SetModified(false);
    ASSERT_TRUE(Rig.Window->ProjectCommands().New());
    EXPECT_FALSE(Exists(copy));
    EXPECT_FALSE(Exists(copy + ".journal"));
}

TEST_F(JournalWindowTest, AfterItsJournalTheWindowGoesOnCheckingTheRowsWithoutAResult)
{
    const std::string path = Rig.Dir.File("work.prj.xml");
    ASSERT_TRUE(Rig.Window->ProjectCommands().SaveProject(QString::fromStdString(path)));
    {
        // A check of two names that ended with the program: "NO", which this host never says.
        TDomainTableModel killed;
        killed.SetContents(Rig.Window->Model().AllRows(), Rig.Window->Model().AnswerLog());
        TResultJournal journal(killed);
        journal.SetPath(path + ".journal");
        for (const int row : {1, 3}) {
            killed.SetSlot(row, SlotAvailability, "NO");
            journal.Record(killed.IdAt(row));
        }
    }
    std::string question;
    AnswerMessageBox(QMessageBox::Yes, question);
    ASSERT_TRUE(Rig.Window->ProjectCommands().OpenFile(QString::fromStdString(path)));
    EXPECT_NE(question.find("Go on checking the 3 ticked rows without a result?"), std::string::npos) << question;
    TDomainTableModel& model = Rig.Window->Model();
    ASSERT_TRUE(Rig.WaitUntil([&] {
        return Rig.Window->Dispatcher().PassState() == TCheckDispatcher::TPassState::Idle &&
               model.ResultCount(TRowResult::Available) == 3;
    }));
    EXPECT_EQ(model.ResultCount(TRowResult::Registered), 2);
    for (int row = 0; row < model.RowCount(); ++row)
        EXPECT_EQ(Server.RequestCount(model.Caption(row)), row == 1 || row == 3 ? 0 : 1) << model.Caption(row);
    // The window checked the project: it is not for another program while it stays open.
    TProjectLock other;
    EXPECT_FALSE(other.Take(path));
}

TEST_F(JournalWindowTest, AProjectAnotherProgramChecksIsNotCheckedByTheWindow)
{
    const std::string path = Rig.Dir.File("work.prj.xml");
    ASSERT_TRUE(Rig.Window->ProjectCommands().SaveProject(QString::fromStdString(path)));
    ASSERT_TRUE(Rig.Window->ProjectCommands().OpenFile(QString::fromStdString(path)));
    TProjectLock other;
    ASSERT_TRUE(other.Take(path));
    std::string message;
    AnswerMessageBox(QMessageBox::Ok, message);
    Rig.Window->findChild<QAction*>(QStringLiteral("aStartAll"))->trigger();
    EXPECT_EQ(message, "The project " + path + " is being checked by another program (pid " +
                           std::to_string(::getpid()) + ").\nThe check was not started.");
    EXPECT_EQ(Rig.Window->Dispatcher().PassState(), TCheckDispatcher::TPassState::Idle);
    // Nor one name of it: its result would go into the same journal.
    Rig.Window->DomainView()->selectRow(2);
    message.clear();
    AnswerMessageBox(QMessageBox::Ok, message);
    Rig.Window->findChild<QAction*>(QStringLiteral("aCheck"))->trigger();
    EXPECT_NE(message.find("is being checked by another program"), std::string::npos) << message;
    EXPECT_EQ(Rig.Window->Dispatcher().RunningCount(), 0);
    EXPECT_FALSE(Exists(path + ".journal"));
    EXPECT_TRUE(Server.Requests().empty());

    // Once the other program is done, the window checks the name and takes the lock.
    other.Release();
    Rig.Window->findChild<QAction*>(QStringLiteral("aCheck"))->trigger();
    ASSERT_TRUE(Rig.WaitUntil([this] { return Rig.Window->Model().ResultCount(TRowResult::Available) == 1; }));
    EXPECT_FALSE(other.Take(path));
}

} // namespace
