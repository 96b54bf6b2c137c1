// Feeds arbitrary bytes to the executable reader: headers, kind, icon, version block and its conversion,
// and the key search of zFileInfo over both the converted block and the raw bytes. The same bytes read from
// memory and through a file must give the same results, for a small file read whole and for a large one
// read by parts.
#include "exe/executable_image.h"
#include "exe/file_info.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// The .ico must describe exactly the images it carries.
void checkIco(const std::string& ico)
{
    quarex::ByteView v(ico);
    auto count = v.u16(4);
    if (!count || *count == 0 || v.u16(0) != 0 || v.u16(2) != 1)
        std::abort();
    for (std::uint16_t i = 0; i < *count; ++i) {
        auto size = v.u32(6 + 16u * i + 8);
        auto offset = v.u32(6 + 16u * i + 12);
        if (!size || !offset || !v.fits(*offset, *size))
            std::abort();
    }
}

// Reads everything from the bytes in memory and through a file over them, and compares.
void readBothWays(std::string_view bytes)
{
    quarex::MemoryFile file(bytes);
    quarex::ExecutableImage fromFile(file);
    quarex::ExecutableImage fromMemory(bytes);
    if (fromMemory.fileReads() != 0 || fromFile.kind() != fromMemory.kind())
        std::abort();
    const auto& icon = fromFile.iconIco();
    if (icon)
        checkIco(*icon);
    if (icon != fromMemory.iconIco())
        std::abort();
    const auto& version = fromFile.versionResource();
    const auto& other = fromMemory.versionResource();
    if (version.has_value() != other.has_value()
        || (version && (version->bytes != other->bytes || version->wide != other->wide)))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    readBothWays(bytes);
    // Past the whole-read size, the file is read by headers, resource section and windows.
    std::string padded(bytes);
    padded.resize(size + quarex::kWholeReadLimit + 1, '\0');
    readBothWays(padded);

    quarex::MemoryFile file(bytes);
    quarex::zFileInfo info;
    info.PutOpenFile(&file, quarex::FileFacts { size, 0, false, true, 0, 0 });

    std::string converted = quarex::singleByteVersionBlock(bytes);
    if (!converted.empty() && converted.size() % 4 != 0)
        std::abort();
    info.PutVersionBlock(converted);
    info.PutVersionBlock(bytes, true);
    return 0;
}
