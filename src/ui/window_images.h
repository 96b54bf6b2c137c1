// The window's door to disc and floppy images, kept apart from ui/volumes.h (the mounted volumes) whose names the
// image readers share.
#pragma once

#include "fs/file_system.h"

#include <memory>
#include <string>
#include <vector>

namespace quarex {

class ImageAwareFileSystem;

// The machine's file system where an image path is read as a folder; images met inside folders stay files.
class WindowImages {
public:
    WindowImages();
    ~WindowImages();
    WindowImages(const WindowImages&) = delete;
    WindowImages& operator=(const WindowImages&) = delete;

    // The file system that reads through the images.
    FileSystem& fileSystem();
    // True when `path` is an image opened so far, or lies inside one.
    bool holds(const std::string& path) const;
    // True when the file at `path` is an image that opens; otherwise `why` tells why (empty: not an image file).
    bool opensAsImage(const std::string& path, std::string& why);
    // The damage met in the images, each message naming its image.
    std::vector<std::string> problems() const;
    // The file dialog's filter for images, then every file.
    static std::string fileFilter();

private:
    std::unique_ptr<ImageAwareFileSystem> m_fs;
};

} // namespace quarex
