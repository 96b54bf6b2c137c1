#include "fs/replacing_file.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quarex;
using quarex::test::readFile;
using quarex::test::TempDir;

namespace {

std::size_t filesIn(const std::string& dir)
{
    std::size_t n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

// Runs `body` in a child process whose files may not grow beyond `limit` bytes (a full disc, as far
// as the writer can tell; it works for root too); returns the child's exit code.
template <typename Body> int underSizeLimit(std::size_t limit, Body body)
{
    pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small {
            limit, limit
        };
        ::setrlimit(RLIMIT_FSIZE, &small);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(ReplacingFile, CommitPutsTheWholeFileInPlaceKeepingPermissions)
{
    TempDir tmp;
    std::string target = tmp.str() + "/new.csv";
    {
        ReplacingFile file(target);
        ASSERT_TRUE(file.good());
        file.stream() << "a;b\r\n";
        EXPECT_TRUE(file.write("c;d\r\n"));
        // Nothing shows under the target's name before the commit.
        EXPECT_FALSE(std::filesystem::exists(target));
        EXPECT_TRUE(file.commit());
    }
    EXPECT_EQ(readFile(target), "a;b\r\nc;d\r\n");
    mode_t mask = ::umask(022);
    ::umask(mask);
    EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
        static_cast<std::filesystem::perms>(0666 & ~mask));

    // An existing file is replaced and keeps its permissions; a large content goes through whole.
    std::filesystem::permissions(target, static_cast<std::filesystem::perms>(0640));
    std::string big(1'000'003, 'x');
    {
        ReplacingFile file(target);
        file.write(big);
        EXPECT_TRUE(file.commit());
    }
    EXPECT_EQ(readFile(target), big);
    EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
        static_cast<std::filesystem::perms>(0640));
    EXPECT_EQ(filesIn(tmp.str()), 1u);
}

TEST(ReplacingFile, FailureOrAbandonKeepsTheOldTargetAndLeavesNothingBeside)
{
    TempDir tmp;
    std::string target = tmp.write("out.csv", "old content\r\n");

    // Given up before the commit: the old file stays.
    {
        ReplacingFile file(target);
        file.write("partial");
    }
    EXPECT_EQ(readFile(target), "old content\r\n");
    EXPECT_EQ(filesIn(tmp.str()), 1u);

    // The disc fills up during the writing: the commit says so and the old file is whole.
    int code = underSizeLimit(4096, [&] {
        ReplacingFile file(target);
        for (int i = 0; i < 1000; ++i)
            file.stream() << "line " << i << " of a table too large for the disc\r\n";
        bool committed = file.commit();
        return committed ? 10 : file.error() == EFBIG ? 0 : 11;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(readFile(target), "old content\r\n");
    EXPECT_EQ(filesIn(tmp.str()), 1u);

    // A content that fits within the buffer fails at the commit just the same.
    code = underSizeLimit(10, [&] {
        ReplacingFile file(target);
        file.write(std::string(100, 'y'));
        return file.commit() ? 10 : 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(readFile(target), "old content\r\n");
    EXPECT_EQ(filesIn(tmp.str()), 1u);

    // A folder cannot be written over, nor can a file be made in a missing folder.
    ReplacingFile onFolder(tmp.str());
    EXPECT_FALSE(onFolder.good());
    EXPECT_EQ(onFolder.error(), EISDIR);
    EXPECT_FALSE(onFolder.commit());
    ReplacingFile nowhere(tmp.str() + "/no/such/folder/out.csv");
    EXPECT_FALSE(nowhere.good());
    EXPECT_EQ(nowhere.error(), ENOENT);
    EXPECT_TRUE(std::filesystem::is_directory(tmp.str()));
}

TEST(ReplacingFile, LinksAndDevicesAreWrittenWhereTheyLead)
{
    TempDir tmp;
    std::string real = tmp.write("real/data.txt", "old");
    std::string link = tmp.str() + "/link.txt";
    std::filesystem::create_symlink(real, link);
    {
        ReplacingFile file(link);
        file.write("new");
        EXPECT_TRUE(file.commit());
    }
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(real), "new");

    // A device is written directly, never replaced by a plain file.
    {
        ReplacingFile file("/dev/null");
        ASSERT_TRUE(file.good());
        file.write("discarded");
        EXPECT_TRUE(file.commit());
    }
    struct stat st;
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));

    // So is a named pipe: its reader gets the bytes.
    std::string fifo = tmp.str() + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        ReplacingFile file(fifo);
        file.write("through the pipe");
        ::_exit(file.commit() ? 0 : 1);
    }
    std::string got = readFile(fifo);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(got, "through the pipe");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST(ReplacingFile, ReadOnlyFileIsNotReplaced)
{
    TempDir tmp;
    // A folder anyone may write in, holding a file its owner made read-only.
    ::chmod(tmp.str().c_str(), 0755);
    std::string dir = tmp.mkdir("shared");
    ::chmod(dir.c_str(), 0777);
    std::string file = tmp.write("shared/locked.csv", "kept");
    ::chmod(file.c_str(), 0444);
    // Another user tries to replace it (root would be allowed to, as with any write).
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::getuid() == 0 && ::setuid(65534) != 0)
            ::_exit(2);
        ReplacingFile out(file);
        out.write("replaced");
        bool committed = out.commit();
        ::_exit(committed ? 1 : out.error() == EACCES ? 0 : 3);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(readFile(file), "kept");
    EXPECT_EQ(filesIn(dir), 1u);
}
