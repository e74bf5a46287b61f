#include "WindowRig.h"

#include "engine/GenerateCommand.h"
#include "engine/ProjectController.h"
#include "models/WordLists.h"
#include "project/JournalReader.h"
#include "support/FakeWhoisServer.h"

#include <QAction>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

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

} // namespace
