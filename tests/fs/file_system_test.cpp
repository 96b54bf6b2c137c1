#include "fs/file_system.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace quarex;

TEST(PathParts, JoinSplitAndReadBack)
{
    EXPECT_EQ(joinPath("/cd", "SETUP.EXE"), "/cd/SETUP.EXE");
    EXPECT_EQ(joinPath("/cd/", "SETUP.EXE"), "/cd/SETUP.EXE");
    EXPECT_EQ(joinPath("/", "cd"), "/cd");

    EXPECT_EQ(directoryOf("/cd/disk1/SETUP.EXE"), "/cd/disk1");
    EXPECT_EQ(directoryOf("/SETUP.EXE"), "/");
    EXPECT_EQ(directoryOf("SETUP.EXE"), ".");
    EXPECT_EQ(fileNameOf("/cd/disk1/SETUP.EXE"), "SETUP.EXE");
    EXPECT_EQ(fileNameOf("SETUP.EXE"), "SETUP.EXE");
    EXPECT_EQ(fileNameOf("/cd/"), "");

    quarex::test::TempDir temp;
    std::string path = temp.write("disk1/readme.txt", "first line\r\nsecond");
    EXPECT_EQ(directoryOf(path), joinPath(temp.str(), "disk1"));
    auto file = nativeFileSystem().open(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(readFileBytes(*file).value_or(""), "first line\r\nsecond");
    EXPECT_EQ(readFileBytes(*file, 5).value_or(""), "first");
    // A folder is not a file to read.
    EXPECT_FALSE(nativeFileSystem().open(directoryOf(path)));
}
