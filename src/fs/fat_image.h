// FAT12/FAT16 floppy and small disk images (160 KB to 2.88 MB, DMF, DOS 1.x disks without a parameter block)
// read in place, VFAT long names included. The reader is our own, over the bounds-checked ByteReader: no library
// packaged for Debian reads FAT from a file or buffer under a licence we can link (mtools is programs only).
#pragma once

#include "fs/volume.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quarex {

// The layout of a FAT volume, from its boot sector or, for a blank DOS 1.x boot sector, from the image's size.
struct FatGeometry {
    std::uint32_t bytesPerSector = 512;
    std::uint32_t sectorsPerCluster = 1;
    std::uint32_t reservedSectors = 1;
    std::uint32_t fatCount = 2;
    std::uint32_t rootEntries = 0;
    std::uint64_t totalSectors = 0;
    std::uint32_t sectorsPerFat = 0;
    std::uint8_t media = 0;
    bool fromSize = false; // no parameter block: the geometry of a standard disk of that size
    std::string label; // from the boot sector's extended block
    std::string oemName;

    std::uint64_t fatOffset() const { return std::uint64_t(reservedSectors) * bytesPerSector; }
    std::uint64_t rootOffset() const { return fatOffset() + std::uint64_t(fatCount) * sectorsPerFat * bytesPerSector; }
    std::uint64_t rootBytes() const { return std::uint64_t(rootEntries) * 32; }
    std::uint64_t dataOffset() const
    {
        return rootOffset() + (rootBytes() + bytesPerSector - 1) / bytesPerSector * bytesPerSector;
    }
    std::uint64_t clusterBytes() const { return std::uint64_t(sectorsPerCluster) * bytesPerSector; }
    // How many data clusters the volume has (clusters are numbered from 2).
    std::uint32_t clusterCount() const;
    // 12 or 16.
    int fatBits() const { return clusterCount() < 4085 ? 12 : 16; }
};

// The FAT layout of an image, or nothing when it is not a FAT12/FAT16 image.
std::optional<FatGeometry> sniffFat(ReadableFile& file);

// Opens the FAT volume of an image; `shownName` names it in messages, damage met later goes to `problems`.
std::shared_ptr<Volume> openFatVolume(std::unique_ptr<ReadableFile> file, const std::string& shownName,
    std::shared_ptr<ImageProblems> problems, std::string& error);

} // namespace quarex
