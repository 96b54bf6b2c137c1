// Feeds arbitrary bytes to the FAT floppy reader as an image: geometry, directories, long names, cluster chains.
#include "fs/byte_reader.h"
#include "fs/fat_image.h"

#include "image_walk.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    auto problems = std::make_shared<quarex::ImageProblems>();
    auto volume = quarex::openFatVolume(std::make_unique<quarex::MemoryFile>(bytes), "fuzz.ima", problems, error);
    if (!volume)
        return 0;
    volume->info();
    quarex::VolumeFileSystem fs("/fuzz.ima", volume, 1);
    quarex::fuzz::walkImage(fs, "/fuzz.ima");
    return 0;
}
