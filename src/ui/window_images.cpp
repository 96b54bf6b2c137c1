#include "ui/window_images.h"

#include "fs/disc_images.h"
#include "text/string_table.h"

namespace quarex {

WindowImages::WindowImages()
    : m_fs(std::make_unique<ImageAwareFileSystem>(nativeFileSystem(), false))
{
}

WindowImages::~WindowImages() = default;

FileSystem& WindowImages::fileSystem() { return *m_fs; }

bool WindowImages::holds(const std::string& path) const { return m_fs->splitImagePath(path).has_value(); }

bool WindowImages::opensAsImage(const std::string& path, std::string& why) { return m_fs->opensAsImage(path, why); }

std::vector<std::string> WindowImages::problems() const { return m_fs->problems()->messages(); }

std::string WindowImages::fileFilter()
{
    const std::string patterns = "*.iso;*.cue;*.bin;*.img;*.ima;*.vfd;*.flp;*.dsk;*.nrg;*.mdf;*.toc";
    return "Images de disque et de disquette (" + patterns + ")|" + patterns + "|" + sLoadString(200);
}

} // namespace quarex
