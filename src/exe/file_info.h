// zFileInfo: the facts of one file (size, date, time) and the eight strings of its version resource.
#pragma once

#include "exe/executable_image.h"
#include "fs/file_system.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quarex {

class zFileInfo {
public:
    // Item numbers, in the order of the properties.
    enum Item {
        Size,
        SizeKo,
        Date,
        Time,
        FileVersion,
        LegalCopyright,
        FileDescription,
        InternalName,
        OriginalFilename,
        ProductName,
        ProductVersion,
        CompanyName,
        ItemCount
    };

    zFileInfo() = default;
    explicit zFileInfo(FileSystem& fs)
        : m_fs(&fs)
    {
    }

    // Reads everything about a file, given by its real full path; returns its image, the file still open,
    // when it is a regular file that could be opened (for callers that want its kind or icon too).
    std::unique_ptr<ExecutableImage> PutFileName(const std::string& sFileName);
    // Same, for a file of an open directory (the walk's fast path), opened by name. Without `facts` the
    // size and date are taken from the opened file; without `readVersion` only they are read.
    void PutFile(
        DirectoryHandle& dir, std::string_view name, const std::optional<FileFacts>& facts, bool readVersion = true);
    // Same, for a file already open.
    void PutOpenFile(ReadableFile* file, const FileFacts& facts);
    // Fills the eight strings from the version block of an executable already parsed.
    void PutExecutable(ExecutableImage& image);

    // Fills the eight strings from a version block in the single-byte layout (step 7 of the reader):
    // each key found by its first occurrence, its value at the key's position + 12/16/20 up to the next NUL.
    // `valuesAreCp1252`: the values are Windows-1252 and are converted to UTF-8.
    void PutVersionBlock(std::string_view block, bool valuesAreCp1252 = false);

    const std::string& item(Item i) const { return m_items[i]; }
    const std::string& sSize() const { return m_items[Size]; }
    const std::string& sSizeKo() const { return m_items[SizeKo]; }
    const std::string& sDate() const { return m_items[Date]; }
    const std::string& sTime() const { return m_items[Time]; }
    const std::string& sFileVersion() const { return m_items[FileVersion]; }
    const std::string& sLegalCopyright() const { return m_items[LegalCopyright]; }
    const std::string& sFileDescription() const { return m_items[FileDescription]; }
    const std::string& sInternalName() const { return m_items[InternalName]; }
    const std::string& sOriginalFilename() const { return m_items[OriginalFilename]; }
    const std::string& sProductName() const { return m_items[ProductName]; }
    const std::string& sProductVersion() const { return m_items[ProductVersion]; }
    const std::string& sCompanyName() const { return m_items[CompanyName]; }

    // Whether the file is a bare MS-DOS program (MZ header alone); nothing when its header was not read.
    std::optional<bool> plainDosProgram() const
    {
        return m_headerKnown ? std::optional<bool>(m_plainDos) : std::nullopt;
    }

    // True when the version block holds the key of a version string (its value may be empty).
    bool hasKey(Item i) const { return (m_found >> i) & 1u; }

    // The property names, in item order ("Size", "SizeKo", … "CompanyName").
    static const std::array<const char*, ItemCount>& itemNames();

    // The value of one key in a single-byte version block, found by its first occurrence ("" when absent).
    static std::string sValueOfKey(std::string_view block, std::string_view key);
    // The same, nothing when the key is absent.
    static std::optional<std::string> valueOfKey(std::string_view block, std::string_view key);

private:
    void clear();
    void putFacts(const FileFacts& facts);
    void notePlainDos(ExecutableImage& image);

    FileSystem* m_fs = nullptr;
    std::array<std::string, ItemCount> m_items;
    unsigned m_found = 0; // bit i: the version block holds the key of item i
    bool m_headerKnown = false;
    bool m_plainDos = false;
};

// "dd/mm/yyyy hh:mm:ss" of a time in seconds since the epoch, in local time.
std::string formatDateTime(std::int64_t seconds);

} // namespace quarex
