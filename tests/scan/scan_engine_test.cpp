#include "scan/scan_engine.h"

#include "scan/install_analysis.h"
#include "text/text.h"

#include "support/counting_file_system.h"
#include "support/memory_file_system.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace quarex;
using quarex::test::MemoryFileSystem;
using quarex::test::TempDir;

namespace {

struct MessageLog : ScanObserver {
    std::vector<std::string> messages;
    int refreshes = 0;
    void message(const std::string& text) override { messages.push_back(text); }
    void refresh() override { ++refreshes; }
};

// "location | file" of every data row of a table, in row order.
std::vector<std::string> rowsOf(const ResultTables& t, int table)
{
    std::vector<std::string> out;
    const Grid& g = t.GridLogiciel(table);
    for (int r = 1; r < g.Rows(); ++r)
        if (!g.cell(r, 2).empty())
            out.push_back(g.cell(r, 1) + " |" + g.cell(r, 2));
    return out;
}

// Makes a folder below `dirFd` and returns its descriptor (paths cannot name folders this deep).
int makeFolderAt(int dirFd, const char* name)
{
    if (::mkdirat(dirFd, name, 0755) != 0 && errno != EEXIST)
        return -1;
    return ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

void writeFileAt(int dirFd, const char* name)
{
    int fd = ::openat(dirFd, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        [[maybe_unused]] auto n = ::write(fd, "MZ", 2);
        ::close(fd);
    }
}

// Empties and removes a tree however deep, holding one descriptor at a time (going back up through "..").
void removeDeepTree(const std::string& root)
{
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::vector<std::string> names;
    while (fd >= 0) {
        std::string firstDir;
        bool removed = false;
        auto listing = nativeFileSystem().openDirectory("/proc/self/fd/" + std::to_string(fd));
        if (!listing) {
            ::close(fd);
            break;
        }
        for (const DirEntry& e : listing->entries()) {
            if (e.type == EntryType::Directory) {
                firstDir = e.name;
                break;
            }
            removed |= ::unlinkat(fd, e.name.c_str(), 0) == 0;
        }
        if (!firstDir.empty()) {
            names.push_back(firstDir);
            int next = ::openat(fd, firstDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = next;
        } else if (!removed) {
            if (names.empty()) {
                ::close(fd);
                break;
            }
            int up = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = up;
            ::unlinkat(fd, names.back().c_str(), AT_REMOVEDIR);
            names.pop_back();
        }
    }
    ::rmdir(root.c_str());
}

} // namespace

TEST(ScanWalk, ListsEveryDirectoryOnceInPreOrderAndFileSystemOrder)
{
    MemoryFileSystem fs;
    fs.addFile("/cd/ROOT.EXE");
    fs.addFile("/cd/ZETA/Z.EXE");
    fs.addFile("/cd/ZETA/DEEP/D.EXE");
    fs.addFile("/cd/ALPHA/b.exe");
    fs.addFile("/cd/ALPHA/A.EXE");
    fs.addFile("/cd/ALPHA/notes.txt");
    fs.addFile("/cd/EMPTY/readme.txt");

    ResultTables tables;
    MessageLog log;
    ScanEngine engine(tables, fs, &log);
    engine.scan("/cd");

    // Directories in the order the file system gave them (ZETA before ALPHA), each one's files
    // listed before the walk goes down into it, files sorted by name without regard to case.
    std::vector<std::string> expected = { " /cd | Root.exe", " /cd/Zeta | Z.exe", " /cd/Zeta/Deep | D.exe",
        " /cd/Alpha | A.exe", " /cd/Alpha | B.exe" };
    EXPECT_EQ(rowsOf(tables, 1), expected);
    // The status line names directories that have subdirectories; leaves get no call of their own.
    std::vector<std::string> messages
        = { "Exploration du répertoire : /cd...", "Exploration du répertoire : /cd/Zeta..." };
    EXPECT_EQ(log.messages, messages);
    EXPECT_EQ(log.refreshes, 3);
    // The real path is kept beside the display text.
    EXPECT_EQ(tables.GridLogiciel(1).rowPath(4), "/cd/ALPHA/A.EXE");
    EXPECT_EQ(tables.GridLogiciel(1).cell(0, 2), " Fichier");
}

TEST(ScanWalk, UntypedEntriesAreStatedOnceToFindTheFolders)
{
    MemoryFileSystem memory;
    memory.addFile("/cd/ALPHA/notes.txt");
    memory.addFile("/cd/ALPHA/SUB/A.EXE");
    memory.addFile("/cd/ALPHA/SUB/DEEP/B.EXE");
    memory.addFile("/cd/readme.txt");
    quarex::test::CountingFileSystem fs(memory);
    fs.untypedEntries = true;

    ResultTables tables;
    MessageLog log;
    ScanEngine engine(tables, fs, &log);
    engine.scan("/cd");

    std::vector<std::string> expected = { " /cd/Alpha/Sub | A.exe", " /cd/Alpha/Sub/Deep | B.exe" };
    EXPECT_EQ(rowsOf(tables, 1), expected);
    // Telling folders from files costs one stat per entry, however deep the folder.
    for (const char* path :
        { "/cd/ALPHA", "/cd/readme.txt", "/cd/ALPHA/notes.txt", "/cd/ALPHA/SUB", "/cd/ALPHA/SUB/DEEP" })
        EXPECT_EQ(fs.childStats[path], 1) << path;
}

TEST(ScanWalk, ClassificationIgnoresCaseAndDropsInstallerHelpers)
{
    MemoryFileSystem fs;
    fs.addFile("/d/setup.exe");
    fs.addFile("/d/Install.EXE");
    fs.addFile("/d/install.exe.zip");
    fs.addFile("/d/setup.zip");
    fs.addFile("/d/_MSSETUP.EXE");
    fs.addFile("/d/expand.exe");
    fs.addFile("/d/.hidden.exe");
    fs.addFile("/d/tool.com");
    ResultTables tables;
    ScanEngine engine(tables, fs);
    engine.scan("/d");
    EXPECT_EQ(rowsOf(tables, 0), (std::vector<std::string> { " /d | Install.exe", " /d | Setup.exe" }));
    EXPECT_EQ(rowsOf(tables, 1), (std::vector<std::string> { " /d | .hidden.exe" }));
    EXPECT_EQ(rowsOf(tables, 2), (std::vector<std::string> { " /d | Install.exe.zip", " /d | Setup.zip" }));
    EXPECT_EQ(tableForFile("SETUP.EXE"), 0);
    EXPECT_EQ(tableForFile("_isdel.exe"), -1);
}

TEST(ScanWalk, ArchiveSizeAndDateCells)
{
    MemoryFileSystem fs;
    fs.addFile("/d/a999.zip", std::string(999, 'x'));
    fs.addFile("/d/b1000.zip", std::string(1000, 'x'));
    fs.addFile("/d/c0.zip", "");
    fs.addFile("/d/d.zip", std::string(1234567, 'x'));
    ResultTables tables;
    ScanEngine engine(tables, fs);
    engine.scan("/d");
    const Grid& g = tables.GridLogiciel(2);
    ASSERT_EQ(g.Rows(), 5);
    EXPECT_EQ(g.cell(1, 0), "999 octets");
    EXPECT_EQ(g.cell(2, 0), "1");
    EXPECT_EQ(g.cell(3, 0), "0 octets");
    EXPECT_EQ(g.cell(4, 0), "1 234");
    EXPECT_EQ(g.cell(1, 3), formatDateTime(0).substr(0, 10));
    EXPECT_EQ(g.cell(1, 3).size(), 10u);
}

TEST(ScanWalk, UnreadableDirectoryWithoutObserverIsRecordedAndItsSiblingsListed)
{
    MemoryFileSystem fs;
    fs.addFile("/d/A/a.exe");
    fs.addFile("/d/B/b.exe");
    fs.addFile("/d/C/c.exe");
    fs.makeUnreadable("/d/B");
    ResultTables tables;
    ScanEngine engine(tables, fs);
    engine.scan("/d");
    EXPECT_EQ(rowsOf(tables, 1), (std::vector<std::string> { " /d/A | A.exe", " /d/C | C.exe" }));
    EXPECT_EQ(engine.unreadableFolders(), std::vector<std::string> { "/d/B" });
}

TEST(ScanWalk, EmptyTablesKeepOneBlankRowAndTheChoiceRule)
{
    MemoryFileSystem fs;
    fs.addDirectory("/empty");
    ResultTables tables;
    ScanEngine engine(tables, fs);
    engine.scan("/empty");
    for (int t = 0; t < 3; ++t) {
        EXPECT_EQ(tables.GridLogiciel(t).Rows(), 2);
        EXPECT_EQ(sRowCountText(tables.GridLogiciel(t)), "0");
        EXPECT_EQ(tables.GridLogiciel(t).Row(), 1);
    }
    EXPECT_EQ(chooseTableToShow(2, 2, 2), 2);
    EXPECT_EQ(chooseTableToShow(5, 5, 3), 1);
    EXPECT_EQ(chooseTableToShow(6, 5, 3), 0);
    EXPECT_EQ(chooseTableToShow(6, 5, 6), 2);
    EXPECT_EQ(chooseTableToShow(2, 5, 4), 1);
}

TEST(ScanWalk, TableShownIsTheOneWithMostFiles)
{
    // One file alone: its own table, although every table has the same two rows.
    for (auto [name, expected] : { std::pair { "SETUP.EXE", 0 }, { "JEU.EXE", 1 }, { "JEU.ZIP", 2 } }) {
        MemoryFileSystem fs;
        fs.addFile(std::string("/d/") + name, "MZ");
        ResultTables tables;
        ScanEngine engine(tables, fs);
        engine.scan("/d");
        EXPECT_EQ(tables.GridLogiciel(0).Rows(), 2);
        EXPECT_EQ(tables.GridLogiciel(2).Rows(), 2);
        EXPECT_EQ(fileRowCount(tables.GridLogiciel(expected)), 1) << name;
        EXPECT_EQ(chooseTableToShow(tables), expected) << name;
    }

    // Counts of files, not of rows: two programs outweigh one archive.
    MemoryFileSystem fs;
    fs.addFile("/d/A.EXE", "MZ");
    fs.addFile("/d/B.EXE", "MZ");
    fs.addFile("/d/C.ZIP", "PK");
    ResultTables tables;
    ScanEngine engine(tables, fs);
    engine.scan("/d");
    EXPECT_EQ(fileRowCount(tables.GridLogiciel(0)), 0);
    EXPECT_EQ(chooseTableToShow(tables), 1);
    // Nothing found at all: the archives, as before.
    ResultTables empty;
    EXPECT_EQ(chooseTableToShow(empty), 2);
}

TEST(ScanRows, DescriptionCellRule)
{
    std::string fifty(50, 'a');
    EXPECT_EQ(sDescriptionCell(fifty), fifty);
    EXPECT_EQ(sDescriptionCell(std::string(51, 'b')), std::string(51, 'b') + "...");
    EXPECT_EQ(sDescriptionCell(std::string(60, 'c')), std::string(60, 'c') + "...");
    EXPECT_EQ(sDescriptionCell(std::string(200, 'd')), std::string(95, 'd') + "...");
    EXPECT_EQ(sDescriptionCell("  Jeu  "), "Jeu");
    // Accented characters count as one character each.
    std::string accented;
    for (int i = 0; i < 50; ++i)
        accented += "é";
    EXPECT_EQ(sDescriptionCell(accented), accented);
}

TEST(ScanRows, ColumnNamesMatchTheHeaderRowOfEachTable)
{
    ResultTables tables;
    InitTitresTableaux(tables);
    for (int t = 0; t < TableCount; ++t) {
        const Grid& g = tables.GridLogiciel(t);
        ASSERT_EQ(g.Cols(), ColumnCount);
        EXPECT_EQ(g.cell(0, ColLocation), " Emplacement");
        EXPECT_EQ(g.cell(0, ColFile), " Fichier");
        EXPECT_EQ(g.ColAlignment(ColLocation), CellAlignment::Left);
        EXPECT_EQ(g.ColAlignment(ColFile), CellAlignment::Left);
    }
    for (int t : { TableInstall, TableExecutables }) {
        const Grid& g = tables.GridLogiciel(t);
        EXPECT_EQ(g.cell(0, ColDescription), " Description");
        EXPECT_EQ(g.cell(0, ColVersion), " Version");
        EXPECT_EQ(g.ColAlignment(ColDescription), CellAlignment::Left);
        EXPECT_EQ(g.ColAlignment(ColVersion), CellAlignment::Centre);
    }
    const Grid& archives = tables.GridLogiciel(TableArchives);
    EXPECT_EQ(archives.cell(0, ColSize), " Taille en Ko");
    EXPECT_EQ(archives.cell(0, ColDate), " Date");
    EXPECT_EQ(archives.ColAlignment(ColSize), CellAlignment::Centre);
    EXPECT_EQ(archives.ColAlignment(ColDate), CellAlignment::Centre);
}

TEST(ScanNative, SymbolicLinkLoopEndsAndEachDirectoryIsListedOnce)
{
    TempDir tmp;
    tmp.write("disc/A/a.exe", "x");
    tmp.write("disc/A/B/b.exe", "x");
    std::filesystem::create_directory_symlink(tmp.path() / "disc", tmp.path() / "disc/A/B/loop");
    std::filesystem::create_directory_symlink(tmp.path() / "disc/A", tmp.path() / "disc/again");
    ResultTables tables;
    ScanEngine engine(tables);
    engine.scan(tmp.str() + "/disc");
    auto rows = rowsOf(tables, 1);
    ASSERT_EQ(rows.size(), 2u);
    int aCount = 0;
    for (const auto& r : rows)
        aCount += r.find("A.exe") != std::string::npos;
    EXPECT_EQ(aCount, 1);
}

TEST(ScanNative, NameThatIsNotUtf8IsShownDecodedAndKeptForAccess)
{
    TempDir tmp;
    std::string raw = "caf\xe9.exe";
    tmp.write("disc/" + raw, "MZ");
    ResultTables tables;
    ScanEngine engine(tables);
    engine.scan(tmp.str() + "/disc");
    const Grid& g = tables.GridLogiciel(1);
    ASSERT_EQ(g.cell(1, 2), " Café.exe");
    EXPECT_EQ(g.rowPath(1), tmp.str() + "/disc/" + raw);
    zFileInfo info;
    info.PutFileName(g.rowPath(1));
    EXPECT_EQ(info.sSize(), "2");
}

TEST(ScanNative, StartDirectoryIsMadeAbsoluteWithoutTrailingSeparator)
{
    EXPECT_EQ(normaliseStartDirectory("/"), "/");
    EXPECT_EQ(normaliseStartDirectory("/media/cd///"), "/media/cd");
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(normaliseStartDirectory("sub/dir/"), std::string(cwd) + "/sub/dir");
    EXPECT_EQ(normaliseStartDirectory("."), std::string(cwd));
}

TEST(ScanNative, RootLocationHasItsSeparatorAndChildrenJoinOnce)
{
    MemoryFileSystem fs;
    fs.addFile("/SETUP.EXE");
    fs.addFile("/GAMES/x.exe");
    ResultTables tables;
    ScanEngine engine(tables, fs);
    engine.scan("/");
    EXPECT_EQ(rowsOf(tables, 0), (std::vector<std::string> { " / | Setup.exe" }));
    EXPECT_EQ(rowsOf(tables, 1), (std::vector<std::string> { " /Games | X.exe" }));
    EXPECT_EQ(engine.sGetPremierSousRepertoire("/"), "Games");
    EXPECT_EQ(engine.sGetPremierSousRepertoire("/GAMES"), "");
    EXPECT_EQ(engine.sGetPremierSousRepertoire("  "), "");
}

TEST(ScanWalk, UnreadableFolderIsReportedAndTheWalkGoesOn)
{
    MemoryFileSystem fs;
    fs.addFile("/d/A/a.exe");
    fs.addFile("/d/B/b.exe");
    fs.addFile("/d/B/C/c.exe");
    fs.addFile("/d/D/d.exe");
    fs.makeUnreadable("/d/B");
    ResultTables tables;
    MessageLog log;
    ScanEngine engine(tables, fs, &log);
    engine.scan("/d");
    EXPECT_EQ(rowsOf(tables, 1), (std::vector<std::string> { " /d/A | A.exe", " /d/D | D.exe" }));
    EXPECT_EQ(engine.unreadableFolders(), std::vector<std::string> { "/d/B" });
    // The status line says so, after the folder being explored.
    ASSERT_EQ(log.messages.size(), 2u);
    EXPECT_EQ(log.messages[1].rfind("Répertoire illisible : /d/B", 0), 0u);
    EXPECT_EQ(sUnreadableFolderMessage("/x", EACCES), "Répertoire illisible : /x (accès refusé)");
    EXPECT_EQ(sUnreadableFolderMessage("/x", 0), "Répertoire illisible : /x");

    // A front end without a status line gets no exploration lines, but still hears of unreadable folders.
    struct Quiet : MessageLog {
        std::vector<std::string> unreadable;
        bool wantsMessages() const override { return false; }
        void folderUnreadable(const std::string& path, int) override { unreadable.push_back(path); }
    } quiet;
    ScanEngine quietEngine(tables, fs, &quiet);
    quietEngine.scan("/d");
    EXPECT_TRUE(quiet.messages.empty());
    EXPECT_EQ(quiet.unreadable, std::vector<std::string> { "/d/B" });
    EXPECT_EQ(quiet.refreshes, 3);

    // A start directory that cannot be read is reported too, and a new scan forgets the old reports.
    fs.makeUnreadable("/d");
    engine.scan("/d");
    EXPECT_EQ(engine.unreadableFolders(), std::vector<std::string> { "/d" });
}

TEST(ScanNative, TreeDeeperThanAPathCanNameIsWalkedToItsLastFile)
{
    TempDir tmp;
    std::string disc = tmp.str() + "/disc";
    ASSERT_EQ(::mkdir(disc.c_str(), 0755), 0);
    constexpr int kDepth = 3000;
    // A chain of "d" folders; on a few levels a side folder "s" with a folder of its own, so that the walk
    // goes down and back up past folders that let go of their descriptors.
    const std::vector<int> sideLevels = { 10, 60, 61, 1500, kDepth - 2 };
    int fd = ::open(disc.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 1; level <= kDepth && fd >= 0; ++level) {
        if (std::find(sideLevels.begin(), sideLevels.end(), level) != sideLevels.end()) {
            int s = makeFolderAt(fd, "s");
            int t = makeFolderAt(s, "t");
            writeFileAt(t, ("x" + std::to_string(level) + ".exe").c_str());
            ::close(t);
            ::close(s);
        }
        int next = makeFolderAt(fd, "d");
        ::close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    writeFileAt(fd, "last.exe");
    ::close(fd);

    ResultTables tables;
    ScanEngine engine(tables);
    engine.scan(disc);
    removeDeepTree(disc);

    auto location = [&](int level) {
        std::string out = " " + disc;
        for (int i = 0; i < level; ++i)
            out += "/D";
        return out;
    };
    std::vector<std::string> rows = rowsOf(tables, 1);
    std::sort(rows.begin(), rows.end());
    std::vector<std::string> expected = { location(kDepth) + " | Last.exe" };
    for (int level : sideLevels)
        expected.push_back(location(level - 1) + "/S/T | X" + std::to_string(level) + ".exe");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rows, expected);
    EXPECT_TRUE(engine.unreadableFolders().empty());
    // The real path of the deepest file is far longer than the system takes in one call.
    const Grid& g = tables.GridLogiciel(1);
    std::size_t deepestPath = 0;
    for (int r = 1; r < g.Rows(); ++r)
        if (g.cell(r, 2) == " Last.exe")
            deepestPath = g.rowPath(r).size();
    EXPECT_GT(deepestPath, 4096u);
}

namespace {

// Moves one folder away as soon as the walk names it on the status line (it is then being walked).
struct MoverLog : MessageLog {
    std::string watched;
    std::filesystem::path from, to;
    void message(const std::string& text) override
    {
        MessageLog::message(text);
        if (text == sExplorationMessage(watched))
            std::filesystem::rename(from, to);
    }
};

} // namespace

TEST(ScanNative, FolderMovedAwayDeepInTheWalkLeavesItsSiblingsReportedNotSilentlyLost)
{
    TempDir tmp;
    std::string chain = "disc";
    for (int i = 0; i < 60; ++i)
        chain += "/n";
    for (const char* c : { "c0", "c1", "c2", "c3", "c4" })
        tmp.write(chain + "/" + c + "/s/x.exe", "MZ");
    std::vector<std::string> order; // the folders of the deep parent in the file system's order
    {
        auto parent = nativeFileSystem().openDirectory(tmp.str() + "/" + chain);
        ASSERT_TRUE(parent);
        for (const DirEntry& e : parent->entries())
            order.push_back(e.name);
    }
    ASSERT_EQ(order.size(), 5u);
    std::string shown = tmp.str() + "/disc";
    for (int i = 0; i < 60; ++i)
        shown += "/N";

    ResultTables tables;
    MoverLog log;
    log.watched = shown + "/" + properCase(order[0]);
    log.from = tmp.path() / chain / order[0];
    log.to = tmp.path() / "moved";
    ScanEngine engine(tables, nativeFileSystem(), &log);
    engine.scan(tmp.str() + "/disc");

    // The moved folder is walked to its end through its open descriptor; the way back up then leads
    // elsewhere, so the folders left in its parent are reported rather than reached by a path.
    std::vector<std::string> expectedLost;
    for (std::size_t i = 1; i < order.size(); ++i)
        expectedLost.push_back(shown + "/" + properCase(order[i]));
    EXPECT_EQ(engine.unreadableFolders(), expectedLost);
    EXPECT_EQ(rowsOf(tables, 1), std::vector<std::string> { " " + log.watched + "/S | X.exe" });
    ASSERT_FALSE(log.messages.empty());
    EXPECT_EQ(log.messages.back(), sUnreadableFolderMessage(expectedLost.back(), ESTALE));
}

TEST(ScanNative, SiblingsTheAnalysisReadsSurviveTheScansShortListing)
{
    TempDir tmp;
    tmp.write("disc/SETUP.EXE", "MZ");
    tmp.write("disc/ReadMe.Txt", "Super jeu\r\n");
    tmp.write("disc/notes.doc", "x");
    ResultTables tables;
    ScanEngine engine(tables);
    engine.scan(tmp.str() + "/disc");
    EXPECT_EQ(tables.GridLogiciel(0).cell(1, 0), "Super jeu");

    for (const char* name : { "SETUP.LST", "SETUP.INI", "INSTALL.INF", "file_id.diz", "lisezmoi.txt", "readme.txt",
             "INSTALL.TXT", "logiciel.txt" }) {
        EXPECT_TRUE(isLookedUpSibling(name)) << name;
        EXPECT_TRUE(isLookedUpSibling(lowerCase(name))) << name;
        EXPECT_TRUE(isLookedUpSibling(upperCase(name))) << name;
    }
    for (const char* other : { "readme.doc", "SETUP.LSX", "README.TXT.BAK", "xreadme.txt", "setup.exe", "" })
        EXPECT_FALSE(isLookedUpSibling(other)) << other;
}
