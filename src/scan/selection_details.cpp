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

    std::vector<RelatedFile> matchingFiles(const std::vector<FolderListingCache::Entry>* files,
        std::string_view patterns, std::string_view excludedRawName)
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

FolderListingCache::Listing& FolderListingCache::listing(FileSystem& fs, const std::string& folder, bool whole)
{
    // The rows of a folder come one after the other: the folder asked for last is answered at once.
    if (m_last && m_lastWhole == whole && m_lastFolder == folder)
        return *m_last;
    const KeptListing* kept = !whole && m_kept ? m_kept->find(folder) : nullptr;
    std::map<std::string, Listing>& listings = kept ? m_keptListings : m_listings;
    auto found = listings.find(folder);
    if (found != listings.end())
        return remember(folder, whole, found->second);
    if (listings.size() >= kCachedFolders) {
        listings.clear();
        m_last = nullptr;
    }
    Listing& l = remember(folder, whole, listings[folder]);
    // An entry of a type the listing did not tell is looked at, as the scan did.
    auto add = [&](std::string_view rawName, bool isFolder) {
        std::string name = displayName(rawName);
        std::string upper = upperCase(name);
        (isFolder ? l.folders : l.files).push_back(Entry { std::move(name), std::string(rawName), std::move(upper) });
    };
    auto addUntyped = [&](std::string_view rawName, const std::optional<FileFacts>& facts) {
        if (facts && (facts->isDirectory || facts->isRegular))
            add(rawName, facts->isDirectory);
    };
    if (kept) {
        l.readable = true;
        for (const KeptListing::Name& n : kept->names()) {
            if (n.kind == KeptListing::Kind::Untyped)
                addUntyped(n.rawName, fs.stat(joinPath(folder, n.rawName)));
            else
                add(n.rawName, n.kind == KeptListing::Kind::Folder);
        }
    } else {
        auto dir = fs.openDirectory(folder);
        if (!dir)
            return l;
        l.readable = true;
        for (const DirEntry& e : dir->entries()) {
            if (e.type == EntryType::File || e.type == EntryType::Directory)
                add(e.name, e.type == EntryType::Directory);
            else
                addUntyped(e.name, dir->statChild(e.name));
        }
    }
    auto byName
        = [](const Entry& a, const Entry& b) { return a.upper != b.upper ? a.upper < b.upper : a.rawName < b.rawName; };
    std::sort(l.files.begin(), l.files.end(), byName);
    std::sort(l.folders.begin(), l.folders.end(), byName);
    return l;
}

FolderListingCache::Listing& FolderListingCache::remember(const std::string& folder, bool whole, Listing& listing)
{
    m_lastFolder = folder;
    m_lastWhole = whole;
    m_last = &listing;
    return listing;
}

const std::vector<FolderListingCache::Entry>* FolderListingCache::files(
    FileSystem& fs, const std::string& folder, bool whole)
{
    const Listing& l = listing(fs, folder, whole);
    return l.readable ? &l.files : nullptr;
}

const std::vector<RelatedFile>* FolderListingCache::matching(
    FileSystem& fs, const std::string& folder, std::string_view patterns)
{
    // The rows of one folder ask for the same kinds of files: the names are matched once per folder.
    Listing& l = listing(fs, folder, false);
    if (!l.readable)
        return nullptr;
    auto found = l.matches.find(patterns);
    if (found == l.matches.end())
        found = l.matches.emplace(std::string(patterns), matchingFiles(&l.files, patterns, {})).first;
    return &found->second;
}

std::string FolderListingCache::subfolder(FileSystem& fs, const std::string& folder, std::string_view name)
{
    const Listing& l = listing(fs, folder, false);
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
    std::string base = baseName(fileName);
    std::string patterns;
    std::vector<RelatedFile> found;
    // The fixed list is matched once per folder; a program's own name is looked for in the whole listing.
    bool byOwnName = false;
    auto fixedList = [&](const std::string& dir, std::string_view excludedRawName) {
        std::vector<RelatedFile> out;
        if (const auto* all = cache.matching(fs, dir, patterns))
            for (const RelatedFile& f : *all)
                if (excludedRawName.empty() || f.rawName != excludedRawName)
                    out.push_back(f);
        return out;
    };

    if (!windowsDirectory.empty() && equalsNoCase(AddBackslash(folder), AddBackslash(windowsDirectory))) {
        // The Windows folder holds many texts of its own: only those sharing the program's name.
        byOwnName = true;
        patterns = base + ".*";
        found = matchingFiles(cache.files(fs, folder, true), patterns, rawFileName);
    } else {
        if (isArchive) {
            found = matchingFiles(cache.files(fs, folder), base + "*.*", rawFileName);
            if (!found.empty())
                patterns = base + "*.*";
        }
        if (patterns.empty()) {
            patterns = std::string(kRelatedPatterns) + (isArchive ? "" : ";*.zip");
            found = fixedList(folder, rawFileName);
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
        found = byOwnName ? matchingFiles(cache.files(fs, current, true), patterns, {}) : fixedList(current, {});
    }
    foundIn = current;
    return found;
}

int offeredTextIndex(const std::vector<RelatedFile>& files)
{
    static const std::array<const char*, 4> preferred = { "file_id.diz", "lisezmoi.txt", "readme.txt", "INSTALL.TXT" };
    for (const char* wanted : preferred)
        for (std::size_t i = 0; i < files.size(); ++i)
            if (equalsNoCase(trimView(files[i].name), wanted))
                return static_cast<int>(i);
    return -1;
}

SelectionDetails describeRow(const Grid& grid, int row, int table, const DetailsSource& source)
{
    SelectionDetails d;
    if (row < 1 || row >= grid.Rows())
        return d;
    d.outcome = SelectionDetails::Outcome::NoFileName;
    std::string name = trim(grid.cell(row, ColFile));
    if (name.empty())
        return d;
    d.outcome = SelectionDetails::Outcome::NoLocation;
    std::string location = trim(grid.cell(row, ColLocation));
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

    // What the scan kept of the file is enough, unless the first column holds the placeholder "0" to replace.
    std::optional<RowFacts> kept = unpackRowFacts(grid.rowFacts(row));
    if (kept && trim(grid.cell(row, ColDescription)) != "0") {
        d.copyright = std::move(kept->copyright);
        d.internalName = std::move(kept->internalName);
        d.companyName = std::move(kept->companyName);
        d.productName = std::move(kept->productName);
        d.plainDosProgram = table != TableArchives && d.internalName.empty() && kept->plainDosProgram;
    } else {
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
        if (trim(grid.cell(row, ColDescription)) == "0")
            d.firstCell
                = table == TableArchives ? sSizeCell(info) : blankControls(sDescriptionCell(info.sFileDescription()));
    }

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
        grid.setCell(row, ColLocation, "");
    if (details.firstCell)
        grid.setCell(row, ColDescription, *details.firstCell);
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
