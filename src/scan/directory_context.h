// One directory while its files are listed: the files of interest, and its other entries by name.
// A scan lists a folder keeping only the names it uses (see keepInScanListing in scan_engine.cpp): a
// sibling the analysis looks up must be among isLookedUpSibling's names.
#pragma once

#include "fs/file_system.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarex {

// What the installation analysis keeps of a directory (defined by the analysis).
class SiblingFacts;
struct SiblingFactsDeleter {
    void operator()(SiblingFacts* facts) const;
};

// A file of the directory being listed that matches "*.exe;*.zip".
struct ListedFile {
    std::string rawName; // as found on disk
    std::string name; // display text: decoded and trimmed
    std::string sortKey; // upper-cased display name
    // Empty when the listing told only that the entry is a regular file: size and date then come with
    // the opening (one system call fewer per file of a scan).
    std::optional<FileFacts> facts;
};

// One directory while its files are listed: display path, real access, and its siblings by name.
class DirectoryContext {
public:
    DirectoryContext(std::string displayPath, DirectoryHandle& handle);

    const std::string& displayPath() const { return m_displayPath; }
    // Gives the display path back to the walk that lent it (the context is done with afterwards).
    std::string takeDisplayPath() { return std::move(m_displayPath); }
    const std::string& realPath() const { return m_handle.path(); }
    DirectoryHandle& handle() { return m_handle; }
    // The files matching the patterns, sorted by name without regard to case.
    const std::vector<ListedFile>& files() const { return m_files; }
    // The real name of an entry matched without regard to case (nullptr when absent).
    const std::string* findSibling(std::string_view name) const;

    // What the installation analysis learnt of this directory's siblings (filled on first use).
    std::unique_ptr<SiblingFacts, SiblingFactsDeleter> analysisCache;

private:
    std::string m_displayPath;
    DirectoryHandle& m_handle;
    std::vector<ListedFile> m_files;
    mutable std::unique_ptr<std::vector<std::pair<std::string, std::size_t>>> m_siblingIndex;
};

// The display text of a name found on disk: UTF-8 as is, otherwise decoded as Windows-1252.
std::string displayName(std::string_view rawName);
// True when a name matches "*.exe;*.zip" (without regard to case).
bool matchesScanPatterns(std::string_view name);

} // namespace quarex
