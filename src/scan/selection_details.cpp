#include "scan/selection_details.h"

#include "text/text.h"
#include "exe/executable_image.h"
#include "exe/file_info.h"
#include "exe/program_type.h"
#include "scan/scan_engine.h"
#include "scan/viewer_text.h"

#include <algorithm>
#include <array>

namespace quarex {

namespace {

    // Related files other than those of an archive's own name.
    constexpr std::string_view kRelatedPatterns
        = "*.txt;*.diz;*.htm;*.gif;*.bmp;*.wmf;*.mov;*.avi;*.mpg;*.hlp;*.wri;*.doc;*.ico;*.wav;*.midi";

    // Listings kept by one cache before it starts again (a report walks folders in order).
    constexpr std::size_t kCachedFolders = 256;

    // Glob match of upper-cased texts: "*" any run of characters, "?" one character.
    bool globMatch(std::string_view name, std::string_view pattern)
    {
        std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
        while (n < name.size()) {
            if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
                ++n;
                ++p;
            } else if (p < pattern.size() && pattern[p] == '*') {
                starP = p++;
                starN = n;
            } else if (starP != std::string_view::npos) {
                p = starP + 1;
                n = ++starN;
            } else {
                return false;
            }
        }
        while (p < pattern.size() && pattern[p] == '*')
            ++p;
        return p == pattern.size();
    }

    // One pattern as the system's file list applies it: a final ".*" also takes names without an extension.
    bool matchesOnePattern(std::string_view upperName, std::string_view upperPattern)
    {
        if (globMatch(upperName, upperPattern))
            return true;
        if (upperPattern.size() >= 2 && upperPattern.substr(upperPattern.size() - 2) == ".*"
            && upperName.find('.') == std::string_view::npos)
            return globMatch(upperName, upperPattern.substr(0, upperPattern.size() - 2));
        return false;
    }

    // The folder of a path; a bare name has none to list (not even the current one).
    std::string parentFolder(const std::string& path)
    {
        return path.find(kPathSeparator) == std::string::npos ? std::string() : directoryOf(path);
    }

    // The name up to its first ".".
    std::string baseName(std::string_view name) { return std::string(name.substr(0, name.find('.'))); }

    // The next folder of a disk set, by the last component of the current one.
    const char* nextDisk(const std::string& component)
    {
        std::string upper = upperCase(component);
        if (upper == "DISK1")
            return "Disk2";
        if (upper == "D1")
            return "D2";
        if (upper == "DISK2")
            return "Disk3";
        if (upper == "D2")
            return "D3";
        return nullptr;
    }

    // The upper-cased patterns of a ";"-separated list.
    std::vector<std::string> splitPatterns(std::string_view patterns)
    {
        std::vector<std::string> out;
        std::string upper = upperCase(patterns);
        std::string_view rest = upper;
        while (!rest.empty()) {
            std::size_t semi = rest.find(';');
            std::string one = trim(rest.substr(0, semi));
            if (!one.empty())
                out.push_back(std::move(one));
            if (semi == std::string_view::npos)
                break;
            rest.remove_prefix(semi + 1);
        }
        return out;
    }

    bool matchesAny(std::string_view upperName, const std::vector<std::string>& upperPatterns)
    {
        for (const std::string& p : upperPatterns)
            if (matchesOnePattern(upperName, p))
                return true;
        return false;
    }

    std::vector<RelatedFile> matching(const std::vector<FolderListingCache::Entry>* files, std::string_view patterns,
        std::string_view excludedRawName)
    {
        std::vector<RelatedFile> out;
        if (!files)
            return out;
        std::vector<std::string> upperPatterns = splitPatterns(patterns);
        for (const auto& f : *files) {
            if (!excludedRawName.empty() && f.rawName == excludedRawName)
                continue;
            if (matchesAny(f.upper, upperPatterns))
                out.push_back({ f.name, f.rawName });
        }
        return out;
    }

} // namespace

std::string SelectionDetails::relatedPath(std::size_t index) const
{
    if (index >= relatedFiles.size())
        return {};
    return joinPath(relatedFolder, relatedFiles[index].rawName);
}

std::string SelectionDetails::internalNameShown() const
{
    return internalName.empty() && plainDosProgram ? std::string("Programme MS-DOS") : internalName;
}

std::string SelectionDetails::offeredPath() const
{
    return offeredIndex < 0 ? std::string() : relatedPath(static_cast<std::size_t>(offeredIndex));
}

const FolderListingCache::Listing& FolderListingCache::listing(FileSystem& fs, const std::string& folder)
{
    auto found = m_listings.find(folder);
    if (found != m_listings.end())
        return found->second;
    if (m_listings.size() >= kCachedFolders)
        m_listings.clear();
    Listing& l = m_listings[folder];
    auto dir = fs.openDirectory(folder);
    if (!dir)
        return l;
    l.readable = true;
    for (const DirEntry& e : dir->entries()) {
        bool isFolder = e.type == EntryType::Directory;
        if (e.type != EntryType::File && e.type != EntryType::Directory) {
            auto facts = dir->statChild(e.name);
            if (!facts)
                continue;
            isFolder = facts->isDirectory;
            if (!isFolder && !facts->isRegular)
                continue;
        }
        std::string name = displayName(e.name);
        Entry entry { name, e.name, upperCase(name) };
        (isFolder ? l.folders : l.files).push_back(std::move(entry));
    }
    auto byName
        = [](const Entry& a, const Entry& b) { return a.upper != b.upper ? a.upper < b.upper : a.rawName < b.rawName; };
    std::sort(l.files.begin(), l.files.end(), byName);
    std::sort(l.folders.begin(), l.folders.end(), byName);
    return l;
}

const std::vector<FolderListingCache::Entry>* FolderListingCache::files(FileSystem& fs, const std::string& folder)
{
    const Listing& l = listing(fs, folder);
    return l.readable ? &l.files : nullptr;
}

std::string FolderListingCache::subfolder(FileSystem& fs, const std::string& folder, std::string_view name)
{
    const Listing& l = listing(fs, folder);
    // The folder of exactly that name wins over one that differs only by case.
    for (const Entry& e : l.folders)
        if (e.rawName == name)
            return e.rawName;
    std::string upper = upperCase(name);
    for (const Entry& e : l.folders)
        if (e.upper == upper)
            return e.rawName;
    return {};
}

bool matchesFilePattern(std::string_view name, std::string_view patterns)
{
    return matchesAny(upperCase(name), splitPatterns(patterns));
}

std::vector<RelatedFile> findRelatedFiles(FileSystem& fs, FolderListingCache& cache, const std::string& folder,
    std::string_view fileName, std::string_view rawFileName, bool isArchive, std::string_view windowsDirectory,
    std::string& foundIn)
{
    foundIn = folder;
    const auto* files = cache.files(fs, folder);
    std::string base = baseName(fileName);
    std::string patterns;
    std::vector<RelatedFile> found;

    if (!windowsDirectory.empty() && equalsNoCase(AddBackslash(folder), AddBackslash(windowsDirectory))) {
        // The Windows folder holds many texts of its own: only those sharing the program's name.
        patterns = base + ".*";
        found = matching(files, patterns, rawFileName);
    } else {
        if (isArchive) {
            found = matching(files, base + "*.*", rawFileName);
            if (!found.empty())
                patterns = base + "*.*";
        }
        if (patterns.empty()) {
            patterns = std::string(kRelatedPatterns) + (isArchive ? "" : ";*.zip");
            found = matching(files, patterns, rawFileName);
        }
    }

    // Disk sets: the texts of a set often stand on its first or second disk only.
    std::string current = folder;
    while (found.empty()) {
        const char* next = nextDisk(std::string(fileNameOf(current)));
        if (!next)
            break;
        std::string parent = parentFolder(current);
        if (parent.empty())
            break;
        std::string sibling = cache.subfolder(fs, parent, next);
        if (sibling.empty())
            break;
        current = joinPath(parent, sibling);
        found = matching(cache.files(fs, current), patterns, {});
    }
    foundIn = current;
    return found;
}

int offeredTextIndex(const std::vector<RelatedFile>& files)
{
    static const std::array<const char*, 4> preferred = { "file_id.diz", "lisezmoi.txt", "readme.txt", "INSTALL.TXT" };
    for (const char* wanted : preferred)
        for (std::size_t i = 0; i < files.size(); ++i)
            if (equalsNoCase(trim(files[i].name), wanted))
                return static_cast<int>(i);
    return -1;
}

SelectionDetails describeRow(const Grid& grid, int row, int table, const DetailsSource& source)
{
    SelectionDetails d;
    if (row < 1 || row >= grid.Rows())
        return d;
    d.outcome = SelectionDetails::Outcome::NoFileName;
    std::string name = trim(grid.cell(row, 2));
    if (name.empty())
        return d;
    d.outcome = SelectionDetails::Outcome::NoLocation;
    std::string location = trim(grid.cell(row, 1));
    if (location.empty())
        return d;
    if (location == "0") {
        d.outcome = SelectionDetails::Outcome::LocationPlaceholder;
        return d;
    }
    d.outcome = SelectionDetails::Outcome::Described;
    d.fullPath = trim(AddBackslash(location) + name);

    // The table shows display text; the disc is read through the row's real path.
    d.realPath = grid.rowPath(row).empty() ? d.fullPath : grid.rowPath(row);
    std::string folder = parentFolder(d.realPath);
    std::string_view rawName = fileNameOf(d.realPath);
    d.relatedFolder = folder;

    zFileInfo info(source.fs);
    std::unique_ptr<ExecutableImage> image = info.PutFileName(d.realPath);
    d.copyright = info.sLegalCopyright();
    d.internalName = info.sInternalName();
    d.companyName = info.sCompanyName();
    d.productName = info.sProductName();

    if (table != TableArchives && d.internalName.empty() && image) {
        const ExeHeader* header = image->header();
        d.plainDosProgram = header && header->format == ExeFormat::Dos;
    }

    // An archive's column holds its size in Ko, as the scan writes it.
    if (trim(grid.cell(row, 0)) == "0")
        d.firstCell = table == TableArchives ? sSizeCell(info) : sDescriptionCell(info.sFileDescription());

    FolderListingCache localCache;
    FolderListingCache& cache = source.cache ? *source.cache : localCache;
    bool isArchive = table == TableArchives || tableForFile(name) == TableArchives;
    d.relatedFiles = findRelatedFiles(
        source.fs, cache, folder, name, rawName, isArchive, source.windowsDirectory, d.relatedFolder);
    d.offeredIndex = offeredTextIndex(d.relatedFiles);
    d.programType = sGetTypeProgramme(d.fullPath);
    return d;
}

void applyRowChanges(Grid& grid, int row, const SelectionDetails& details)
{
    if (details.outcome == SelectionDetails::Outcome::LocationPlaceholder)
        grid.setCell(row, 1, "");
    if (details.firstCell)
        grid.setCell(row, 0, *details.firstCell);
}

SelectionDetails selectRow(Grid& grid, int row, int table, const DetailsSource& source)
{
    SelectionDetails d = describeRow(grid, row, table, source);
    applyRowChanges(grid, row, d);
    return d;
}

std::optional<std::string> loadViewerText(FileSystem& fs, const std::string& path)
{
    // The same reading as the viewer's, with the line ends of the text box.
    auto text = readViewerText(fs, path);
    if (!text)
        return std::nullopt;
    return replaceAll(*text, "\n", "\r\n");
}

} // namespace quarex
