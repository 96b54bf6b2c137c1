// The headers of an MZ file (MS-DOS, NE, LE, LX, PE) and where its resources lie, read through named layouts.
#pragma once

#include "fs/byte_reader.h"

#include <cstdint>
#include <optional>
#include <vector>

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

// Upper bounds that keep damaged or hostile files cheap.
inline constexpr int kMaxResourceDepth = 3;
inline constexpr std::size_t kMaxEntriesPerDirectory = 4096;
inline constexpr std::size_t kMaxResourceEntries = 16384;
inline constexpr std::size_t kMaxVersionBlock = 0xFFFF;
inline constexpr std::size_t kMaxIconImage = 4 * 1024 * 1024;
inline constexpr std::size_t kMaxIconImages = 64;

// Field offsets of the MS-DOS header.
namespace mz {
    inline constexpr std::uint64_t kMagic = 0x00;
    inline constexpr std::uint64_t kNewHeaderOffset = 0x3C;
    inline constexpr std::uint16_t kSignature = 0x5A4D; // "MZ"
    inline constexpr std::uint16_t kSwappedSignature = 0x4D5A; // "ZM", which MS-DOS also accepts
} // namespace mz

// Signatures found at the new-header offset.
namespace signature {
    inline constexpr std::uint16_t kPe = 0x4550; // "PE", followed by two NUL bytes
    inline constexpr std::uint16_t kNe = 0x454E;
    inline constexpr std::uint16_t kLe = 0x454C;
    inline constexpr std::uint16_t kLx = 0x584C;
} // namespace signature

// The COFF file header, right after "PE\0\0".
namespace coff {
    inline constexpr std::uint64_t kStart = 4; // from the new header
    inline constexpr std::uint64_t kMachine = 0;
    inline constexpr std::uint64_t kSectionCount = 2;
    inline constexpr std::uint64_t kOptionalHeaderSize = 16;
    inline constexpr std::uint64_t kCharacteristics = 18;
    inline constexpr std::uint64_t kSize = 20;
} // namespace coff

// The optional header that follows the COFF header (PE32 and PE32+ differ from the directory count on).
namespace peOptional {
    inline constexpr std::uint64_t kStart = coff::kStart + coff::kSize; // from the new header
    inline constexpr std::uint64_t kMagic = 0;
    inline constexpr std::uint16_t kMagicPe32 = 0x10B;
    inline constexpr std::uint16_t kMagicPe32Plus = 0x20B;
    inline constexpr std::uint64_t kSizeOfHeaders = 60;
    inline constexpr std::uint64_t kSubsystem = 68;
    inline constexpr std::uint64_t kDirectoryCount32 = 92;
    inline constexpr std::uint64_t kDirectories32 = 96;
    inline constexpr std::uint64_t kDirectoryCount64 = 108;
    inline constexpr std::uint64_t kDirectories64 = 112;
    inline constexpr std::uint64_t kDirectorySize = 8; // RVA, then size
    inline constexpr std::uint32_t kResourceDirectory = 2;
    inline constexpr std::uint32_t kClrDirectory = 14;
} // namespace peOptional

// One entry of the PE section table.
namespace peSection {
    inline constexpr std::uint64_t kVirtualSize = 8;
    inline constexpr std::uint64_t kVirtualAddress = 12;
    inline constexpr std::uint64_t kRawSize = 16;
    inline constexpr std::uint64_t kRawPointer = 20;
    inline constexpr std::uint64_t kSize = 40;
} // namespace peSection

// The NE header.
namespace neHeader {
    inline constexpr std::uint64_t kFlags = 0x0C;
    inline constexpr std::uint64_t kResourceTable = 0x24;
    inline constexpr std::uint64_t kResidentNames = 0x26;
    inline constexpr std::uint64_t kTargetOs = 0x36;
    inline constexpr std::uint8_t kTargetOs2 = 1;
} // namespace neHeader

// The LE/LX header.
namespace leHeader {
    inline constexpr std::uint64_t kOsType = 0x0A;
    inline constexpr std::uint64_t kModuleFlags = 0x10;
    inline constexpr std::uint64_t kVersionRecordOffset = 0xB8;
    inline constexpr std::uint64_t kVersionRecordLength = 0xBC;
} // namespace leHeader

// One PE section as the resource lookups need it.
struct PeSection {
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawPointer = 0;
};

// The headers plus what the resource lookups need.
struct ImageLayout {
    ExeHeader header;
    // PE
    bool peOptionalValid = false;
    std::vector<PeSection> sections;
    std::uint32_t resourceRva = 0;
    std::uint32_t sizeOfHeaders = 0;
    // NE: the resource table, [start, end) in the file
    std::uint64_t neResourceStart = 0;
    std::uint64_t neResourceEnd = 0;
    // LE: the one resource record
    std::uint64_t leResourceOffset = 0;
    std::uint32_t leResourceLength = 0;
};

// Where a resource's bytes lie in the file.
struct ResourceRef {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t language = 0;
};

// The headers of an MZ file; nothing when the bytes do not start with an MS-DOS header.
std::optional<ImageLayout> readImageLayout(ByteReader& reader);

// The file offset of a PE relative virtual address; nothing when it lies in no section's bytes.
std::optional<std::uint64_t> rvaToOffset(const ImageLayout& image, std::uint32_t rva);

// The section that holds a PE relative virtual address, if any.
const PeSection* sectionOf(const ImageLayout& image, std::uint32_t rva);

} // namespace quarex
