#include "scan/scan_engine.h"

#include "scan/install_analysis.h"
#include "text/text.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <unistd.h>

namespace quarex {

namespace {

    // Beyond this depth a folder lets go of its descriptor while its child folder is walked, so that a
    // very deep tree cannot exhaust the process's descriptors; it comes back through the child's "..".
    constexpr std::size_t kKeepOpenDepth = 48;

    // What a scan's listing of a folder keeps beside its folders: the names the scan and its analysis use,
    // and those the details of a row show as related files (kept for the HTML report).
    bool keepInScanListing(std::string_view name)
    {
        return matchesScanPatterns(name) || isLookedUpSibling(name) || hasRelatedExtension(name);
    }

    // One folder on the walk's stack: its folders still to walk, and the length of the display path up to
    // it (each level adds only its own name to one shared path).
    struct Level {
        std::unique_ptr<DirectoryHandle> handle;
        std::vector<const DirEntry*> subdirectories;
        std::size_t next = 0;
        std::size_t displayLength = 0;
        int lostError = 0; // why the handle could not be taken back after a release, 0 when it was
    };

    void appendPathPart(std::string& path, std::string_view name)
    {
        if (path.empty() || path.back() != kPathSeparator)
            path.push_back(kPathSeparator);
        path.append(name);
    }

    const char* reasonText(int error)
    {
        switch (error) {
        case EACCES:
        case EPERM:
            return "accès refusé";
        case ENAMETOOLONG:
            return "chemin trop long";
        case EMFILE:
        case ENFILE:
            return "trop de fichiers ouverts";
        case ENOENT:
            return "disparu pendant l'exploration";
        case ESTALE:
            return "déplacé pendant l'exploration";
        case ELOOP:
            return "trop de liens symboliques";
        case ENOTDIR:
            return "n'est plus un répertoire";
        case ENOMEM:
            return "mémoire insuffisante";
        default:
            return nullptr;
        }
    }

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
        if (g.Cols() != ColumnCount)
            g.setCols(ColumnCount);
        if (t == TableArchives) {
            const char* titles[ColumnCount] = { " Taille en Ko", " Emplacement", " Fichier", " Date" };
            const int widths[ColumnCount] = { 1300, 4600, 3100, 1500 };
            for (int c = 0; c < ColumnCount; ++c) {
                g.setCell(0, c, titles[c]);
                g.setColWidth(c, widths[c]);
            }
            g.setColAlignment(ColSize, CellAlignment::Centre);
            g.setColAlignment(ColDate, CellAlignment::Centre);
        } else {
            const char* titles[ColumnCount] = { " Description", " Emplacement", " Fichier", " Version" };
            const int widths[ColumnCount] = { 4000, 4200, 1450, 1000 };
            for (int c = 0; c < ColumnCount; ++c) {
                g.setCell(0, c, titles[c]);
                g.setColWidth(c, widths[c]);
            }
            g.setColAlignment(ColVersion, CellAlignment::Centre);
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
    m_unreadable.clear();
    errno = 0;
    auto dir = m_fs.openDirectoryFiltered(sPath, keepInScanListing);
    if (!dir) {
        int error = errno;
        if (m_observer)
            m_observer->message(sExplorationMessage(sPath));
        reportUnreadable(sPath, error);
        return;
    }
    m_visited.insert({ dir->facts().device, dir->facts().inode });
    walk(std::move(dir), sPath, bListFiles, refresh);
}

void ScanEngine::walk(
    std::unique_ptr<DirectoryHandle> start, const std::string& displayPath, bool listFilesHere, bool refresh)
{
    std::string display = displayPath;
    std::vector<const DirEntry*> startFolders = subdirectoriesOf(*start);
    if (m_observer && m_observer->wantsMessages())
        m_observer->message(sExplorationMessage(display));
    if (listFilesHere)
        listFiles(*start, display);
    std::vector<Level> stack;
    stack.push_back(Level { std::move(start), std::move(startFolders), 0, display.size(), 0 });
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next == level.subdirectories.size()) {
            std::unique_ptr<DirectoryHandle> done = std::move(level.handle);
            int lostBelow = level.lostError;
            stack.pop_back();
            if (stack.empty())
                break;
            Level& parent = stack.back();
            display.resize(parent.displayLength);
            errno = 0;
            // When the child could not be taken back either, its reason is the one that tells.
            if (!parent.handle->reacquireThrough(*done))
                parent.lostError = lostBelow ? lostBelow : errno ? errno : EBADF;
            continue;
        }
        const DirEntry* entry = level.subdirectories[level.next++];
        std::string name = properCase(displayName(entry->name));
        if (name == "." || name == "..")
            continue;
        appendPathPart(display, name);
        errno = 0;
        auto child = level.handle->openChildFolder(*entry, keepInScanListing);
        int error = level.lostError ? level.lostError : errno;
        if (refresh && stack.size() == 1 && m_observer)
            m_observer->refresh();
        if (!child) {
            reportUnreadable(display, error);
            display.resize(level.displayLength);
            continue;
        }
        // A folder met before (a loop through a symbolic link) is not walked again.
        if (!m_visited.insert({ child->facts().device, child->facts().inode }).second) {
            display.resize(level.displayLength);
            continue;
        }
        listFiles(*child, display);
        // Only a folder with folders of its own is walked (and named on the status line).
        std::vector<const DirEntry*> grandChildren = subdirectoriesOf(*child);
        if (grandChildren.empty()) {
            display.resize(level.displayLength);
            continue;
        }
        // The way back up through ".." leads to the folder holding a real folder, not a symbolic link.
        if (stack.size() > kKeepOpenDepth && entry->type == EntryType::Directory)
            level.handle->release();
        if (m_observer && m_observer->wantsMessages())
            m_observer->message(sExplorationMessage(display));
        stack.push_back(Level { std::move(child), std::move(grandChildren), 0, display.size(), 0 });
    }
}

void ScanEngine::reportUnreadable(const std::string& displayPath, int error)
{
    m_unreadable.push_back(displayPath);
    if (m_observer)
        m_observer->folderUnreadable(displayPath, error);
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
    std::string displayPath = sDir;
    if (dir)
        listFiles(*dir, displayPath);
}

void ScanEngine::listFiles(DirectoryHandle& dir, std::string& displayPath)
{
    // The walk's one display path is moved in and out rather than copied for every folder.
    DirectoryContext context(std::move(displayPath), dir);
    for (const ListedFile& file : context.files()) {
        int table = tableForFile(file.name);
        if (table < 0)
            continue;
        AnalyseFichier(table, context, file);
    }
    displayPath = context.takeDisplayPath();
}

void ScanEngine::AnalyseFichier(int table, DirectoryContext& dir, const ListedFile& file)
{
    zFileInfo info(m_fs);
    // An archive's row shows its size and date only: its bytes are not read.
    info.PutFile(dir.handle(), file.rawName, file.facts, table != TableArchives);

    Grid& grid = m_tables.GridLogiciel(table);
    int row = iGetClearLineGrid(grid, ColFile, true, "");
    if (row < 0)
        return;
    grid.setRow(row);
    grid.setCell(row, ColLocation, " " + dir.displayPath());
    grid.setCell(row, ColFile, " " + properCase(file.name));
    grid.setCell(row, ColDescription, sDescriptionCell(info.sFileDescription()));
    grid.setRowPath(row, joinPath(dir.realPath(), file.rawName));
    // What the details of the row need, kept now rather than read again.
    grid.setRowFacts(row, packRowFacts(info, table == TableArchives));
    // A filtered listing leaves out names that only an archive's base (JEU*.*) would ask for.
    m_tables.keptListings().keep(dir, dir.handle().listsEverything());
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
    static const char* const auxiliaries[]
        = { "_ISDEL.EXE", "_ISETUP.EXE", "_MSSETUP.EXE", "_MSTEST.EXE", "EXPAND.EXE" };
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

int chooseTableToShow(int files0, int files1, int files2)
{
    if (files0 > files1)
        return files0 > files2 ? 0 : 2;
    return files2 >= files1 ? 2 : 1;
}

int chooseTableToShow(const ResultTables& tables)
{
    return chooseTableToShow(fileRowCount(tables.GridLogiciel(TableInstall)),
        fileRowCount(tables.GridLogiciel(TableExecutables)), fileRowCount(tables.GridLogiciel(TableArchives)));
}

int fileRowCount(const Grid& grid)
{
    int count = 0;
    for (int r = grid.FixedRows(); r < grid.Rows(); ++r)
        if (!grid.cell(r, ColFile).empty())
            ++count;
    return count;
}

std::string sRowCountText(const Grid& grid)
{
    if (grid.cell(1, ColFile).empty())
        return "0";
    return std::to_string(grid.Rows() - 1);
}

std::string sExplorationMessage(const std::string& path) { return "Exploration du répertoire : " + path + "..."; }

std::string sUnreadableFoldersSummary(const std::vector<std::string>& folders)
{
    if (folders.empty())
        return {};
    if (folders.size() == 1)
        return "Exploration incomplète : répertoire illisible : " + folders.front();
    return "Exploration incomplète : " + std::to_string(folders.size()) + " répertoires illisibles, dont "
        + folders.front();
}

std::string sUnreadableFolderMessage(const std::string& path, int error)
{
    std::string text = "Répertoire illisible : " + path;
    if (error == 0)
        return text;
    const char* reason = reasonText(error);
    return text + " (" + (reason ? std::string(reason) : "erreur " + std::to_string(error)) + ")";
}

} // namespace quarex
