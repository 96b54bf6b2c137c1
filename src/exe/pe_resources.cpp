#include "exe/pe_resources.h"

#include <algorithm>

namespace quarex {

namespace {

    constexpr std::uint32_t kHighBit = 0x80000000u;

    // A resource directory: a 16-byte header, then its 8-byte entries (named ones first).
    namespace resourceDirectory {
        constexpr std::uint64_t kNamedCount = 12;
        constexpr std::uint64_t kIdCount = 14;
        constexpr std::uint64_t kEntries = 16;
        constexpr std::uint64_t kEntrySize = 8;
        constexpr std::uint64_t kEntryName = 0;
        constexpr std::uint64_t kEntryTarget = 4;
    } // namespace resourceDirectory

    // A resource data entry.
    namespace resourceData {
        constexpr std::uint64_t kRva = 0;
        constexpr std::uint64_t kSize = 4;
    } // namespace resourceData

    // The language the loader would take for a French user: neutral, French, US English, else the first.
    std::size_t preferredLanguage(const std::vector<PeDirEntry>& entries)
    {
        for (std::uint32_t wanted : { 0x0000u, 0x040Cu, 0x0409u })
            for (std::size_t i = 0; i < entries.size(); ++i)
                if (!entries[i].named && entries[i].id == wanted)
                    return i;
        return 0;
    }

} // namespace

bool PeDirEntry::isDirectory() const { return (target & kHighBit) != 0; }

std::uint32_t PeDirEntry::offset() const { return target & ~kHighBit; }

PeResources::PeResources(ByteReader& r, const ImageLayout& img)
    : m_reader(r)
    , m_image(img)
{
    if (img.peOptionalValid && img.resourceRva != 0)
        m_root = rvaToOffset(img, img.resourceRva);
}

std::optional<std::vector<PeDirEntry>> PeResources::directory(
    std::uint32_t offset, int depth, std::vector<std::uint32_t>& path)
{
    using namespace resourceDirectory;
    if (!m_root || depth >= kMaxResourceDepth)
        return std::nullopt;
    for (std::uint32_t seen : path)
        if (seen == offset)
            return std::nullopt; // a directory that points back at itself or an ancestor
    const std::uint64_t at = *m_root + offset;
    auto named = m_reader.u16(at + kNamedCount);
    auto ids = m_reader.u16(at + kIdCount);
    if (!named || !ids)
        return std::nullopt;
    std::size_t count = std::size_t(*named) + *ids;
    count = std::min(count, kMaxEntriesPerDirectory);
    count = std::min(count, kMaxResourceEntries - m_entriesRead);
    auto raw = m_reader.bytesClamped(at + kEntries, std::uint64_t(count) * kEntrySize);
    if (!raw)
        return std::nullopt;
    const ByteView v(*raw);
    std::vector<PeDirEntry> entries;
    entries.reserve(std::min<std::size_t>(count, v.size() / kEntrySize));
    for (std::size_t i = 0; i < count && v.fits(i * kEntrySize, kEntrySize); ++i) {
        const std::uint32_t name = *v.u32(i * kEntrySize + kEntryName);
        entries.push_back(
            PeDirEntry { (name & kHighBit) != 0, name & ~kHighBit, *v.u32(i * kEntrySize + kEntryTarget) });
    }
    m_entriesRead += entries.size();
    path.push_back(offset);
    return entries;
}

std::optional<ResourceRef> PeResources::data(std::uint32_t offset, std::uint32_t language)
{
    if (!m_root)
        return std::nullopt;
    auto rva = m_reader.u32(*m_root + offset + resourceData::kRva);
    auto size = m_reader.u32(*m_root + offset + resourceData::kSize);
    if (!rva || !size)
        return std::nullopt;
    auto fileOffset = rvaToOffset(m_image, *rva);
    if (!fileOffset || *fileOffset >= m_reader.size())
        return std::nullopt;
    return ResourceRef { *fileOffset, std::min<std::uint64_t>(*size, m_reader.size() - *fileOffset), language };
}

std::optional<std::vector<PeDirEntry>> PeResources::typeDirectory(std::uint16_t type, std::vector<std::uint32_t>& path)
{
    path.clear();
    auto types = directory(0, 0, path);
    if (!types)
        return std::nullopt;
    for (const PeDirEntry& e : *types)
        if (!e.named && e.id == type && e.isDirectory())
            return directory(e.offset(), 1, path);
    return std::nullopt;
}

std::optional<ResourceRef> PeResources::language(
    const PeDirEntry& name, std::vector<std::uint32_t> path, std::optional<std::uint32_t> wanted)
{
    if (!name.isDirectory())
        return std::nullopt;
    auto langs = directory(name.offset(), 2, path);
    if (!langs || langs->empty())
        return std::nullopt;
    std::size_t pick = preferredLanguage(*langs);
    if (wanted)
        for (std::size_t i = 0; i < langs->size(); ++i)
            if (!(*langs)[i].named && (*langs)[i].id == *wanted) {
                pick = i;
                break;
            }
    const PeDirEntry& chosen = (*langs)[pick];
    if (chosen.isDirectory())
        return std::nullopt; // a fourth level does not exist
    return data(chosen.offset(), chosen.id);
}

std::optional<ResourceRef> peVersionRef(ByteReader& r, const ImageLayout& img)
{
    PeResources res(r, img);
    if (!res.valid())
        return std::nullopt;
    std::vector<std::uint32_t> path;
    auto names = res.typeDirectory(kRtVersion, path);
    if (!names || names->empty())
        return std::nullopt;
    const PeDirEntry* chosen = &names->front();
    for (const PeDirEntry& e : *names)
        if (!e.named && e.id == 1) {
            chosen = &e;
            break;
        }
    return res.language(*chosen, path);
}

} // namespace quarex
