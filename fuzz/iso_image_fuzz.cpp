// Feeds arbitrary bytes to the ISO 9660 reader through libiso9660: the bytes are written to a file (the library
// reads images by path), opened as an image, walked whole, and described.
#include "fs/disc_images.h"

#include "image_walk.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/tmp/quarex-iso-fuzz-" + std::to_string(::getpid()) + ".iso";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    std::string error;
    auto image = quarex::openImageFile(path, std::make_shared<quarex::ImageProblems>(), error);
    if (image) {
        image->volume->info();
        quarex::VolumeFileSystem fs(path, image->volume, 1);
        quarex::fuzz::walkImage(fs, path);
    }
    return 0;
}
