// An executable parsed once from a byte source (an open file or bytes in memory): its headers, then on demand
// its version block and its first group icon, each looked up at most once.
#pragma once

#include "exe/exe_headers.h"
#include "exe/kind_label.h"
#include "exe/version_block.h"
#include "fs/byte_reader.h"
#include "fs/file_system.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quarex {

// What the window and the report show beside the version strings.
struct ExecutableFacts {
    std::string kind; // French label of the header kind; empty for a file that is not an MZ executable
    std::optional<std::string> iconIco; // the first group icon as the bytes of a .ico file
};

// A file up to this size is read whole, in one read.
inline constexpr std::uint64_t kWholeReadLimit = 64 * 1024;
// A PE resource section up to this size is read whole, in one read, when a resource is first wanted; beyond
// it, the few directory and block reads cost less than the section.
inline constexpr std::uint64_t kResourceSectionReadLimit = 256 * 1024;

class ExecutableImage {
public:
    // Reads the headers of an open file, which the caller keeps open while the image is used.
    explicit ExecutableImage(ReadableFile& file);
    // Same, the image keeping the file open (nothing is read from a null file).
    explicit ExecutableImage(std::unique_ptr<ReadableFile> file);
    // Reads the headers from bytes in memory, which the caller keeps alive while the image is used.
    explicit ExecutableImage(std::string_view bytes);
    ExecutableImage(const ExecutableImage&) = delete;
    ExecutableImage& operator=(const ExecutableImage&) = delete;

    // The headers; nullptr when the bytes do not start with an MS-DOS header.
    const ExeHeader* header() const { return m_layout ? &m_layout->header : nullptr; }
    // The French label of the header kind; "" for a file that is not an MZ executable.
    std::string kind() const;

    // The version resource (PE: id 1 else the first, language neutral, French, US English, else the first;
    // NE: the version resource; LE: the one version record); nothing when there is none or it cannot be read.
    const std::optional<RawVersionBlock>& versionResource();
    // The version block ready for the key search; nothing when the file has none.
    std::optional<SearchableVersionBlock> searchableVersionBlock();
    // The first group icon of a PE or NE file as a complete .ico file; nothing when there is none.
    const std::optional<std::string>& iconIco();
    // The header kind and the icon.
    ExecutableFacts facts();

    // How many times the file was read so far (0 for bytes in memory).
    std::size_t fileReads() const { return m_reader.fileReads(); }

private:
    void parse();
    void loadResourceSection();

    std::unique_ptr<ReadableFile> m_owned;
    ByteReader m_reader;
    std::optional<ImageLayout> m_layout;
    bool m_resourcesLoaded = false;
    std::optional<std::optional<RawVersionBlock>> m_version;
    std::optional<std::optional<std::string>> m_icon;
};

} // namespace quarex
