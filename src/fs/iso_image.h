// ISO 9660 images (levels 1 to 3, multi-extent files) read in place through libiso9660: Joliet names first, then
// Rock Ridge, then primary names without their version; plain 2048-byte sectors or raw CD sectors.
#pragma once

#include "fs/cd_sectors.h"
#include "fs/volume.h"

#include <memory>
#include <string>

namespace quarex {

// Opens the ISO 9660 volume of an image file laid out as `layout` (from sniffCdLayout). `shownName` names the image
// in messages; damage met later is told to `problems`. Nothing, with `error` set, when it cannot be read.
std::shared_ptr<Volume> openIsoVolume(const std::string& file, const SectorLayout& layout, const std::string& shownName,
    std::shared_ptr<ImageProblems> problems, std::string& error);

// The name an ISO 9660 primary record shows: its version (";1") and a trailing dot removed.
std::string isoPrimaryName(std::string_view recorded);

} // namespace quarex
