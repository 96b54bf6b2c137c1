// What the detail panel shows for one row of a result table: full path, version strings,
// the related files beside the file (readme, file_id.diz, pictures...), the text offered at once,
// the program type. Pure of any window: the window and the HTML report both use it.
#pragma once

#include "grid/grid.h"
#include "fs/file_system.h"
#include "scan/scan_facts.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarex {

// A file of the related-files list: its display name and its name on disk.
struct RelatedFile {
    std::string name;
    std::string rawName;
};

struct SelectionDetails {
    enum class Outcome {
        Header, // the header row: nothing changes
        NoFileName, // blank file name: the detail zone is only cleared
        NoLocation, // blank location: nothing more
        LocationPlaceholder, // the location held "0": the cell is blanked, no details
        Described,
    };
    Outcome outcome = Outcome::Header;

    std::string fullPath; // TextInfo(5): the location and the file name as the table shows them
    std::string realPath; // the file on disk
    std::string productName; // TextInfo(4)
    std::string copyright; // TextInfo(1)
    std::string internalName; // TextInfo(2)
    std::string companyName; // TextInfo(3)
    // New text of column 0 when it held the placeholder "0" (description, or size for an archive).
    std::optional<std::string> firstCell;
    std::vector<RelatedFile> relatedFiles; // ListFichier
    std::string relatedFolder; // ListFichier.Tag: the real folder in which the list was found
    int offeredIndex = -1; // the entry of relatedFiles shown at once in the viewer, -1 when none
    std::string programType; // "Programme Windows 95"..., "" when the path says nothing
    // A plain MS-DOS program (MZ header alone): no icon and, without an internal name, shown as "Programme MS-DOS".
    bool plainDosProgram = false;

    // The internal-name field as the detail zone shows it.
    std::string internalNameShown() const;

    // Full path of a related file (real path on disk).
    std::string relatedPath(std::size_t index) const;
    // Full path of the offered text, "" when none.
    std::string offeredPath() const;
};

// Remembers the files of the folders already listed, so that a report over many rows of one
// folder lists it once.
class FolderListingCache {
public:
    // `kept`: the folders as the scan listed them, used instead of listing them again.
    explicit FolderListingCache(const KeptListings* kept = nullptr)
        : m_kept(kept)
    {
    }
    // It remembers a pointer into its own listings: not to be copied.
    FolderListingCache(const FolderListingCache&) = delete;
    FolderListingCache& operator=(const FolderListingCache&) = delete;

    struct Entry {
        std::string name; // display text
        std::string rawName;
        std::string upper; // upper-cased display text
    };
    // The files (not folders) of a folder sorted by name without regard to case; nullptr when it cannot be read.
    // Unless `whole`, a folder the scan kept gives only the names its rows' details can ask for.
    const std::vector<Entry>* files(FileSystem& fs, const std::string& folder, bool whole = false);
    // The files of a folder matching one ";"-separated list of patterns, remembered for the folder.
    const std::vector<RelatedFile>* matching(FileSystem& fs, const std::string& folder, std::string_view patterns);
    // The real name of a sub-folder matched without regard to case, or "".
    std::string subfolder(FileSystem& fs, const std::string& folder, std::string_view name);

private:
    struct Listing {
        bool readable = false;
        std::vector<Entry> files;
        std::vector<Entry> folders;
        std::map<std::string, std::vector<RelatedFile>, std::less<>> matches; // by pattern list
    };
    Listing& listing(FileSystem& fs, const std::string& folder, bool whole);
    Listing& remember(const std::string& folder, bool whole, Listing& listing);
    const KeptListings* m_kept;
    std::map<std::string, Listing> m_listings;
    std::map<std::string, Listing> m_keptListings; // taken from m_kept
    std::string m_lastFolder; // the folder asked for last, and its listing
    bool m_lastWhole = false;
    Listing* m_last = nullptr;
};

// Where the details of a row are read.
struct DetailsSource {
    FileSystem& fs;
    std::string windowsDirectory; // "" when there is none: its rule never applies
    FolderListingCache* cache = nullptr;
};

// The details of row `row` of a table (0 install, 1 executables, 2 archives); the grid is not changed.
SelectionDetails describeRow(const Grid& grid, int row, int table, const DetailsSource& source);
// Writes into the row what the first click changes: the blanked "0" location, the replaced "0" of column 0.
void applyRowChanges(Grid& grid, int row, const SelectionDetails& details);
// describeRow and applyRowChanges in one: what a click on the row does to the table.
SelectionDetails selectRow(Grid& grid, int row, int table, const DetailsSource& source);

// The related files of a file: pattern choice (Windows folder, archive base name, fixed list) and the
// moves through disk sets (DISK1 to Disk2...). `folder` is the file's real folder.
std::vector<RelatedFile> findRelatedFiles(FileSystem& fs, FolderListingCache& cache, const std::string& folder,
    std::string_view fileName, std::string_view rawFileName, bool isArchive, std::string_view windowsDirectory,
    std::string& foundIn);

// True when a name matches one pattern of a ";"-separated list ("*.txt;*.diz"), without regard to case.
bool matchesFilePattern(std::string_view name, std::string_view patterns);

// The index of the text offered at once: the first of file_id.diz, lisezmoi.txt, readme.txt,
// INSTALL.TXT found in the list (without regard to case), or -1.
int offeredTextIndex(const std::vector<RelatedFile>& files);

// A text file as the viewer shows it: decoded (UTF-8 when valid, else Windows-1252), lines joined by CR LF,
// without a final line end; nothing when it cannot be read.
std::optional<std::string> loadViewerText(FileSystem& fs, const std::string& path);

} // namespace quarex
