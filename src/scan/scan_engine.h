// The scan: the recursive walk of a directory tree and the classification of its files
// into the three result tables (installation procedures, other executables, ZIP archives).
#pragma once

#include "exe/file_info.h"
#include "fs/file_system.h"
#include "grid/grid.h"
#include "scan/directory_context.h"
#include "scan/scan_facts.h"

#include <array>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace quarex {

enum TableIndex { TableInstall = 0, TableExecutables = 1, TableArchives = 2, TableCount = 3 };

// The columns of the result tables. Location and file name sit at the same place in all three; the
// first and last columns hold a program's description and version, an archive's size and date.
enum TableColumn {
    ColDescription = 0,
    ColSize = 0,
    ColLocation = 1,
    ColFile = 2,
    ColVersion = 3,
    ColDate = 3,
    ColumnCount = 4
};

// The three result tables, each with one fixed header row and four text columns.
class ResultTables {
public:
    ResultTables();
    Grid& GridLogiciel(int index) { return m_grids[static_cast<std::size_t>(index)]; }
    const Grid& GridLogiciel(int index) const { return m_grids[static_cast<std::size_t>(index)]; }
    // The folders of the rows as the scan listed them (for the details of the rows).
    KeptListings& keptListings() { return m_kept; }
    const KeptListings& keptListings() const { return m_kept; }

private:
    std::array<Grid, TableCount> m_grids;
    KeptListings m_kept;
};

// Writes the header rows, column widths and alignments of the three tables.
void InitTitresTableaux(ResultTables& tables);

// "Répertoire illisible : " + path + " (" + the reason in French + ")".
std::string sUnreadableFolderMessage(const std::string& path, int error);

// What the walk tells its front end: the status line, and when the window should repaint.
class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    // The status line text ("Exploration du répertoire : …").
    virtual void message(const std::string& text) = 0;
    // Called before each immediate subdirectory of the start directory is handled.
    virtual void refresh() { }
    // False when the front end shows no status line: the walk then builds none (a deep tree's lines
    // would cost time in the square of its depth).
    virtual bool wantsMessages() const { return true; }
    // A folder that could not be read (its files and folders are missing from the tables); `error` is an
    // errno value. Shown on the status line unless the front end says it otherwise.
    virtual void folderUnreadable(const std::string& displayPath, int error)
    {
        message(sUnreadableFolderMessage(displayPath, error));
    }
};

class ScanEngine {
public:
    explicit ScanEngine(ResultTables& tables, FileSystem& fs = nativeFileSystem(), ScanObserver* observer = nullptr);

    // Walks the tree below sPath (listing sPath's own files when bListFiles).
    void ExploreRepertoire(const std::string& sPath, bool bListFiles, bool refresh = false);
    // The proper-case name of the first subdirectory of sPath, or "".
    std::string sGetPremierSousRepertoire(const std::string& sPath);
    // Lists the files of one directory into the tables.
    void ListeFichiersRepertoire(const std::string& sDir);
    // Writes one file's row into the grid of its table (`table` from tableForFile, never -1).
    void AnalyseFichier(int table, DirectoryContext& dir, const ListedFile& file);

    // The core of a scan: clears the tables, walks `directory`, writes the headers and sets row 1 current.
    void scan(const std::string& directory);

    FileSystem& fileSystem() { return m_fs; }
    // The folders of the last walk that could not be read (display paths, in the order met).
    const std::vector<std::string>& unreadableFolders() const { return m_unreadable; }

private:
    // Walks the tree below `start` in pre-order, with a stack of its own rather than recursion.
    void walk(std::unique_ptr<DirectoryHandle> start, const std::string& displayPath, bool listFiles, bool refresh);
    // Lists the files of `dir`; `displayPath` is lent to the listing and given back unchanged.
    void listFiles(DirectoryHandle& dir, std::string& displayPath);
    void reportUnreadable(const std::string& displayPath, int error);

    ResultTables& m_tables;
    FileSystem& m_fs;
    ScanObserver* m_observer;
    // Device and inode of every folder walked.
    struct IdentityHash {
        std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& id) const
        {
            return std::hash<std::uint64_t>()(id.second * 0x9E3779B97F4A7C15ull ^ id.first);
        }
    };
    std::unordered_set<std::pair<std::uint64_t, std::uint64_t>, IdentityHash> m_visited;
    std::vector<std::string> m_unreadable;
};

// The start directory as the walk uses it: absolute, no trailing separator except for the root.
std::string normaliseStartDirectory(const std::string& path);
// The table of a file name (0 setup/install programs, 2 ZIP archives, 1 others); -1 for the auxiliary
// installer programs that get no row.
int tableForFile(std::string_view name);
// The description cell from a FileDescription: trimmed; over 50 characters, its first 95 and "...".
std::string sDescriptionCell(std::string_view fileDescription);
// The size cell of an archive: size in Ko, or the byte count and " octets".
std::string sSizeCell(const zFileInfo& info);
// The table to show after a scan, from the numbers of rows holding a file: the largest, a tie going
// to the higher table.
int chooseTableToShow(int files0, int files1, int files2);
// The same for the tables themselves (a table's blank row does not count).
int chooseTableToShow(const ResultTables& tables);
// The number of rows of a table that hold a file (those whose name cell is filled).
int fileRowCount(const Grid& grid);
// The row count shown for a table: data rows, or "0" when its first key cell is empty.
std::string sRowCountText(const Grid& grid);
// The status line after a walk that could not read some folders: how many, and the first one.
std::string sUnreadableFoldersSummary(const std::vector<std::string>& folders);
// "Exploration du répertoire : " + path + "..."
std::string sExplorationMessage(const std::string& path);

} // namespace quarex
