// The resource tree of a PE file: type → name → language, walked with caps against loops and huge counts.
#pragma once

#include "exe/exe_headers.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quarex {

inline constexpr std::uint16_t kRtIcon = 3;
inline constexpr std::uint16_t kRtGroupIcon = 14;
inline constexpr std::uint16_t kRtVersion = 16;

// One entry of a resource directory.
struct PeDirEntry {
    bool named = false;
    std::uint32_t id = 0;
    std::uint32_t target = 0; // offset from the resource root; high bit: a subdirectory
    bool isDirectory() const;
    std::uint32_t offset() const;
};

// Walks type → name → language, at most three levels, never re-entering a directory of the current path,
// and reading no more entries than the caps allow.
class PeResources {
public:
    PeResources(ByteReader& reader, const ImageLayout& image);

    // True when the file has a resource root that lies in its bytes.
    bool valid() const { return m_root.has_value(); }
    // The file offset of the resource root.
    std::optional<std::uint64_t> root() const { return m_root; }

    // The name directory of a numeric type, with the path that leads to it.
    std::optional<std::vector<PeDirEntry>> typeDirectory(std::uint16_t type, std::vector<std::uint32_t>& path);

    // The data of one name entry, in the language wanted when present, else the preferred one.
    std::optional<ResourceRef> language(
        const PeDirEntry& name, std::vector<std::uint32_t> path, std::optional<std::uint32_t> wanted = std::nullopt);

private:
    std::optional<std::vector<PeDirEntry>> directory(std::uint32_t offset, int depth, std::vector<std::uint32_t>& path);
    std::optional<ResourceRef> data(std::uint32_t offset, std::uint32_t language);

    ByteReader& m_reader;
    const ImageLayout& m_image;
    std::optional<std::uint64_t> m_root;
    std::size_t m_entriesRead = 0;
};

// The version resource of a PE file: id 1 else the first, in the preferred language.
std::optional<ResourceRef> peVersionRef(ByteReader& reader, const ImageLayout& image);

} // namespace quarex
