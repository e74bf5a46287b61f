#include "base/AtomicFileWriter.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

bool Save(const std::string& path, const std::string& text, TAtomicFileWriter::TOptions options = {})
{
    TAtomicFileWriter file(path, options);
    file.Write(text);
    return file.Commit();
}

unsigned ModeOf(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

std::size_t EntriesIn(const std::string& folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(AtomicFileWriter, WritesThroughASymbolicLinkAndKeepsTheLink)
{
    TTempDir dir;
    fs::create_directory(dir.File("dotfiles"));
    const std::string real = dir.Write("dotfiles/mvwhois.ini", "old");
    const std::string link = dir.File("mvwhois.ini");
    ASSERT_EQ(symlink("dotfiles/mvwhois.ini", link.c_str()), 0);

    ASSERT_TRUE(Save(link, "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(dir.Read("dotfiles/mvwhois.ini"), "new");
    EXPECT_EQ(EntriesIn(dir.File("dotfiles")), 1u) << "temporary file left beside the target";
    EXPECT_EQ(real, dir.File("dotfiles/mvwhois.ini"));
}

// Links made before their files, chains of links, and a loop, which names no file at all.
TEST(AtomicFileWriter, ALinkToAMissingFileMakesTheFileAndALoopIsRefused)
{
    TTempDir dir;
    fs::create_directory(dir.File("dotfiles"));
    const std::string link = dir.File("mvwhois.ini");
    ASSERT_EQ(symlink("dotfiles/second", link.c_str()), 0);
    ASSERT_EQ(symlink("mvwhois.ini", dir.File("dotfiles/second").c_str()), 0);
    EXPECT_EQ(TAtomicFileWriter::FollowLinks(link), dir.File("dotfiles/mvwhois.ini"));

    TAtomicFileWriter file(link, {.Mode = 0600, .ExactMode = true});
    EXPECT_EQ(file.TargetPath(), dir.File("dotfiles/mvwhois.ini"));
    file.Write("new");
    ASSERT_TRUE(file.Commit()) << file.Error();
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_symlink(dir.File("dotfiles/second")));
    EXPECT_EQ(dir.Read("dotfiles/mvwhois.ini"), "new");
    EXPECT_EQ(ModeOf(dir.File("dotfiles/mvwhois.ini")), 0600u);

    const std::string loop = dir.File("loop");
    ASSERT_EQ(symlink("loop", loop.c_str()), 0);
    EXPECT_EQ(TAtomicFileWriter::FollowLinks(loop), "");
    EXPECT_FALSE(Save(loop, "x"));
    EXPECT_TRUE(fs::is_symlink(loop));
    EXPECT_EQ(TAtomicFileWriter::FollowLinks(dir.File("plain")), dir.File("plain"));
}

TEST(AtomicFileWriter, ModeIsKeptOrGivenAsAsked)
{
    TTempDir dir;
    const mode_t oldMask = ::umask(022);
    const std::string kept = dir.Write("kept", "x");
    ASSERT_EQ(::chmod(kept.c_str(), 0640), 0);
    ASSERT_TRUE(Save(kept, "y"));
    EXPECT_EQ(ModeOf(kept), 0640u);

    ASSERT_TRUE(Save(dir.File("fresh"), "y", {.Mode = 0666}));
    EXPECT_EQ(ModeOf(dir.File("fresh")), 0644u);

    // A file holding a password ends up the owner's only, also when it was readable to others.
    ASSERT_EQ(::chmod(kept.c_str(), 0644), 0);
    ASSERT_TRUE(Save(kept, "z", {.Mode = 0600, .ExactMode = true}));
    EXPECT_EQ(ModeOf(kept), 0600u);
    ::umask(oldMask);

    EXPECT_FALSE(Save(dir.File("no/folder/f"), "x", {.CreateFolders = false}));
    EXPECT_TRUE(Save(dir.File("made/folder/f"), "x"));
}

TEST(AtomicFileWriter, LeftoversOfAKilledSaveGoButAWriterAtWorkKeepsItsFile)
{
    TTempDir dir;
    const std::string target = dir.Write("p.prj.xml", "old");
    // What a save killed half-way leaves: a temporary file nobody holds.
    dir.Write(".p.prj.xml.tmp123456", std::string(4096, 'x'));
    // Files of other targets, or not named as ours, are not ours to remove.
    dir.Write(".p.prj.xml.tmp12x", "");
    dir.Write(".other.xml.tmp123456", "");
    dir.Write(".p.prj.xml.tmp", "");

    TAtomicFileWriter atWork(target);
    atWork.Write("first");
    ASSERT_TRUE(Save(target, "second"));
    EXPECT_FALSE(fs::exists(dir.File(".p.prj.xml.tmp123456")));
    EXPECT_TRUE(fs::exists(dir.File(".p.prj.xml.tmp12x")));
    EXPECT_TRUE(fs::exists(dir.File(".other.xml.tmp123456")));
    EXPECT_TRUE(fs::exists(dir.File(".p.prj.xml.tmp")));

    ASSERT_TRUE(atWork.Commit()) << atWork.Error();
    EXPECT_EQ(dir.Read("p.prj.xml"), "first");
    EXPECT_EQ(EntriesIn(dir.Path()), 4u);
}

} // namespace
