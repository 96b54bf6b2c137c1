// A file system held in an image (ISO 9660 disc, FAT floppy), seen through the file-system door: each image
// format is a Volume, and VolumeFileSystem serves its tree under the image's own path.
#pragma once

#include "fs/file_system.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quarex {

// A run of bytes of the image that belongs to a file, in the volume's own units.
struct Extent {
    std::uint64_t start = 0;
    std::uint64_t length = 0;
};

// One file or directory of a volume.
struct VolumeEntry {
    std::string name; // as shown to the walk (ISO version and trailing dot removed)
    bool isDirectory = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::uint64_t id = 0; // unique within the volume: a directory met twice is a loop
    std::string locator; // what the volume needs to list it again (path inside the image as the library spells it)
    std::vector<Extent> extents;
};

// One track of a CD image.
struct TrackInfo {
    int number = 0;
    std::string mode; // "MODE1/2352", "AUDIO", ...
    std::uint64_t startSector = 0;
};

// What `quarex-scan info` tells of an image.
struct ImageInfo {
    std::string format; // "ISO 9660", "ISO 9660 (BIN/CUE)", "FAT12", ...
    std::string label;
    std::int64_t created = 0; // seconds since the epoch, 0 when unknown
    std::string application;
    std::string publisher;
    std::string preparer;
    std::string system;
    std::string extensions; // "Joliet", "Rock Ridge", ...
    int sectorSize = 0;
    std::vector<TrackInfo> tracks;
};

// Messages about damage met while reading images, each naming its image; collected for the front end.
class ImageProblems {
public:
    // Records a message once (the same damage met twice is told once).
    void report(const std::string& image, const std::string& message);
    // The messages recorded so far, in order.
    std::vector<std::string> messages() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_messages;
};

// One image format's reader.
class Volume {
public:
    virtual ~Volume() = default;
    // The root directory.
    virtual VolumeEntry root() = 0;
    // The entries of a directory; nothing when it cannot be read.
    virtual std::optional<std::vector<VolumeEntry>> list(const VolumeEntry& directory) = 0;
    // Opens a file of the volume.
    virtual std::unique_ptr<ReadableFile> open(const VolumeEntry& file) = 0;
    // What the image tells of itself.
    virtual ImageInfo info() = 0;
};

// A volume seen as a file system whose root is the image's own path ("/cd/A.ISO", "/cd/A.ISO/Jeux/Dames").
class VolumeFileSystem final : public FileSystem {
public:
    VolumeFileSystem(std::string imagePath, std::shared_ptr<Volume> volume, std::uint64_t device);

    std::unique_ptr<DirectoryHandle> openDirectory(const std::string& path) override;
    std::optional<FileFacts> stat(const std::string& path) override;
    std::unique_ptr<ReadableFile> open(const std::string& path) override;

    const std::string& imagePath() const { return m_imagePath; }
    Volume& volume() { return *m_volume; }

private:
    // The entry at `path` (the image path itself for the root); nothing when absent.
    std::optional<VolumeEntry> find(const std::string& path);

    std::string m_imagePath;
    std::shared_ptr<Volume> m_volume;
    std::uint64_t m_device;
};

// The facts the door gives for an entry of a volume.
FileFacts volumeFacts(const VolumeEntry& entry, std::uint64_t device);

} // namespace quarex
