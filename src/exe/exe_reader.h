// The executable reader: MZ, NE, LE, LX and PE headers, the version-information block, the first group icon
// and the kind of program, read straight from the file through bounds-checked reads of the few bytes needed.
#pragma once

#include "fs/byte_reader.h"
#include "fs/file_system.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quarex {

enum class ExeFormat { Dos, Ne, Le, Lx, Pe32, Pe32Plus };

// What the headers of an MZ file say about the program.
struct ExeHeader {
    ExeFormat format = ExeFormat::Dos;
    std::uint64_t newHeader = 0; // file offset of the NE/LE/LX/PE header (0 for plain MS-DOS)
    std::uint16_t machine = 0; // PE: COFF machine
    std::uint16_t subsystem = 0; // PE: optional-header subsystem
    std::uint16_t characteristics = 0; // PE: COFF characteristics
    bool dotNet = false; // PE: a CLR header is present
    std::uint8_t targetOs = 0; // NE: target operating system
    std::uint16_t moduleFlags = 0; // NE: program flags (0x8000 library); LE/LX: low word of module flags
    std::uint32_t leModuleFlags = 0; // LE/LX: module flags
    std::uint16_t osType = 0; // LE/LX: operating system
};

// The version-information block of a file, as stored in it.
struct RawVersionBlock {
    std::string bytes;
    bool wide = false; // 32-bit layout (UTF-16 keys and values); else 16-bit (single-byte)
};

// A version block in the single-byte layout that zFileInfo searches.
struct SearchableVersionBlock {
    std::string block;
    bool valuesAreCp1252 = false; // 16-bit blocks hold Windows-1252 text; converted blocks hold UTF-8
};

// What the window and the report show beside the version strings.
struct ExecutableFacts {
    std::string kind; // French label of the header kind; empty for a file that is not an MZ executable
    std::optional<std::string> iconIco; // the first group icon as the bytes of a .ico file
};

// Upper bounds that keep damaged or hostile files cheap.
inline constexpr int kMaxResourceDepth = 3;
inline constexpr std::size_t kMaxEntriesPerDirectory = 4096;
inline constexpr std::size_t kMaxResourceEntries = 16384;
inline constexpr std::size_t kMaxVersionBlock = 0xFFFF;
inline constexpr std::size_t kMaxIconImage = 4 * 1024 * 1024;
inline constexpr std::size_t kMaxIconImages = 64;

// The headers of an MZ file; nothing when the file does not start with an MS-DOS header.
std::optional<ExeHeader> readExeHeader(ByteReader& reader);

// The short French label of a header kind, e.g. "Exécutable Win32 (PE, i386, graphique)".
std::string kindLabel(const ExeHeader& header);

// The version resource (PE: id 1 else the first, language neutral, French, US English, else the first;
// NE: the version resource; LE: the one version record); nothing when there is none or it cannot be read.
std::optional<RawVersionBlock> readVersionResource(ByteReader& reader);

// Brings a 32-bit version block to the single-byte layout: keys and string values in UTF-8, NUL-terminated,
// each node with recomputed lengths and 4-byte padding, binary values copied.
std::string singleByteVersionBlock(std::string_view wideBlock);

// The version block ready for the key search; nothing when the file has none.
std::optional<SearchableVersionBlock> readSearchableVersionBlock(ByteReader& reader);

// The first group icon of a PE or NE file as a complete .ico file; nothing when there is none.
std::optional<std::string> readIconIco(ByteReader& reader);

// The header kind and the icon of an open file.
ExecutableFacts readExecutableFacts(ReadableFile& file);
// The header kind and the icon of a file given by its real path (empty facts when it cannot be opened).
ExecutableFacts readExecutableFacts(const std::string& path, FileSystem& fs = nativeFileSystem());

} // namespace quarex
