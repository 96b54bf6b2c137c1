// The one version record of a linear (LE) file, a virtual device driver's: a 16-bit .RES header, then the block.
#pragma once

#include "exe/exe_headers.h"

#include <optional>

namespace quarex {

// Where the version block of an LE file lies; nothing when its record is absent, of another type or cut.
std::optional<ResourceRef> leVersionRef(ByteReader& reader, const ImageLayout& image);

} // namespace quarex
