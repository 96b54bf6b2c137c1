#include "fs/file_system.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

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

namespace {

bool keepExe(std::string_view name) { return name.size() > 4 && name.substr(name.size() - 4) == ".exe"; }

std::vector<std::string> namesOf(const DirectoryHandle& dir)
{
    std::vector<std::string> out;
    for (const DirEntry& e : dir.entries())
        out.push_back(e.name);
    std::sort(out.begin(), out.end());
    return out;
}

const DirEntry* entryNamed(const DirectoryHandle& dir, std::string_view name)
{
    for (const DirEntry& e : dir.entries())
        if (e.name == name)
            return &e;
    return nullptr;
}

} // namespace

TEST(NativeFolders, FilteredListingKeepsFoldersLinksAndAcceptedFilesWithTheirIdentity)
{
    quarex::test::TempDir tmp;
    tmp.write("top/a.exe", "MZ");
    tmp.write("top/notes.txt", "x");
    tmp.write("top/sub/inner.txt", "x");
    std::filesystem::create_directory_symlink(tmp.path() / "top/sub", tmp.path() / "top/link.txt");
    std::string top = tmp.str() + "/top";

    auto all = nativeFileSystem().openDirectory(top);
    ASSERT_TRUE(all);
    EXPECT_EQ(namesOf(*all), (std::vector<std::string> { "a.exe", "link.txt", "notes.txt", "sub" }));
    // A link is kept whatever its name: it may lead to a folder.
    auto kept = nativeFileSystem().openDirectoryFiltered(top, keepExe);
    ASSERT_TRUE(kept);
    EXPECT_EQ(namesOf(*kept), (std::vector<std::string> { "a.exe", "link.txt", "sub" }));

    // A child folder opened from the listing: its path joined once, its identity the real one.
    const DirEntry* sub = entryNamed(*kept, "sub");
    ASSERT_TRUE(sub);
    auto child = kept->openChildFolder(*sub, keepExe);
    ASSERT_TRUE(child);
    EXPECT_EQ(child->path(), top + "/sub");
    EXPECT_TRUE(child->entries().empty());
    auto real = nativeFileSystem().stat(top + "/sub");
    ASSERT_TRUE(real);
    EXPECT_EQ(child->facts().inode, real->inode);
    EXPECT_EQ(child->facts().device, real->device);
    // Through a link the identity is the target's.
    auto viaLink = kept->openChildFolder(*entryNamed(*kept, "link.txt"), nullptr);
    ASSERT_TRUE(viaLink);
    EXPECT_EQ(viaLink->facts().inode, real->inode);
    EXPECT_EQ(namesOf(*viaLink), std::vector<std::string> { "inner.txt" });

    // From the root, a child's path has one separator.
    auto root = nativeFileSystem().openDirectory("/");
    ASSERT_TRUE(root);
    const DirEntry* tmpEntry = entryNamed(*root, "tmp");
    ASSERT_TRUE(tmpEntry);
    auto rootChild = root->openChildFolder(*tmpEntry, keepExe);
    ASSERT_TRUE(rootChild);
    EXPECT_EQ(rootChild->path(), "/tmp");
}

TEST(NativeFolders, ReleasedFolderComesBackOnlyThroughItsOwnChild)
{
    quarex::test::TempDir tmp;
    tmp.write("p/x.exe", "MZ");
    tmp.mkdir("p/c");
    tmp.mkdir("p/d");
    tmp.mkdir("elsewhere");
    auto parent = nativeFileSystem().openDirectory(tmp.str() + "/p");
    ASSERT_TRUE(parent);
    auto child = parent->openChildFolder(*entryNamed(*parent, "c"), nullptr);
    ASSERT_TRUE(child);

    parent->release();
    // Never reopened by its path behind the caller's back.
    EXPECT_FALSE(parent->statChild("x.exe"));
    EXPECT_FALSE(parent->openChildDirectory("d"));
    ASSERT_TRUE(parent->reacquireThrough(*child));
    EXPECT_TRUE(parent->statChild("x.exe"));

    // Once the child has been moved, its ".." is another folder: refused rather than walked.
    parent->release();
    std::filesystem::rename(tmp.path() / "p/c", tmp.path() / "elsewhere/c");
    errno = 0;
    EXPECT_FALSE(parent->reacquireThrough(*child));
    EXPECT_EQ(errno, ESTALE);
    EXPECT_FALSE(parent->openChild("x.exe"));
}
