#include "scan/scan_engine.h"

#include "text/text.h"
#include "scan/install_analysis.h"

#include <algorithm>
#include <climits>
#include <unistd.h>

namespace quarex {

namespace {

    // Beyond this depth a parent directory lets go of its descriptor while its child is walked,
    // so that a very deep tree cannot exhaust the process's descriptors.
    constexpr int kKeepOpenDepth = 48;

    // True when an entry is a folder; a symbolic link or an untyped entry (ISO 9660 gives no types) is stat-ed.
    bool isSubdirectory(DirectoryHandle& dir, const DirEntry& entry)
    {
        if (entry.type == EntryType::Directory)
            return true;
        if (entry.type == EntryType::Symlink || entry.type == EntryType::Unknown) {
            auto facts = dir.statChild(entry.name);
            return facts && facts->isDirectory;
        }
        return false;
    }

    // The folders of a directory in the file system's order, each entry looked at once.
    std::vector<const DirEntry*> subdirectoriesOf(DirectoryHandle& dir)
    {
        std::vector<const DirEntry*> out;
        for (const DirEntry& entry : dir.entries())
            if (isSubdirectory(dir, entry))
                out.push_back(&entry);
        return out;
    }

} // namespace

ResultTables::ResultTables()
    : m_grids { Grid(2, 4, 1, 0), Grid(2, 4, 1, 0), Grid(2, 4, 1, 0) }
{
}

void InitTitresTableaux(ResultTables& tables)
{
    for (int t = 0; t < TableCount; ++t) {
        Grid& g = tables.GridLogiciel(t);
        if (g.Cols() != 4)
            g.setCols(4);
        if (t == TableArchives) {
            const char* titles[] = { " Taille en Ko", " Emplacement", " Fichier", " Date" };
            const int widths[] = { 1300, 4600, 3100, 1500 };
            for (int c = 0; c < 4; ++c) {
                g.setCell(0, c, titles[c]);
                g.setColWidth(c, widths[c]);
            }
            g.setColAlignment(0, CellAlignment::Centre);
            g.setColAlignment(3, CellAlignment::Centre);
        } else {
            const char* titles[] = { " Description", " Emplacement", " Fichier", " Version" };
            const int widths[] = { 4000, 4200, 1450, 1000 };
            for (int c = 0; c < 4; ++c) {
                g.setCell(0, c, titles[c]);
                g.setColWidth(c, widths[c]);
            }
            g.setColAlignment(3, CellAlignment::Centre);
        }
    }
}

ScanEngine::ScanEngine(ResultTables& tables, FileSystem& fs, ScanObserver* observer)
    : m_tables(tables)
    , m_fs(fs)
    , m_observer(observer)
{
}

void ScanEngine::ExploreRepertoire(const std::string& sPath, bool bListFiles, bool refresh)
{
    if (sPath.empty())
        return;
    m_visited.clear();
    auto dir = m_fs.openDirectory(sPath);
    if (!dir) {
        if (m_observer)
            m_observer->message(sExplorationMessage(sPath));
        return;
    }
    m_visited.insert({ dir->facts().device, dir->facts().inode });
    walk(*dir, subdirectoriesOf(*dir), sPath, bListFiles, refresh, 0);
}

void ScanEngine::walk(DirectoryHandle& dir, const std::vector<const DirEntry*>& subdirectories,
    const std::string& displayPath, bool listFilesHere, bool refresh, int depth)
{
    if (m_observer)
        m_observer->message(sExplorationMessage(displayPath));
    if (listFilesHere)
        listFiles(dir, displayPath);
    for (const DirEntry* entry : subdirectories) {
        std::string name = properCase(displayName(entry->name));
        if (name == "." || name == "..")
            continue;
        std::string childDisplay = joinPath(displayPath, name);
        auto child = dir.openChildDirectory(entry->name);
        if (refresh && m_observer)
            m_observer->refresh();
        // A directory that cannot be read yields no entries; one met before (a loop through a
        // symbolic link) is not walked again.
        if (!child || !m_visited.insert({ child->facts().device, child->facts().inode }).second)
            continue;
        listFiles(*child, childDisplay);
        // Only a folder with folders of its own is walked (and named on the status line).
        std::vector<const DirEntry*> grandChildren = subdirectoriesOf(*child);
        if (!grandChildren.empty()) {
            if (depth >= kKeepOpenDepth)
                dir.release();
            walk(*child, grandChildren, childDisplay, false, false, depth + 1);
        }
    }
}

std::string ScanEngine::sGetPremierSousRepertoire(const std::string& sPath)
{
    if (trim(sPath).empty())
        return {};
    auto dir = m_fs.openDirectory(sPath);
    if (!dir)
        return {};
    for (const DirEntry& entry : dir->entries())
        if (isSubdirectory(*dir, entry))
            return properCase(displayName(entry.name));
    return {};
}

void ScanEngine::ListeFichiersRepertoire(const std::string& sDir)
{
    if (trim(sDir).empty())
        return;
    auto dir = m_fs.openDirectory(sDir);
    if (dir)
        listFiles(*dir, sDir);
}

void ScanEngine::listFiles(DirectoryHandle& dir, const std::string& displayPath)
{
    DirectoryContext context(displayPath, dir);
    for (const ListedFile& file : context.files()) {
        int table = tableForFile(file.name);
        if (table < 0)
            continue;
        AnalyseFichier(table, context, file);
    }
}

void ScanEngine::AnalyseFichier(int table, DirectoryContext& dir, const ListedFile& file)
{
    zFileInfo info(m_fs);
    // An archive's row shows its size and date only: its bytes are not read.
    info.PutFile(dir.handle(), file.rawName, file.facts, table != TableArchives);

    Grid& grid = m_tables.GridLogiciel(table);
    int row = iGetClearLineGrid(grid, 2, true, "");
    if (row < 0)
        return;
    grid.setRow(row);
    grid.setCell(row, 1, " " + dir.displayPath());
    grid.setCell(row, 2, " " + properCase(file.name));
    grid.setCell(row, 0, sDescriptionCell(info.sFileDescription()));
    grid.setRowPath(row, joinPath(dir.realPath(), file.rawName));
    // What the details of the row need, kept now rather than read again.
    grid.setRowFacts(row, packRowFacts(info, table == TableArchives));
    m_tables.keptListings().keep(dir);
    // Description from setup scripts and readme files, size and date or version, final checks.
    analyseInstallation(grid, row, table, dir, file, info);
}

void ScanEngine::scan(const std::string& directory)
{
    for (int t = 0; t < TableCount; ++t)
        ClearGrid(m_tables.GridLogiciel(t), "");
    m_tables.keptListings().clear();
    ExploreRepertoire(directory, true, true);
    InitTitresTableaux(m_tables);
    for (int t = 0; t < TableCount; ++t)
        m_tables.GridLogiciel(t).setRow(1);
}

std::string normaliseStartDirectory(const std::string& path)
{
    std::string out = path;
    if (out.empty())
        return out;
    if (out.front() != kPathSeparator) {
        std::string cwd(PATH_MAX, '\0');
        if (::getcwd(cwd.data(), cwd.size())) {
            cwd.resize(std::char_traits<char>::length(cwd.c_str()));
            out = out == "." ? cwd : joinPath(cwd, out.rfind("./", 0) == 0 ? out.substr(2) : out);
        }
    }
    while (out.size() > 1 && out.back() == kPathSeparator)
        out.pop_back();
    return out;
}

int tableForFile(std::string_view name)
{
    std::string trimmed = trim(name);
    static const char* const auxiliaries[] = { "_ISDEL.EXE", "_ISETUP.EXE", "_MSSETUP.EXE", "_MSTEST.EXE",
        "EXPAND.EXE" };
    for (const char* a : auxiliaries)
        if (equalsNoCase(trimmed, a))
            return -1;
    if (equalsNoCase(trimmed, "SETUP.EXE") || equalsNoCase(trimmed, "INSTALL.EXE"))
        return TableInstall;
    std::size_t dot = trimmed.rfind('.');
    if (dot != std::string::npos && equalsNoCase(std::string_view(trimmed).substr(dot + 1), "ZIP"))
        return TableArchives;
    return TableExecutables;
}

std::string sDescriptionCell(std::string_view fileDescription)
{
    std::string text = trim(fileDescription);
    if (utf8Length(text) > 50)
        return utf8Left(text, 95) + "...";
    return text;
}

std::string sSizeCell(const zFileInfo& info)
{
    if (!info.sSizeKo().empty())
        return info.sSizeKo();
    return (info.sSize().empty() ? std::string("0") : info.sSize()) + " octets";
}

int chooseTableToShow(int rows0, int rows1, int rows2)
{
    if (rows0 > rows1)
        return rows0 > rows2 ? 0 : 2;
    return rows2 >= rows1 ? 2 : 1;
}

std::string sRowCountText(const Grid& grid)
{
    if (grid.cell(1, 2).empty())
        return "0";
    return std::to_string(grid.Rows() - 1);
}

std::string sExplorationMessage(const std::string& path) { return "Exploration du répertoire : " + path + "..."; }

} // namespace quarex
