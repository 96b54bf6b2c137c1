// The one door to the files of a disc: list a directory, stat, open and read a file by its real path.
// The native implementation reads mounted file systems; a disc-image reader can implement the same.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarex {

enum class EntryType { File, Directory, Symlink, Other, Unknown };

// One directory entry as the file system returns it (raw name bytes).
struct DirEntry {
    std::string name;
    EntryType type = EntryType::Unknown;
    std::uint64_t inode = 0; // as the listing gives it; 0 when it gives none
};

// Which files of a listing to keep (entries that may be folders are always kept); nullptr keeps every entry.
using EntryFilter = bool (*)(std::string_view name);

// What the walk and the readers need to know of a file or directory.
struct FileFacts {
    std::uint64_t size = 0;
    std::int64_t modified = 0; // seconds since the epoch
    bool isDirectory = false;
    bool isRegular = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// An open file that can be read at any offset.
class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    // The file's size in bytes, as found when it was opened.
    virtual std::uint64_t size() const = 0;
    // Reads up to `length` bytes at `offset`; returns the number read (0 at the end or on error).
    virtual std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t length) = 0;
    // Facts of the open file, when the file system gives them with the opening.
    virtual std::optional<FileFacts> facts() const { return std::nullopt; }
};

// An open directory: its entries in the file system's order, and access to its children by name.
class DirectoryHandle {
public:
    virtual ~DirectoryHandle() = default;
    // The real path of the directory.
    virtual const std::string& path() const = 0;
    // The entries in the order the file system returns them ("." and ".." excluded).
    virtual const std::vector<DirEntry>& entries() const = 0;
    // Facts of the directory itself: its identity (device, inode) for loop detection, at least; size and
    // date may be left out for a folder opened from its parent's listing.
    virtual const FileFacts& facts() const = 0;
    // Facts of a child, symbolic links followed; nothing when it cannot be read.
    virtual std::optional<FileFacts> statChild(std::string_view name) = 0;
    // Opens a child file for reading.
    virtual std::unique_ptr<ReadableFile> openChild(std::string_view name) = 0;
    // Opens a child directory.
    virtual std::unique_ptr<DirectoryHandle> openChildDirectory(std::string_view name) = 0;
    // Opens a child folder of this listing, keeping only the files `keep` accepts in its own listing.
    // On failure errno tells why.
    virtual std::unique_ptr<DirectoryHandle> openChildFolder(const DirEntry& entry, EntryFilter keep)
    {
        (void)keep;
        return openChildDirectory(entry.name);
    }
    // False when the listing was opened with a filter and may leave out some files.
    virtual bool listsEverything() const { return true; }
    // Lets go of system resources held for this directory until reacquireThrough() takes them back.
    virtual void release() { }
    // Takes back what release() let go, through an open child folder (never by path); false when the
    // directory cannot be reached that way any more (errno tells why).
    virtual bool reacquireThrough(DirectoryHandle& child)
    {
        (void)child;
        return true;
    }
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens and lists a directory; nothing when it cannot be read.
    virtual std::unique_ptr<DirectoryHandle> openDirectory(const std::string& path) = 0;
    // Opens and lists a directory, keeping only the files `keep` accepts (and every possible folder).
    virtual std::unique_ptr<DirectoryHandle> openDirectoryFiltered(const std::string& path, EntryFilter keep)
    {
        (void)keep;
        return openDirectory(path);
    }
    // Facts of a path, symbolic links followed.
    virtual std::optional<FileFacts> stat(const std::string& path) = 0;
    // Opens a file for reading by its real path.
    virtual std::unique_ptr<ReadableFile> open(const std::string& path) = 0;
};

// The file system of the running machine.
FileSystem& nativeFileSystem();

// Joins a directory and a name with one separator.
std::string joinPath(std::string_view dir, std::string_view name);
// The directory part of a path: "." when it has no separator, "/" for an entry of the root.
std::string directoryOf(std::string_view path);
// The last component of a path (the whole path when it has no separator).
std::string_view fileNameOf(std::string_view path);

// Reads a whole (small) file, at most `limit` bytes; nothing when it cannot be opened.
std::optional<std::string> readFileBytes(ReadableFile& file, std::size_t limit = 64 * 1024 * 1024);

} // namespace quarex
