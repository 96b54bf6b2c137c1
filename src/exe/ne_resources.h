// The resource table of a 16-bit (NE) Windows file.
#pragma once

#include "exe/exe_headers.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quarex {

inline constexpr std::uint16_t kNeTypeIcon = 0x8003;
inline constexpr std::uint16_t kNeTypeGroupIcon = 0x800E;
inline constexpr std::uint16_t kNeTypeVersion = 0x8010;

// One resource of the table, its offset and length already shifted to bytes.
struct NeResource {
    std::uint16_t type = 0;
    std::uint16_t id = 0;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// Every resource of the table, in table order, at most kMaxResourceEntries.
std::vector<NeResource> neResources(ByteReader& reader, const ImageLayout& image);

// Where one resource lies, cut to the file; nothing when it starts past the end or is empty.
std::optional<ResourceRef> neRef(const ByteReader& reader, const NeResource& resource);

// The version resource: id 1 (0x8001) else the first of its type.
std::optional<ResourceRef> neVersionRef(ByteReader& reader, const std::vector<NeResource>& resources);

} // namespace quarex
