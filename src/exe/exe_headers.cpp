#include "exe/exe_headers.h"

#include <algorithm>

namespace quarex {

namespace {

    // Windows XP's loader refused more; later systems take more, but no real file needs them.
    constexpr std::size_t kMaxSections = 1024;

    void readPe(ByteReader& r, ImageLayout& img)
    {
        ExeHeader& h = img.header;
        const std::uint64_t fileHeader = h.newHeader + coff::kStart;
        h.machine = r.u16(fileHeader + coff::kMachine).value_or(0);
        const std::uint16_t sectionCount = r.u16(fileHeader + coff::kSectionCount).value_or(0);
        const std::uint16_t optionalSize = r.u16(fileHeader + coff::kOptionalHeaderSize).value_or(0);
        h.characteristics = r.u16(fileHeader + coff::kCharacteristics).value_or(0);
        const std::uint64_t opt = h.newHeader + peOptional::kStart;
        auto magic = r.u16(opt + peOptional::kMagic);
        h.format = magic == peOptional::kMagicPe32Plus ? ExeFormat::Pe32Plus : ExeFormat::Pe32;
        if (!magic || (*magic != peOptional::kMagicPe32 && *magic != peOptional::kMagicPe32Plus))
            return;
        const bool plus = *magic == peOptional::kMagicPe32Plus;
        img.peOptionalValid = true;
        h.subsystem = r.u16(opt + peOptional::kSubsystem).value_or(0);
        img.sizeOfHeaders = r.u32(opt + peOptional::kSizeOfHeaders).value_or(0);
        const std::uint32_t directoryCount
            = r.u32(opt + (plus ? peOptional::kDirectoryCount64 : peOptional::kDirectoryCount32)).value_or(0);
        const std::uint64_t directories = opt + (plus ? peOptional::kDirectories64 : peOptional::kDirectories32);
        auto directory = [&](std::uint32_t index) { return directories + index * peOptional::kDirectorySize; };
        // Like the loader, only the address counts: a resource directory with its size left at 0 is still read.
        if (directoryCount > peOptional::kResourceDirectory)
            img.resourceRva = r.u32(directory(peOptional::kResourceDirectory)).value_or(0);
        if (directoryCount > peOptional::kClrDirectory)
            h.dotNet = r.u32(directory(peOptional::kClrDirectory)).value_or(0) != 0
                && r.u32(directory(peOptional::kClrDirectory) + 4).value_or(0) != 0;

        const std::size_t count = std::min<std::size_t>(sectionCount, kMaxSections);
        auto table = r.bytesClamped(opt + optionalSize, std::uint64_t(count) * peSection::kSize);
        if (!table)
            return;
        const ByteView v(*table);
        for (std::size_t i = 0; i < count && v.fits(i * peSection::kSize, peSection::kSize); ++i) {
            const std::uint64_t s = i * peSection::kSize;
            img.sections.push_back(
                PeSection { *v.u32(s + peSection::kVirtualAddress), *v.u32(s + peSection::kVirtualSize),
                    *v.u32(s + peSection::kRawSize), *v.u32(s + peSection::kRawPointer) });
        }
    }

    void readNe(ByteReader& r, ImageLayout& img)
    {
        ExeHeader& h = img.header;
        const std::uint64_t ne = h.newHeader;
        h.moduleFlags = r.u16(ne + neHeader::kFlags).value_or(0);
        h.targetOs = r.u8(ne + neHeader::kTargetOs).value_or(0);
        auto table = r.u16(ne + neHeader::kResourceTable);
        auto residentNames = r.u16(ne + neHeader::kResidentNames);
        // OS/2 modules keep their resources in segments listed another way: no Windows resource table to read.
        if (!table || !residentNames || *table == *residentNames || h.targetOs == neHeader::kTargetOs2)
            return;
        img.neResourceStart = ne + *table;
        // The resident-name table follows the resource table; without that order, all a WORD offset can reach.
        img.neResourceEnd = *residentNames > *table ? ne + *residentNames : img.neResourceStart + 0x10000;
    }

    void readLinear(ByteReader& r, ImageLayout& img)
    {
        ExeHeader& h = img.header;
        const std::uint64_t le = h.newHeader;
        h.osType = r.u16(le + leHeader::kOsType).value_or(0);
        h.leModuleFlags = r.u32(le + leHeader::kModuleFlags).value_or(0);
        h.moduleFlags = static_cast<std::uint16_t>(h.leModuleFlags);
        if (h.format == ExeFormat::Le) {
            img.leResourceOffset = r.u32(le + leHeader::kVersionRecordOffset).value_or(0);
            img.leResourceLength = r.u32(le + leHeader::kVersionRecordLength).value_or(0);
        }
    }

} // namespace

std::optional<ImageLayout> readImageLayout(ByteReader& r)
{
    auto magic = r.u16(mz::kMagic);
    if (!magic || (*magic != mz::kSignature && *magic != mz::kSwappedSignature))
        return std::nullopt;
    ImageLayout img;
    auto lfanew = r.u32(mz::kNewHeaderOffset);
    // Packers place the new header inside the MS-DOS header (0x0C, 0x10): only the start is excluded.
    if (!lfanew || *lfanew < 4)
        return img;
    const std::uint64_t at = *lfanew;
    auto sig = r.u16(at);
    if (!sig)
        return img;
    img.header.newHeader = at;
    if (*sig == signature::kPe && r.u16(at + 2) == 0) {
        readPe(r, img);
    } else if (*sig == signature::kNe) {
        img.header.format = ExeFormat::Ne;
        readNe(r, img);
    } else if (*sig == signature::kLe || *sig == signature::kLx) {
        img.header.format = *sig == signature::kLe ? ExeFormat::Le : ExeFormat::Lx;
        readLinear(r, img);
    } else {
        img.header.newHeader = 0;
    }
    return img;
}

const PeSection* sectionOf(const ImageLayout& img, std::uint32_t rva)
{
    for (const PeSection& s : img.sections) {
        const std::uint64_t span = s.virtualSize ? s.virtualSize : s.rawSize;
        if (rva >= s.virtualAddress && rva - s.virtualAddress < span)
            return &s;
    }
    return nullptr;
}

std::optional<std::uint64_t> rvaToOffset(const ImageLayout& img, std::uint32_t rva)
{
    if (const PeSection* s = sectionOf(img, rva)) {
        const std::uint64_t delta = rva - s->virtualAddress;
        if (delta >= s->rawSize)
            return std::nullopt; // in the part of the section that only exists in memory
        return std::uint64_t(s->rawPointer) + delta;
    }
    if (img.sections.empty() || rva < img.sizeOfHeaders)
        return rva; // the headers are mapped as they lie in the file
    return std::nullopt;
}

} // namespace quarex
