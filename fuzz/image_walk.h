// Walks the whole tree of an opened image as the scan would: every folder once, every file read to its end.
#pragma once

#include "fs/file_system.h"

#include <set>
#include <string>
#include <utility>

namespace quarex::fuzz {

inline void readWhole(ReadableFile& file)
{
    char buffer[4096];
    std::uint64_t size = file.size();
    // Sizes come from the image: read only what a scan would (the start of a file and its end).
    file.readAt(0, buffer, sizeof buffer);
    if (size > sizeof buffer)
        file.readAt(size - sizeof buffer, buffer, sizeof buffer);
    file.readAt(size / 2, buffer, 3);
}

inline void walkTree(DirectoryHandle& dir, std::set<std::pair<std::uint64_t, std::uint64_t>>& seen, int depth)
{
    if (depth > 32)
        return;
    for (const DirEntry& e : dir.entries()) {
        dir.statChild(e.name);
        if (e.type == EntryType::Directory) {
            auto child = dir.openChildDirectory(e.name);
            if (child && seen.insert({ child->facts().device, child->facts().inode }).second)
                walkTree(*child, seen, depth + 1);
        } else if (auto file = dir.openChild(e.name)) {
            readWhole(*file);
        }
    }
}

inline void walkImage(FileSystem& fs, const std::string& root)
{
    auto dir = fs.openDirectory(root);
    if (!dir)
        return;
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen { { dir->facts().device, dir->facts().inode } };
    walkTree(*dir, seen, 0);
}

} // namespace quarex::fuzz
