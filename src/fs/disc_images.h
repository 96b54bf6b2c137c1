// Disc and floppy images opened as folders: the image formats behind one door, and a file system that serves the
// tree of an image under the image's own path ("/cd/SHARE95.ISO/Jeux/Dames"), optionally for every image met
// while a folder is walked.
#pragma once

#include "fs/volume.h"

#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace quarex {

// True when a file name has the extension of a disc or floppy image (.iso .cue .bin .img .ima .vfd .flp .dsk .nrg
// .mdf .toc), without regard to case.
bool hasImageExtension(std::string_view name);

// The reason given for a file that holds no image at all.
inline constexpr const char* kNotAnImage = "ni volume ISO 9660 ni disquette FAT reconnus";

// An image opened: its volume, and what the container tells beyond the volume (format, tracks).
struct OpenedImage {
    std::shared_ptr<Volume> volume;
    std::string container; // "BIN/CUE", "CD brut", ... empty for a plain ISO or floppy image
    int sectorSize = 0;
    std::vector<TrackInfo> tracks;
};

// Opens an image file by its path: an ISO 9660 or raw CD image, a cue sheet and its BIN, a FAT floppy image.
// Nothing, with `error` set, when the file is not an image that can be read.
std::optional<OpenedImage> openImageFile(
    const std::string& path, std::shared_ptr<ImageProblems> problems, std::string& error);

// Opens an image held in another image (a floppy image on a CD) from its file; only FAT images are read so, the
// ISO reader needing a file of the disc.
std::optional<OpenedImage> openImageInImage(const std::string& path, std::unique_ptr<ReadableFile> file,
    std::shared_ptr<ImageProblems> problems, std::string& error);

// What `quarex-scan info` reports of an image; nothing, with `error` set, when it cannot be read.
std::optional<ImageInfo> readImageInfo(const std::string& path, std::string& error);

// A file system that reads images as folders: a path that runs through an image file is read inside the image, and
// (when `imagesInFolders`) the images found in a folder are listed as folders of the same name.
class ImageAwareFileSystem final : public FileSystem {
public:
    explicit ImageAwareFileSystem(FileSystem& inner, bool imagesInFolders);

    std::unique_ptr<DirectoryHandle> openDirectory(const std::string& path) override;
    std::optional<FileFacts> stat(const std::string& path) override;
    std::unique_ptr<ReadableFile> open(const std::string& path) override;

    // True when the file at `path` is an image that opens; otherwise `error` tells why (empty: not an image).
    bool opensAsImage(const std::string& path, std::string& error);
    // The image holding `path` and the path inside it ("/Jeux/Dames", "" for the image's root); nothing when
    // `path` lies in no image opened so far.
    std::optional<std::pair<std::string, std::string>> splitImagePath(std::string_view path) const;
    // The damage met in images, each message naming its image.
    const std::shared_ptr<ImageProblems>& problems() const { return m_problems; }

    // The opened image at `imagePath` (kept among the last few opened), a file of `container` when given; nothing
    // when it cannot be opened, which is told to problems() when `reportFailure`.
    std::shared_ptr<VolumeFileSystem> volumeAt(const std::string& imagePath, std::string* error = nullptr,
        bool reportFailure = true, VolumeFileSystem* container = nullptr);
    bool imagesInFolders() const { return m_imagesInFolders; }
    FileSystem& inner() { return m_inner; }

private:
    // The image path that `path` runs through, if any.
    std::shared_ptr<VolumeFileSystem> volumeHolding(const std::string& path);

    FileSystem& m_inner;
    bool m_imagesInFolders;
    std::shared_ptr<ImageProblems> m_problems;
    mutable std::mutex m_mutex; // guards the images kept, failed and opened
    std::list<std::pair<std::string, std::shared_ptr<VolumeFileSystem>>> m_recent;
    std::map<std::string, std::string> m_failed;
    std::set<std::string> m_opened;
    std::uint64_t m_nextDevice;
};

} // namespace quarex
