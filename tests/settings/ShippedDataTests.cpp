#include "settings/ShippedData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

mode_t PermissionsOf(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

class ShippedDataTest : public testing::Test
{
protected:
    // A program folder holding the two shipped defaults, as the build folder has them.
    std::string ProgramWithDefaults()
    {
        fs::create_directories(Dir.File("build/bin"));
        Dir.Write("build/bin/mvwhois.ini", ServerTable);
        Dir.Write("build/bin/datemask.ini", Masks);
        return Dir.File("build/bin") + "/";
    }

    TTempDir Dir;
    const std::string DataFolder = Dir.File("config") + "/Morvane/Quarrow 2009/";
    const std::string ServerTable = "[TLD]\ncom=whois.verisign-grs.com\n";
    const std::string Masks = "yyyy-mm-dd\n";
};

TEST_F(ShippedDataTest, FindsFilesInstalledUnderShareElseBesideTheProgram)
{
    fs::create_directories(Dir.File("usr/bin"));
    fs::create_directories(Dir.File("usr/share/quarrow/help"));
    Dir.Write("usr/share/quarrow/mvwhois.ini", ServerTable);
    Dir.Write("usr/share/quarrow/help/tour.html", "<p>tour</p>");
    const TShippedData installed(Dir.File("usr/bin") + "/");
    EXPECT_TRUE(fs::equivalent(installed.FilePath("mvwhois.ini"), Dir.File("usr/share/quarrow/mvwhois.ini")));
    EXPECT_TRUE(
        fs::equivalent(installed.HelpPagePath(TShippedData::TourPage), Dir.File("usr/share/quarrow/help/tour.html")));
    EXPECT_EQ(installed.FilePath("datemask.ini"), "");
    EXPECT_EQ(installed.HelpPagePath(TShippedData::SettingsPage), "");

    const std::string build = ProgramWithDefaults();
    EXPECT_EQ(TShippedData(build).FilePath("datemask.ini"), build + "datemask.ini");
    EXPECT_EQ(TShippedData("").FilePath("datemask.ini"), "");
}

// The window and the dialogs open pages by these names: each must be one of the pages we ship.
TEST_F(ShippedDataTest, HelpPageNamesArePagesThatShip)
{
    for (std::string_view page : {TShippedData::StartPage, TShippedData::TourPage, TShippedData::SettingsPage,
                                  TShippedData::ResponseStringsPage})
        EXPECT_TRUE(fs::is_regular_file(std::string(QUARROW_SOURCE_DATA_DIR) + "/help/" + std::string(page))) << page;
}

TEST_F(ShippedDataTest, FirstStartCopiesTheDefaultsForTheOwnerOnlyAndLaterStartsKeepTheUsersValues)
{
    const TShippedData shipped(ProgramWithDefaults());
    const TDataFolderStatus first = shipped.InstallDefaults(DataFolder);
    EXPECT_TRUE(first.CanSave);
    EXPECT_EQ(first.Message, "");
    EXPECT_EQ(first.Notice, "");
    // The copy, and the digest of the table it came from.
    EXPECT_EQ(Dir.Read("config/Morvane/Quarrow 2009/mvwhois.ini").rfind(ServerTable, 0), 0u);
    EXPECT_NE(Dir.Read("config/Morvane/Quarrow 2009/mvwhois.ini").find("ServerTableStamp="), std::string::npos);
    EXPECT_EQ(Dir.Read("config/Morvane/Quarrow 2009/datemask.ini"), Masks);
    EXPECT_EQ(PermissionsOf(DataFolder + "mvwhois.ini"), 0600u);
    EXPECT_EQ(PermissionsOf(DataFolder + "datemask.ini"), 0600u);

    // The user's own table is never replaced: it keeps its values and gains what the shipped one adds.
    Dir.Write("config/Morvane/Quarrow 2009/mvwhois.ini", "[Pref]\nThrdCount=30\n");
    ASSERT_EQ(::chmod((DataFolder + "mvwhois.ini").c_str(), 0640), 0);
    const TDataFolderStatus later = shipped.InstallDefaults(DataFolder);
    EXPECT_TRUE(later.CanSave);
    EXPECT_EQ(later.Notice.rfind("The server table gained 1 top-level domain from the shipped table", 0), 0u)
        << later.Notice;
    const std::string kept = Dir.Read("config/Morvane/Quarrow 2009/mvwhois.ini");
    EXPECT_EQ(kept.rfind("[Pref]\nThrdCount=30\n", 0), 0u) << kept;
    EXPECT_NE(kept.find("com=whois.verisign-grs.com"), std::string::npos) << kept;
    // Written like every change of the settings: owner only, as the file holds the proxy password.
    EXPECT_EQ(PermissionsOf(DataFolder + "mvwhois.ini"), 0600u);
    EXPECT_EQ(shipped.InstallDefaults(DataFolder).Notice, "");
    EXPECT_EQ(Dir.Read("config/Morvane/Quarrow 2009/mvwhois.ini"), kept);
    EXPECT_EQ(std::distance(fs::directory_iterator(DataFolder), fs::directory_iterator()), 2);
}

// A data folder whose files are links into a dotfiles folder, made before the files were.
TEST_F(ShippedDataTest, LinksToFilesNotMadeYetReceiveTheDefaultsAndStayLinks)
{
    const TShippedData shipped(ProgramWithDefaults());
    fs::create_directories(DataFolder);
    fs::create_directories(Dir.File("dotfiles"));
    fs::create_symlink("../../../dotfiles/mvwhois.ini", DataFolder + "mvwhois.ini");
    fs::create_symlink(Dir.File("dotfiles/masks-link"), DataFolder + "datemask.ini");
    fs::create_symlink("masks.ini", Dir.File("dotfiles/masks-link"));
    EXPECT_TRUE(shipped.InstallDefaults(DataFolder).CanSave);
    EXPECT_TRUE(fs::is_symlink(DataFolder + "mvwhois.ini"));
    EXPECT_TRUE(fs::is_symlink(DataFolder + "datemask.ini"));
    EXPECT_EQ(Dir.Read("dotfiles/mvwhois.ini").rfind(ServerTable, 0), 0u);
    EXPECT_EQ(Dir.Read("dotfiles/masks.ini"), Masks);
    EXPECT_EQ(PermissionsOf(Dir.File("dotfiles/mvwhois.ini")), 0600u);

    // A link that goes round in a circle names no file to make: it is left alone.
    fs::remove(DataFolder + "datemask.ini");
    fs::create_symlink("datemask.ini", DataFolder + "datemask.ini");
    EXPECT_TRUE(shipped.InstallDefaults(DataFolder).CanSave);
    EXPECT_TRUE(fs::is_symlink(DataFolder + "datemask.ini"));
}

TEST_F(ShippedDataTest, DamagedOrMissingShippedFilesLeaveTheBuiltInDefaults)
{
    fs::create_directories(Dir.File("bin/mvwhois.ini"));
    Dir.Write("bin/datemask.ini", std::string(2 * 1024 * 1024, 'y'));
    EXPECT_TRUE(TShippedData(Dir.File("bin") + "/").InstallDefaults(DataFolder).CanSave);
    EXPECT_TRUE(TShippedData("").InstallDefaults(DataFolder).CanSave);
    EXPECT_TRUE(fs::is_empty(DataFolder));
}

TEST_F(ShippedDataTest, ADataFolderThatCannotBeCreatedMeansSettingsCannotBeSaved)
{
    Dir.Write("config", "a file where the configuration home should be");
    const TDataFolderStatus status = TShippedData(ProgramWithDefaults()).InstallDefaults(DataFolder);
    EXPECT_FALSE(status.CanSave);
    EXPECT_EQ(status.Message.rfind("Settings cannot be saved.", 0), 0u) << status.Message;
    EXPECT_NE(status.Message.find(DataFolder), std::string::npos) << status.Message;
    EXPECT_EQ(status.Message.find('\n'), std::string::npos);
}

TEST_F(ShippedDataTest, AReadOnlySettingsFileMeansSettingsCannotBeSaved)
{
    const TShippedData shipped(ProgramWithDefaults());
    ASSERT_TRUE(shipped.InstallDefaults(DataFolder).CanSave);
    ASSERT_EQ(::chmod((DataFolder + "mvwhois.ini").c_str(), 0400), 0);
    const TDataFolderStatus status = shipped.InstallDefaults(DataFolder);
    EXPECT_FALSE(status.CanSave);
    EXPECT_NE(status.Message.find(DataFolder + "mvwhois.ini"), std::string::npos) << status.Message;
}

} // namespace
