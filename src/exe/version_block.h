// The version-information block: found as stored in the file, and brought to the single-byte layout that
// zFileInfo searches.
#pragma once

#include "exe/exe_headers.h"

#include <optional>
#include <string>
#include <string_view>

namespace quarex {

// The version-information block of a file, as stored in it.
struct RawVersionBlock {
    std::string bytes;
    bool wide = false; // 32-bit layout (UTF-16 keys and values); else 16-bit (single-byte)
};

// A version block in the single-byte layout that zFileInfo searches.
struct SearchableVersionBlock {
    std::string block;
    bool valuesAreCp1252 = false; // 16-bit blocks hold Windows-1252 text; converted blocks hold UTF-8
};

// The block a version resource holds, cut to its own length; nothing when it is too short to be one.
std::optional<RawVersionBlock> versionBlockAt(ByteReader& reader, const ResourceRef& resource);

// Brings a 32-bit version block to the single-byte layout: keys and string values in UTF-8, NUL-terminated,
// each node with recomputed lengths and 4-byte padding, binary values copied.
std::string singleByteVersionBlock(std::string_view wideBlock);

// The block ready for the key search: 32-bit blocks converted, 16-bit ones as they stand.
SearchableVersionBlock searchableVersionBlock(RawVersionBlock raw);

} // namespace quarex
