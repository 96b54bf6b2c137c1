// CD images: where the 2048 bytes of user data sit in each sector (plain ISO, raw 2352-byte sectors with sync and
// header, 2336-byte mode 2, 2448 with subchannel) and the cue sheets that describe BIN files.
#pragma once

#include "fs/file_system.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarex {

// How the sectors of a data track are laid out in an image file.
struct SectorLayout {
    std::uint32_t sectorSize = 2048;
    std::uint32_t dataOffset = 0; // the user data inside each sector
    std::uint64_t start = 0; // byte offset in the file of the track's sector 0
    std::string mode; // "MODE1/2048", "MODE1/2352", "MODE2/2352", "MODE2/2336", ...

    // The byte offset in the file of the user data of a sector.
    std::uint64_t offsetOf(std::uint64_t sector) const { return start + sector * sectorSize + dataOffset; }
};

// The layout of a CD image, found by the ISO 9660 (or UDF) volume descriptor at sector 16 under each known sector
// size and, for raw sectors, their sync pattern; nothing when the file holds no such descriptor.
std::optional<SectorLayout> sniffCdLayout(ReadableFile& file);

// One track of a cue sheet.
struct CueTrack {
    int number = 0;
    std::string file; // the FILE line it belongs to, as written
    std::string mode; // "MODE1/2352", "MODE2/2352", "MODE1/2048", "AUDIO", ...
    std::uint64_t startSector = 0; // INDEX 01, in sectors from the start of its file
};

// What a cue sheet says.
struct CueSheet {
    std::vector<std::string> files;
    std::vector<CueTrack> tracks;
};

// Reads a cue sheet's FILE, TRACK and INDEX 01 lines; nothing when it names no file or no track.
std::optional<CueSheet> parseCueSheet(std::string_view text);
// Reads a cdrdao table of contents (TRACK MODE1_RAW, DATAFILE "x.bin" ...) as a cue sheet; nothing when it names
// no file or no track.
std::optional<CueSheet> parseTocSheet(std::string_view text);
// The bytes of a sector of a track mode ("MODE1/2352" -> 2352); 0 for a mode not known.
std::uint32_t sectorSizeOfMode(std::string_view mode);

} // namespace quarex
