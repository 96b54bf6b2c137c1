// What the scan keeps of the files and folders that gave rows, so that the details of a row (a click, the
// HTML report) need not open its file or list its folder again.
#pragma once

#include "exe/file_info.h"
#include "fs/file_system.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quarex {

class DirectoryContext;

// The kinds of files offered beside a program or an archive (besides ZIP archives beside a program); each
// pattern is "*." and an extension, so that the scan can keep the names a row's details ask for.
inline constexpr std::string_view kRelatedPatterns
    = "*.txt;*.diz;*.htm;*.gif;*.bmp;*.wmf;*.mov;*.avi;*.mpg;*.hlp;*.wri;*.doc;*.ico;*.wav;*.midi";

// The version strings and kind of a row's file, as the details show them.
struct RowFacts {
    std::string productName;
    std::string copyright;
    std::string internalName;
    std::string companyName;
    bool plainDosProgram = false;
};

// The facts of a scanned file packed for Grid::setRowFacts; "" when the scan did not learn them all (the
// details then read the file). An archive's bytes are not read: it has no version strings.
std::string packRowFacts(const zFileInfo& info, bool isArchive);
// The facts packed by packRowFacts; nothing for "" or a text that is not such a packing.
std::optional<RowFacts> unpackRowFacts(std::string_view packed);

// One folder as the scan listed it: only the names a row's details can ask for (texts, pictures and other
// related kinds, ZIP archives, names starting like an archive of the folder, folders of a disk set).
class KeptListing {
public:
    enum class Kind : char { File = 'F', Folder = 'D', Untyped = 'U' };
    struct Name {
        Kind kind;
        std::string_view rawName;
    };
    void add(Kind kind, std::string_view rawName);
    std::vector<Name> names() const;

private:
    std::string m_packed; // per name: its kind, its bytes, a NUL
};

// The kept listings of the folders that gave rows, by real path.
class KeptListings {
public:
    // Keeps what the rows of a folder being listed can ask for; a folder already kept is not kept again.
    // A listing that may lack some names (`listingComplete` false) is not kept for a folder holding an
    // archive, whose details look for every name that starts like it: the report lists that folder again.
    void keep(DirectoryContext& dir, bool listingComplete = true);
    // True when the folder has been kept (the last one is checked first: rows come folder by folder).
    bool has(const std::string& folder) const;
    const KeptListing* find(const std::string& folder) const;
    void clear();

private:
    std::unordered_map<std::string, KeptListing> m_listings;
    std::string m_last; // the folder kept last
};

// True when a name's extension is one of the related kinds or ZIP (only ASCII letters matter).
bool hasRelatedExtension(std::string_view name);
// True when a folder name is one a disk set moves to (Disk2, D2, Disk3, D3) without regard to case.
bool isDiskSetFolder(std::string_view name);

} // namespace quarex
