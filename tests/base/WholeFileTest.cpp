#include "base/WholeFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using TStatus = TWholeFile::TStatus;

TEST(WholeFile, ReadsRegularFilesAndTellsMissingFromUnreadable)
{
    TTempDir dir;
    const std::string bytes("a\0b\r\n\xFF", 6);
    const TWholeFile file = ReadWholeFile(dir.Write("f", bytes), 6);
    ASSERT_TRUE(file.Loaded());
    EXPECT_EQ(file.View(), bytes);

    const TWholeFile empty = ReadWholeFile(dir.Write("empty", ""), 0);
    ASSERT_TRUE(empty.Loaded());
    EXPECT_NE(empty.Data, nullptr);
    EXPECT_EQ(empty.Size, 0u);

    EXPECT_EQ(ReadWholeFile(dir.File("missing"), 10).Status, TStatus::Missing);
    EXPECT_EQ(ReadWholeFile(dir.File("f/below-a-file"), 10).Status, TStatus::Missing);

    const TWholeFile large = ReadWholeFile(dir.File("f"), 5);
    EXPECT_EQ(large.Status, TStatus::Failed);
    EXPECT_EQ(large.Error, "The file is too large.");
    EXPECT_EQ(ReadWholeFile(dir.Path(), 10).Error, "It is a folder.");
}

TEST(WholeFile, PipeAtThePathIsRefusedAtOnce)
{
    TTempDir dir;
    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A blocking open would hang here for ever: nobody writes to the pipe.
    const TWholeFile file = ReadWholeFile(fifo, 1024);
    EXPECT_EQ(file.Status, TStatus::Failed);
    EXPECT_EQ(file.Error, "It is not a regular file.");

    // A link to the pipe is no way round.
    const std::string link = dir.File("link");
    ASSERT_EQ(symlink(fifo.c_str(), link.c_str()), 0);
    EXPECT_EQ(ReadWholeFile(link, 1024).Status, TStatus::Failed);
}

} // namespace
