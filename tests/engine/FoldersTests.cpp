#include "engine/Folders.h"
#include "settings/EngineSettings.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

// Points HOME and XDG_CONFIG_HOME at a temporary folder for one test and puts the old values back.
class FoldersTest : public ::testing::Test
{
protected:
    TTempDir Home;

    void SetUp() override
    {
        Save("HOME", SavedHome);
        Save("XDG_CONFIG_HOME", SavedConfigHome);
        setenv("HOME", Home.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", Home.File("config").c_str(), 1);
    }

    void TearDown() override
    {
        Restore("HOME", SavedHome);
        Restore("XDG_CONFIG_HOME", SavedConfigHome);
    }

private:
    std::optional<std::string> SavedHome;
    std::optional<std::string> SavedConfigHome;

    static void Save(const char* name, std::optional<std::string>& slot)
    {
        if (const char* value = std::getenv(name))
            slot = value;
    }

    static void Restore(const char* name, const std::optional<std::string>& slot)
    {
        if (slot)
            setenv(name, slot->c_str(), 1);
        else
            unsetenv(name);
    }
};

TEST_F(FoldersTest, SpecialFoldersFollowTheXdgSettingsWithoutTrailingSeparator)
{
    EXPECT_EQ(GetSpecialFolderPath(FolderAppData), Home.File("config"));
    EXPECT_EQ(GetSpecialFolderPath(FolderDocuments), Home.File("Documents"));

    setenv("XDG_CONFIG_HOME", (Home.File("other") + "//").c_str(), 1);
    EXPECT_EQ(GetSpecialFolderPath(FolderAppData), Home.File("other"));

    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(GetSpecialFolderPath(FolderAppData), Home.File(".config"));

    EXPECT_EQ(GetSpecialFolderPath(0), "");
    EXPECT_EQ(GetSpecialFolderPath(27), "");
}

TEST_F(FoldersTest, DocumentsFolderComesFromTheUsersDirectoryList)
{
    std::filesystem::create_directories(Home.File("config"));
    std::filesystem::create_directories(Home.File("Papers"));
    Home.Write("config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    EXPECT_EQ(GetSpecialFolderPath(FolderDocuments), Home.File("Papers"));
    EXPECT_EQ(ProjectsFolder(), Home.File("Papers") + "/Morvane/Quarrow 2009/");
}

TEST_F(FoldersTest, ProjectsFolderIsLookedUpOnEveryCall)
{
    const std::string first = ProjectsFolder();
    EXPECT_EQ(first, Home.File("Documents/Morvane/Quarrow 2009/"));
    TTempDir otherHome;
    setenv("HOME", otherHome.Path().c_str(), 1);
    EXPECT_EQ(ProjectsFolder(), otherHome.File("Documents/Morvane/Quarrow 2009/"));
}

TEST_F(FoldersTest, StartUpCreatesBothFoldersWithTheirParents)
{
    setenv("XDG_CONFIG_HOME", Home.File("deep/er/config").c_str(), 1);
    const TFolders folders = PrepareFolders();
    EXPECT_EQ(folders.DataFolder, Home.File("deep/er/config/Morvane/Quarrow 2009/"));
    EXPECT_EQ(folders.ConfigPath(), Home.File("deep/er/config/Morvane/Quarrow 2009/mvwhois.ini"));
    EXPECT_EQ(folders.DateMaskPath(), Home.File("deep/er/config/Morvane/Quarrow 2009/datemask.ini"));
    EXPECT_TRUE(std::filesystem::is_directory(folders.DataFolder));
    EXPECT_TRUE(std::filesystem::is_directory(ProjectsFolder()));
}

TEST_F(FoldersTest, FolderThatCannotBeCreatedIsNotReportedAndSettingsKeepTheirDefaults)
{
    Home.Write("blocker", "a file where a folder should be");
    setenv("XDG_CONFIG_HOME", Home.File("blocker/config").c_str(), 1);
    TFolders folders;
    ASSERT_NO_THROW(folders = PrepareFolders());
    EXPECT_FALSE(std::filesystem::exists(folders.DataFolder));
    EXPECT_FALSE(ForceDirectories(folders.DataFolder));
    EXPECT_FALSE(ForceDirectories(""));
    const TEngineSettings settings = LoadSettings(folders.ConfigPath());
    EXPECT_EQ(settings.ThreadLimit, 10);
    EXPECT_EQ(settings.Proxy.Port, "1080");
}

TEST_F(FoldersTest, ProgramFolderHoldsTheRunningProgramFile)
{
    const TFolders folders = ComputeFolders();
    ASSERT_FALSE(folders.ProgramFolder.empty());
    EXPECT_EQ(folders.ProgramFolder.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(folders.ProgramFolder + "folders_tests"));
}

} // namespace

TEST_F(FoldersTest, DateMasksComeFromTheDataFolderElseFromTheShippedOnes)
{
    TFolders folders;
    folders.DataFolder = Home.File("data") + "/";
    folders.ProgramFolder = Home.File("program") + "/";
    ASSERT_TRUE(ForceDirectories(folders.ProgramFolder));
    Home.Write("program/datemask.ini", "yyyy-mm-dd\n");
    EXPECT_EQ(folders.DateMaskFileToLoad(), folders.ProgramFolder + "datemask.ini");

    ASSERT_TRUE(ForceDirectories(folders.DataFolder));
    Home.Write("data/datemask.ini", "dd.mm.yyyy\n");
    EXPECT_EQ(folders.DateMaskFileToLoad(), folders.DataFolder + "datemask.ini");

    // Without a program folder there is nothing shipped to fall back to.
    folders.ProgramFolder.clear();
    folders.DataFolder = Home.File("nowhere") + "/";
    EXPECT_EQ(folders.DateMaskFileToLoad(), folders.DataFolder + "datemask.ini");
}
