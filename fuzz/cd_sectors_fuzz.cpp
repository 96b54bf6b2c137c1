// Feeds arbitrary bytes to the CD image sniffing (sector size, sync, data offset) and to the cue sheet and
// table-of-contents readers.
#include "fs/byte_reader.h"
#include "fs/cd_sectors.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    quarex::MemoryFile file(bytes);
    if (auto layout = quarex::sniffCdLayout(file)) {
        // The descriptor found must lie inside the image.
        if (layout->offsetOf(16) + 6 > size || layout->dataOffset >= layout->sectorSize)
            std::abort();
    }
    for (auto sheet : { quarex::parseCueSheet(bytes), quarex::parseTocSheet(bytes) }) {
        if (!sheet)
            continue;
        if (sheet->files.empty() || sheet->tracks.empty())
            std::abort();
        for (const auto& track : sheet->tracks)
            quarex::sectorSizeOfMode(track.mode);
    }
    return 0;
}
