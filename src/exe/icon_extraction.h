// The first group icon of a PE or NE file, rebuilt as a .ico file from the images the group names.
#pragma once

#include "exe/exe_headers.h"

#include <optional>
#include <string>

namespace quarex {

// The first group icon as the bytes of a complete .ico file; nothing when there is none or no image of it
// can be read.
std::optional<std::string> iconIco(ByteReader& reader, const ImageLayout& image);

} // namespace quarex
