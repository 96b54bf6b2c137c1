#include "exe/exe_reader.h"

#include "text/text.h"

#include <cstdio>
#include <vector>

namespace quarex {

namespace {

    constexpr std::uint16_t kRtIcon = 3;
    constexpr std::uint16_t kRtGroupIcon = 14;
    constexpr std::uint16_t kRtVersion = 16;
    constexpr std::uint16_t kNeTypeIcon = 0x8003;
    constexpr std::uint16_t kNeTypeGroupIcon = 0x800E;
    constexpr std::uint16_t kNeTypeVersion = 0x8010;
    constexpr std::uint32_t kHighBit = 0x80000000u;
    // Windows XP's loader refused more; later systems take more, but no real file needs them.
    constexpr std::size_t kMaxSections = 1024;
    constexpr std::size_t kMaxGroupEntries = 256;

    struct Section {
        std::uint32_t virtualAddress = 0;
        std::uint32_t virtualSize = 0;
        std::uint32_t rawSize = 0;
        std::uint32_t rawPointer = 0;
    };

    // Headers plus what the resource lookups need.
    struct Image {
        ExeHeader header;
        // PE
        bool peOptionalValid = false;
        std::vector<Section> sections;
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

    std::uint64_t align4(std::uint64_t v) { return (v + 3) & ~std::uint64_t(3); }

    void readPe(ByteReader& r, Image& img)
    {
        ExeHeader& h = img.header;
        const std::uint64_t coff = h.newHeader + 4;
        h.machine = r.u16(coff).value_or(0);
        std::uint16_t sectionCount = r.u16(coff + 2).value_or(0);
        std::uint16_t optionalSize = r.u16(coff + 16).value_or(0);
        h.characteristics = r.u16(coff + 18).value_or(0);
        const std::uint64_t opt = h.newHeader + 24;
        auto magic = r.u16(opt);
        h.format = magic == 0x20B ? ExeFormat::Pe32Plus : ExeFormat::Pe32;
        if (!magic || (*magic != 0x10B && *magic != 0x20B))
            return;
        const bool plus = *magic == 0x20B;
        img.peOptionalValid = true;
        h.subsystem = r.u16(opt + 68).value_or(0);
        img.sizeOfHeaders = r.u32(opt + 60).value_or(0);
        std::uint32_t directoryCount = r.u32(opt + (plus ? 108 : 92)).value_or(0);
        const std::uint64_t directories = opt + (plus ? 112 : 96);
        // Like the loader, only the address counts: a resource directory with its size left at 0 is still read.
        if (directoryCount > 2)
            img.resourceRva = r.u32(directories + 2 * 8).value_or(0);
        if (directoryCount > 14)
            h.dotNet = r.u32(directories + 14 * 8).value_or(0) != 0 && r.u32(directories + 14 * 8 + 4).value_or(0) != 0;

        std::size_t count = std::min<std::size_t>(sectionCount, kMaxSections);
        auto table = r.bytesClamped(opt + optionalSize, std::uint64_t(count) * 40);
        if (!table)
            return;
        ByteView v(*table);
        for (std::size_t i = 0; i < count && v.fits(i * 40, 40); ++i) {
            const std::uint64_t s = i * 40;
            img.sections.push_back(Section { *v.u32(s + 12), *v.u32(s + 8), *v.u32(s + 16), *v.u32(s + 20) });
        }
    }

    void readNe(ByteReader& r, Image& img)
    {
        ExeHeader& h = img.header;
        const std::uint64_t ne = h.newHeader;
        h.moduleFlags = r.u16(ne + 0x0C).value_or(0);
        h.targetOs = r.u8(ne + 0x36).value_or(0);
        auto table = r.u16(ne + 0x24);
        auto residentNames = r.u16(ne + 0x26);
        // OS/2 modules keep their resources in segments listed another way: no Windows resource table to read.
        if (!table || !residentNames || *table == *residentNames || h.targetOs == 1)
            return;
        img.neResourceStart = ne + *table;
        // The resident-name table follows the resource table; without that order, all a WORD offset can reach.
        img.neResourceEnd = *residentNames > *table ? ne + *residentNames : img.neResourceStart + 0x10000;
    }

    void readLinear(ByteReader& r, Image& img)
    {
        ExeHeader& h = img.header;
        const std::uint64_t le = h.newHeader;
        h.osType = r.u16(le + 0x0A).value_or(0);
        h.leModuleFlags = r.u32(le + 0x10).value_or(0);
        h.moduleFlags = static_cast<std::uint16_t>(h.leModuleFlags);
        if (h.format == ExeFormat::Le) {
            img.leResourceOffset = r.u32(le + 0xB8).value_or(0);
            img.leResourceLength = r.u32(le + 0xBC).value_or(0);
        }
    }

    std::optional<Image> readImage(ByteReader& r)
    {
        auto magic = r.u16(0);
        if (!magic || (*magic != 0x5A4D && *magic != 0x4D5A)) // "MZ", or "ZM" that MS-DOS also accepts
            return std::nullopt;
        Image img;
        auto lfanew = r.u32(0x3C);
        // Packers place the new header inside the MS-DOS header (0x0C, 0x10): only the start is excluded.
        if (!lfanew || *lfanew < 4)
            return img;
        std::uint64_t at = *lfanew;
        auto sig = r.u16(at);
        if (!sig)
            return img;
        img.header.newHeader = at;
        if (*sig == 0x4550 && r.u16(at + 2) == 0) { // "PE\0\0"
            readPe(r, img);
        } else if (*sig == 0x454E) { // "NE"
            img.header.format = ExeFormat::Ne;
            readNe(r, img);
        } else if (*sig == 0x454C || *sig == 0x584C) { // "LE", "LX"
            img.header.format = *sig == 0x454C ? ExeFormat::Le : ExeFormat::Lx;
            readLinear(r, img);
        } else {
            img.header.newHeader = 0;
        }
        return img;
    }

    // ---- PE resources -------------------------------------------------------------------------------------

    struct DirEntry {
        bool named = false;
        std::uint32_t id = 0;
        std::uint32_t target = 0; // offset from the resource root; high bit: a subdirectory
        bool isDirectory() const { return (target & kHighBit) != 0; }
        std::uint32_t offset() const { return target & ~kHighBit; }
    };

    std::optional<std::uint64_t> rvaToOffset(const Image& img, std::uint32_t rva)
    {
        for (const Section& s : img.sections) {
            std::uint64_t span = s.virtualSize ? s.virtualSize : s.rawSize;
            if (rva >= s.virtualAddress && rva - s.virtualAddress < span) {
                std::uint64_t delta = rva - s.virtualAddress;
                if (delta >= s.rawSize)
                    return std::nullopt; // in the part of the section that only exists in memory
                return std::uint64_t(s.rawPointer) + delta;
            }
        }
        if (img.sections.empty() || rva < img.sizeOfHeaders)
            return rva; // the headers are mapped as they lie in the file
        return std::nullopt;
    }

    // The language the loader would take for a French user: neutral, French, US English, else the first.
    std::size_t preferredLanguage(const std::vector<DirEntry>& entries)
    {
        for (std::uint32_t wanted : { 0x0000u, 0x040Cu, 0x0409u })
            for (std::size_t i = 0; i < entries.size(); ++i)
                if (!entries[i].named && entries[i].id == wanted)
                    return i;
        return 0;
    }

    // Walks type → name → language, at most three levels, never re-entering a directory of the current path,
    // and reading no more entries than the caps allow.
    class PeResources {
    public:
        PeResources(ByteReader& r, const Image& img)
            : m_reader(r)
            , m_image(img)
        {
            if (img.peOptionalValid && img.resourceRva != 0)
                m_root = rvaToOffset(img, img.resourceRva);
        }

        bool valid() const { return m_root.has_value(); }

        // The entries of the directory at `offset`, `depth` levels below the root (0 = types).
        std::optional<std::vector<DirEntry>> directory(
            std::uint32_t offset, int depth, std::vector<std::uint32_t>& path)
        {
            if (!m_root || depth >= kMaxResourceDepth)
                return std::nullopt;
            for (std::uint32_t seen : path)
                if (seen == offset)
                    return std::nullopt; // a directory that points back at itself or an ancestor
            const std::uint64_t at = *m_root + offset;
            auto named = m_reader.u16(at + 12);
            auto ids = m_reader.u16(at + 14);
            if (!named || !ids)
                return std::nullopt;
            std::size_t count = std::size_t(*named) + *ids;
            count = std::min(count, kMaxEntriesPerDirectory);
            count = std::min(count, kMaxResourceEntries - m_entriesRead);
            auto raw = m_reader.bytesClamped(at + 16, std::uint64_t(count) * 8);
            if (!raw)
                return std::nullopt;
            ByteView v(*raw);
            std::vector<DirEntry> entries;
            entries.reserve(std::min<std::size_t>(count, v.size() / 8));
            for (std::size_t i = 0; i < count && v.fits(i * 8, 8); ++i) {
                std::uint32_t name = *v.u32(i * 8);
                entries.push_back(DirEntry { (name & kHighBit) != 0, name & ~kHighBit, *v.u32(i * 8 + 4) });
            }
            m_entriesRead += entries.size();
            path.push_back(offset);
            return entries;
        }

        // The bytes a data entry points at, cut to the file.
        std::optional<ResourceRef> data(std::uint32_t offset, std::uint32_t language)
        {
            if (!m_root)
                return std::nullopt;
            auto rva = m_reader.u32(*m_root + offset);
            auto size = m_reader.u32(*m_root + offset + 4);
            if (!rva || !size)
                return std::nullopt;
            auto fileOffset = rvaToOffset(m_image, *rva);
            if (!fileOffset || *fileOffset >= m_reader.size())
                return std::nullopt;
            return ResourceRef { *fileOffset, std::min<std::uint64_t>(*size, m_reader.size() - *fileOffset), language };
        }

        // The name directory of a numeric type, with the path that leads to it.
        std::optional<std::vector<DirEntry>> typeDirectory(std::uint16_t type, std::vector<std::uint32_t>& path)
        {
            path.clear();
            auto types = directory(0, 0, path);
            if (!types)
                return std::nullopt;
            for (const DirEntry& e : *types)
                if (!e.named && e.id == type && e.isDirectory())
                    return directory(e.offset(), 1, path);
            return std::nullopt;
        }

        // The data of one name entry, in the language wanted when present, else the preferred one.
        std::optional<ResourceRef> language(
            const DirEntry& name, std::vector<std::uint32_t> path, std::optional<std::uint32_t> wanted = std::nullopt)
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
            const DirEntry& chosen = (*langs)[pick];
            if (chosen.isDirectory())
                return std::nullopt; // a fourth level does not exist
            return data(chosen.offset(), chosen.id);
        }

    private:
        ByteReader& m_reader;
        const Image& m_image;
        std::optional<std::uint64_t> m_root;
        std::size_t m_entriesRead = 0;
    };

    std::optional<ResourceRef> peVersion(ByteReader& r, const Image& img)
    {
        PeResources res(r, img);
        if (!res.valid())
            return std::nullopt;
        std::vector<std::uint32_t> path;
        auto names = res.typeDirectory(kRtVersion, path);
        if (!names || names->empty())
            return std::nullopt;
        const DirEntry* chosen = &names->front();
        for (const DirEntry& e : *names)
            if (!e.named && e.id == 1) {
                chosen = &e;
                break;
            }
        return res.language(*chosen, path);
    }

    // ---- NE resources -------------------------------------------------------------------------------------

    struct NeResource {
        std::uint16_t type = 0;
        std::uint16_t id = 0;
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
    };

    std::vector<NeResource> neResources(ByteReader& r, const Image& img)
    {
        std::vector<NeResource> out;
        if (img.neResourceStart == 0 || img.neResourceEnd <= img.neResourceStart)
            return out;
        auto table = r.bytesClamped(img.neResourceStart, img.neResourceEnd - img.neResourceStart);
        if (!table)
            return out;
        ByteView v(*table);
        auto shift = v.u16(0);
        if (!shift || *shift > 24)
            return out;
        std::uint64_t pos = 2;
        while (out.size() < kMaxResourceEntries) {
            auto type = v.u16(pos);
            auto count = v.u16(pos + 2);
            if (!type || *type == 0 || !count)
                break;
            pos += 8;
            for (std::uint32_t i = 0; i < *count; ++i, pos += 12) {
                if (!v.fits(pos, 12) || out.size() >= kMaxResourceEntries)
                    return out;
                out.push_back(NeResource { *type, *v.u16(pos + 6), std::uint64_t(*v.u16(pos)) << *shift,
                    std::uint64_t(*v.u16(pos + 2)) << *shift });
            }
        }
        return out;
    }

    std::optional<ResourceRef> neRef(ByteReader& r, const NeResource& res)
    {
        if (res.offset >= r.size() || res.length == 0)
            return std::nullopt;
        return ResourceRef { res.offset, std::min<std::uint64_t>(res.length, r.size() - res.offset), 0 };
    }

    std::optional<ResourceRef> neVersion(ByteReader& r, const Image& img)
    {
        const NeResource* chosen = nullptr;
        auto all = neResources(r, img);
        for (const NeResource& res : all) {
            if (res.type != kNeTypeVersion)
                continue;
            if (!chosen || res.id == 0x8001) {
                chosen = &res;
                if (res.id == 0x8001)
                    break;
            }
        }
        if (!chosen)
            return std::nullopt;
        return neRef(r, *chosen);
    }

    // ---- LE (VxD) -----------------------------------------------------------------------------------------

    // Skips one id of a 16-bit .RES header: FF + WORD, or a NUL-terminated name.
    std::optional<std::uint64_t> skipResId(ByteReader& r, std::uint64_t pos, std::uint64_t end, std::uint16_t* id)
    {
        auto first = r.u8(pos);
        if (!first)
            return std::nullopt;
        if (*first == 0xFF) {
            auto value = r.u16(pos + 1);
            if (!value)
                return std::nullopt;
            *id = *value;
            return pos + 3;
        }
        *id = 0;
        for (std::uint64_t p = pos; p < end && p - pos < 256; ++p) {
            auto c = r.u8(p);
            if (!c)
                return std::nullopt;
            if (*c == 0)
                return p + 1;
        }
        return std::nullopt;
    }

    std::optional<ResourceRef> leVersion(ByteReader& r, const Image& img)
    {
        if (img.leResourceOffset == 0 || img.leResourceLength == 0 || img.leResourceOffset >= r.size())
            return std::nullopt;
        const std::uint64_t end = std::min<std::uint64_t>(img.leResourceOffset + img.leResourceLength, r.size());
        std::uint16_t type = 0;
        std::uint16_t name = 0;
        auto pos = skipResId(r, img.leResourceOffset, end, &type);
        if (!pos || type != kRtVersion)
            return std::nullopt;
        pos = skipResId(r, *pos, end, &name);
        if (!pos)
            return std::nullopt;
        auto size = r.u32(*pos + 2);
        const std::uint64_t start = *pos + 6;
        if (!size || start >= end)
            return std::nullopt;
        return ResourceRef { start, std::min<std::uint64_t>(*size, end - start), 0 };
    }

    // ---- Version block ------------------------------------------------------------------------------------

    std::optional<RawVersionBlock> versionBlockAt(ByteReader& r, const ResourceRef& ref)
    {
        auto bytes = r.bytesClamped(ref.offset, std::min<std::uint64_t>(ref.size, kMaxVersionBlock));
        if (!bytes || bytes->size() < 6)
            return std::nullopt;
        ByteView v(*bytes);
        std::uint16_t length = *v.u16(0);
        if (length < 6)
            return std::nullopt;
        if (length < bytes->size())
            bytes->resize(length);
        RawVersionBlock block;
        // 32-bit blocks have the WORD wType (0 or 1) at offset 4; 16-bit ones the first key character.
        std::uint8_t fifth = *v.u8(4);
        block.wide = fifth == 0 || fifth == 1;
        block.bytes = std::move(*bytes);
        return block;
    }

    // Converts a 32-bit version block, node by node, into the single-byte layout.
    class VersionConverter {
    public:
        explicit VersionConverter(std::string_view in)
            : m_in(in)
        {
            // UTF-16 becomes at most one and a half times as long in UTF-8; the layout saves two bytes a node.
            m_out.reserve(in.size() + in.size() / 2 + 16);
        }

        std::string run()
        {
            node(0, m_in.size(), std::nullopt, 0);
            return std::move(m_out);
        }

    private:
        enum class Role { Root, StringFileInfo, StringTable, String, Other };
        struct Next {
            std::uint64_t offset;
            bool stop;
        };
        static constexpr int kMaxDepth = 4;
        static constexpr std::size_t kMaxNodes = 8192;

        // Appends, as UTF-8, the UTF-16LE text from `from` up to a NUL unit or `end`; returns the offset past
        // the NUL. Called for every key and value: bytes are read directly, the range being checked once.
        std::uint64_t appendUtf16(std::uint64_t from, std::uint64_t end)
        {
            const std::string_view in = m_in.data();
            end = std::min<std::uint64_t>(end, in.size());
            if (from >= end)
                return from;
            auto unitAt = [&](std::uint64_t p) {
                return static_cast<char32_t>(
                    static_cast<unsigned char>(in[p]) | static_cast<unsigned char>(in[p + 1]) << 8);
            };
            // Each unit gives at most three bytes (a pair gives four for two units).
            const std::size_t start = m_out.size();
            m_out.resize(start + (end - from) / 2 * 3);
            char* out = m_out.data() + start;
            std::uint64_t p = from;
            while (p + 2 <= end) {
                char32_t cp = unitAt(p);
                p += 2;
                if (cp == 0)
                    break;
                if (cp < 0x80) {
                    *out++ = static_cast<char>(cp);
                    continue;
                }
                if (cp >= 0xD800 && cp <= 0xDFFF) {
                    char32_t low = p + 2 <= end ? unitAt(p) : 0;
                    if (cp <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
                        p += 2;
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    } else {
                        cp = 0xFFFD; // a surrogate without its partner
                    }
                }
                if (cp < 0x800) {
                    *out++ = static_cast<char>(0xC0 | (cp >> 6));
                } else if (cp < 0x10000) {
                    *out++ = static_cast<char>(0xE0 | (cp >> 12));
                    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                } else {
                    *out++ = static_cast<char>(0xF0 | (cp >> 18));
                    *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                }
                *out++ = static_cast<char>(0x80 | (cp & 0x3F));
            }
            m_out.resize(static_cast<std::size_t>(out - m_out.data()));
            return p;
        }

        void pad()
        {
            while (m_out.size() % 4)
                m_out.push_back('\0');
        }

        void putWord(std::size_t at, std::uint64_t value)
        {
            std::uint16_t w = static_cast<std::uint16_t>(std::min<std::uint64_t>(value, 0xFFFF));
            m_out[at] = static_cast<char>(w & 0xFF);
            m_out[at + 1] = static_cast<char>(w >> 8);
        }

        // The role of a node from its parent's role and its own key.
        static Role roleOf(Role parent, std::string_view key)
        {
            switch (parent) {
            case Role::Root:
                return key == "StringFileInfo" ? Role::StringFileInfo : Role::Other;
            case Role::StringFileInfo:
                return Role::StringTable;
            case Role::StringTable:
                return Role::String;
            default:
                return Role::Other;
            }
        }

        // Converts the node at `pos`, which must end by `limit`; says where the next sibling starts.
        // `parent` is the parent's role (none for the block itself).
        Next node(std::uint64_t pos, std::uint64_t limit, std::optional<Role> parent, int depth)
        {
            if (depth > kMaxDepth || ++m_nodes > kMaxNodes)
                return { limit, true };
            auto length = m_in.u16(pos);
            auto valueLength = m_in.u16(pos + 2);
            // A length of 0 or below the header would never advance: it ends the loop.
            if (!length || !valueLength || *length < 6)
                return { limit, true };
            std::uint64_t end = pos + *length;
            bool overrun = end > limit;
            if (overrun)
                end = limit;

            pad();
            const std::size_t outStart = m_out.size();
            m_out.append(4, '\0');
            const std::uint64_t valueStart = align4(appendUtf16(pos + 6, end));
            const std::string_view key = std::string_view(m_out).substr(outStart + 4);
            const Role role = parent ? roleOf(*parent, key) : Role::Root;
            m_out.push_back('\0');
            pad();
            std::uint64_t outValueLength = 0;
            if (role == Role::String) {
                const std::size_t valueOut = m_out.size();
                if (valueStart < end)
                    appendUtf16(valueStart, end);
                m_out.push_back('\0');
                outValueLength = m_out.size() - valueOut;
            } else {
                std::uint64_t bytes = valueStart < end ? std::min<std::uint64_t>(*valueLength, end - valueStart) : 0;
                m_out.append(m_in.data().substr(valueStart < end ? valueStart : 0, bytes));
                outValueLength = bytes;
                std::uint64_t child = align4(valueStart + bytes);
                while (child + 6 <= end) {
                    Next next = node(child, end, role, depth + 1);
                    if (next.stop)
                        break;
                    child = next.offset;
                }
            }
            pad();
            putWord(outStart, m_out.size() - outStart);
            putWord(outStart + 2, outValueLength);
            return { align4(end), overrun };
        }

        ByteView m_in;
        std::string m_out;
        std::size_t m_nodes = 0;
    };

    std::optional<ResourceRef> versionRef(ByteReader& r, const Image& img)
    {
        switch (img.header.format) {
        case ExeFormat::Pe32:
        case ExeFormat::Pe32Plus:
            return peVersion(r, img);
        case ExeFormat::Ne:
            return neVersion(r, img);
        case ExeFormat::Le:
            return leVersion(r, img);
        default:
            return std::nullopt;
        }
    }

    // ---- Icons --------------------------------------------------------------------------------------------

    // One icon image as the .ico directory describes it.
    struct IconImage {
        std::uint8_t width = 0;
        std::uint8_t height = 0;
        std::uint8_t colours = 0;
        std::uint16_t planes = 1;
        std::uint16_t bitCount = 0;
        std::string bytes;
    };

    std::uint8_t icoDimension(std::uint64_t v) { return v >= 256 ? 0 : static_cast<std::uint8_t>(v); }

    // The length of a PNG up to the end of its IEND chunk; nothing when the chunks run off the bytes.
    std::optional<std::uint64_t> pngLength(const ByteView& v)
    {
        std::uint64_t pos = 8;
        for (int chunks = 0; chunks < 100000; ++chunks) {
            auto length = v.u32be(pos);
            auto type = v.bytes(pos + 4, 4);
            if (!length || !type)
                return std::nullopt;
            pos += 12 + std::uint64_t(*length);
            if (*type == "IEND")
                return pos <= v.size() ? std::optional<std::uint64_t>(pos) : std::nullopt;
        }
        return std::nullopt;
    }

    // Describes an image from its own header (PNG or DIB); nothing for bytes that are neither.
    std::optional<IconImage> describeImage(std::string& bytes, std::uint16_t groupBitCount)
    {
        const ByteView v(bytes);
        IconImage img;
        static constexpr std::string_view kPng = "\x89PNG\r\n\x1a\n";
        if (v.bytes(0, 8) == kPng) {
            auto width = v.u32be(16);
            auto height = v.u32be(20);
            auto depth = v.u8(24);
            auto colourType = v.u8(25);
            if (v.bytes(12, 4) != std::string_view("IHDR") || !width || !height || !depth || !colourType || *width == 0
                || *height == 0)
                return std::nullopt;
            static constexpr std::uint8_t kChannels[7] = { 1, 0, 3, 1, 2, 0, 4 };
            std::uint8_t channels = *colourType < 7 ? kChannels[*colourType] : 0;
            img.width = icoDimension(*width);
            img.height = icoDimension(*height);
            img.bitCount = static_cast<std::uint16_t>(channels * *depth);
            if (*colourType == 3 && *depth < 8)
                img.colours = static_cast<std::uint8_t>(1u << *depth);
            // 16-bit files store resources in whole alignment units: drop the padding after IEND.
            if (auto length = pngLength(v))
                bytes.resize(*length);
        } else {
            auto headerSize = v.u32(0);
            if (!headerSize)
                return std::nullopt;
            std::int64_t width = 0;
            std::int64_t height = 0;
            std::uint16_t bits = 0;
            std::uint64_t paletteEntry = 4;
            std::uint64_t paletteCount = 0;
            std::uint32_t compression = 0;
            if (*headerSize == 12) {
                auto w = v.u16(4);
                auto h = v.u16(6);
                auto b = v.u16(10);
                if (!w || !h || !b)
                    return std::nullopt;
                width = *w;
                height = *h;
                bits = *b;
                paletteEntry = 3;
            } else if (*headerSize >= 40 && *headerSize <= bytes.size()) {
                width = static_cast<std::int32_t>(*v.u32(4));
                height = static_cast<std::int32_t>(*v.u32(8));
                bits = *v.u16(14);
                compression = *v.u32(16);
                paletteCount = *v.u32(32);
            } else {
                return std::nullopt;
            }
            // An icon DIB holds the colour image and its mask: the height counts both.
            height = (height < 0 ? -height : height) / 2;
            if (width <= 0 || height <= 0 || width > 0x10000 || height > 0x10000)
                return std::nullopt;
            // Drop what lies past the image and its mask (alignment padding of 16-bit files).
            if (bits > 0 && bits <= 32 && (compression == 0 || compression == 3)) {
                if (bits <= 8 && (paletteCount == 0 || paletteCount > (1u << bits)))
                    paletteCount = 1u << bits;
                if (bits > 8)
                    paletteCount = 0;
                const std::uint64_t w = static_cast<std::uint64_t>(width);
                const std::uint64_t h = static_cast<std::uint64_t>(height);
                const std::uint64_t stride = (w * bits + 31) / 32 * 4;
                const std::uint64_t maskStride = (w + 31) / 32 * 4;
                const std::uint64_t masks = compression == 3 && *headerSize == 40 ? 12 : 0;
                const std::uint64_t length
                    = *headerSize + masks + paletteCount * paletteEntry + (stride + maskStride) * h;
                if (length < bytes.size())
                    bytes.resize(length);
            }
            img.width = icoDimension(static_cast<std::uint64_t>(width));
            img.height = icoDimension(static_cast<std::uint64_t>(height));
            img.bitCount = bits != 0 ? bits : groupBitCount;
            if (img.bitCount > 0 && img.bitCount < 8)
                img.colours = static_cast<std::uint8_t>(1u << img.bitCount);
        }
        img.bytes = std::move(bytes);
        return img;
    }

    std::string icoFile(const std::vector<IconImage>& images)
    {
        std::string out;
        auto word = [&](std::uint16_t w) {
            out.push_back(static_cast<char>(w & 0xFF));
            out.push_back(static_cast<char>(w >> 8));
        };
        auto dword = [&](std::uint64_t d) {
            word(static_cast<std::uint16_t>(d & 0xFFFF));
            word(static_cast<std::uint16_t>(d >> 16));
        };
        word(0);
        word(1);
        word(static_cast<std::uint16_t>(images.size()));
        std::uint64_t offset = 6 + 16 * images.size();
        for (const IconImage& img : images) {
            out.push_back(static_cast<char>(img.width));
            out.push_back(static_cast<char>(img.height));
            out.push_back(static_cast<char>(img.colours));
            out.push_back('\0');
            word(img.planes);
            word(img.bitCount);
            dword(img.bytes.size());
            dword(offset);
            offset += img.bytes.size();
        }
        for (const IconImage& img : images)
            out += img.bytes;
        return out;
    }

    // One entry of a group icon directory.
    struct GroupEntry {
        std::uint16_t bitCount;
        std::uint16_t id;
    };

    std::vector<GroupEntry> groupEntries(ByteReader& r, const ResourceRef& group)
    {
        std::vector<GroupEntry> out;
        auto bytes = r.bytesClamped(group.offset, std::min<std::uint64_t>(group.size, 6 + 14 * kMaxGroupEntries));
        if (!bytes)
            return out;
        ByteView v(*bytes);
        auto count = v.u16(4);
        if (!count)
            return out;
        for (std::size_t i = 0; i < *count && i < kMaxIconImages && v.fits(6 + i * 14, 14); ++i)
            out.push_back(GroupEntry { *v.u16(6 + i * 14 + 6), *v.u16(6 + i * 14 + 12) });
        return out;
    }

    std::optional<IconImage> imageAt(ByteReader& r, const ResourceRef& ref, std::uint16_t groupBitCount)
    {
        auto bytes = r.bytesClamped(ref.offset, std::min<std::uint64_t>(ref.size, kMaxIconImage));
        if (!bytes)
            return std::nullopt;
        return describeImage(*bytes, groupBitCount);
    }

    // The .ico file of the images a group names; iconRef finds where one group entry's image lies.
    template <typename IconRef>
    std::optional<std::string> iconFile(ByteReader& r, const std::vector<GroupEntry>& entries, IconRef iconRef)
    {
        std::vector<IconImage> images;
        for (const GroupEntry& e : entries)
            if (std::optional<ResourceRef> ref = iconRef(e))
                if (auto image = imageAt(r, *ref, e.bitCount))
                    images.push_back(std::move(*image));
        if (images.empty())
            return std::nullopt;
        return icoFile(images);
    }

    std::optional<std::string> peIcon(ByteReader& r, const Image& img)
    {
        PeResources res(r, img);
        if (!res.valid())
            return std::nullopt;
        std::vector<std::uint32_t> groupPath;
        auto groups = res.typeDirectory(kRtGroupIcon, groupPath);
        if (!groups || groups->empty())
            return std::nullopt;
        auto group = res.language(groups->front(), groupPath);
        if (!group)
            return std::nullopt;
        auto entries = groupEntries(r, *group);
        std::vector<std::uint32_t> iconPath;
        auto icons = res.typeDirectory(kRtIcon, iconPath);
        if (!icons)
            return std::nullopt;
        return iconFile(r, entries, [&](const GroupEntry& e) -> std::optional<ResourceRef> {
            for (const DirEntry& icon : *icons)
                if (!icon.named && icon.id == e.id)
                    return res.language(icon, iconPath, group->language);
            return std::nullopt;
        });
    }

    std::optional<std::string> neIcon(ByteReader& r, const Image& img)
    {
        auto all = neResources(r, img);
        const NeResource* group = nullptr;
        for (const NeResource& res : all)
            if (res.type == kNeTypeGroupIcon) {
                group = &res;
                break;
            }
        if (!group)
            return std::nullopt;
        auto groupRef = neRef(r, *group);
        if (!groupRef)
            return std::nullopt;
        return iconFile(r, groupEntries(r, *groupRef), [&](const GroupEntry& e) -> std::optional<ResourceRef> {
            for (const NeResource& res : all)
                if (res.type == kNeTypeIcon && (res.id & 0x8000) != 0 && (res.id & 0x7FFF) == e.id)
                    return neRef(r, res);
            return std::nullopt;
        });
    }

    std::optional<std::string> iconOf(ByteReader& r, const Image& img)
    {
        switch (img.header.format) {
        case ExeFormat::Pe32:
        case ExeFormat::Pe32Plus:
            return peIcon(r, img);
        case ExeFormat::Ne:
            return neIcon(r, img);
        default:
            return std::nullopt;
        }
    }

    std::string machineName(std::uint16_t machine)
    {
        switch (machine) {
        case 0x014C:
            return "i386";
        case 0x8664:
            return "x64";
        case 0x0200:
            return "IA-64";
        case 0xAA64:
            return "ARM64";
        case 0x01C0:
        case 0x01C2:
        case 0x01C4:
            return "ARM";
        case 0x0184:
            return "Alpha";
        case 0x0284:
            return "Alpha 64";
        case 0x0162:
        case 0x0166:
        case 0x0168:
        case 0x0169:
            return "MIPS";
        case 0x01F0:
        case 0x01F1:
            return "PowerPC";
        case 0x01A2:
        case 0x01A3:
        case 0x01A6:
            return "SuperH";
        default: {
            char text[24];
            std::snprintf(text, sizeof text, "machine 0x%04X", machine);
            return text;
        }
        }
    }

    std::string subsystemName(std::uint16_t subsystem)
    {
        switch (subsystem) {
        case 1:
            return "natif";
        case 2:
            return "graphique";
        case 3:
            return "console";
        case 5:
            return "console OS/2";
        case 7:
            return "console POSIX";
        case 9:
            return "Windows CE";
        default:
            return {};
        }
    }

    std::string peLabel(const ExeHeader& h)
    {
        const bool plus = h.format == ExeFormat::Pe32Plus;
        const bool library = (h.characteristics & 0x2000) != 0;
        std::string detail = std::string(plus ? "PE32+" : "PE") + ", " + machineName(h.machine);
        if (h.subsystem >= 10 && h.subsystem <= 13)
            return (library ? "Pilote EFI (" : "Programme EFI (") + detail + ")";
        std::string system = h.dotNet ? ".NET" : plus ? "Win64" : "Win32";
        if (library)
            return "Bibliothèque " + system + " (" + detail + ")";
        std::string sub = subsystemName(h.subsystem);
        return "Exécutable " + system + " (" + detail + (sub.empty() ? "" : ", " + sub) + ")";
    }

} // namespace

std::optional<ExeHeader> readExeHeader(ByteReader& reader)
{
    auto img = readImage(reader);
    if (!img)
        return std::nullopt;
    return img->header;
}

std::string kindLabel(const ExeHeader& h)
{
    switch (h.format) {
    case ExeFormat::Dos:
        return "Exécutable MS-DOS (MZ)";
    case ExeFormat::Pe32:
    case ExeFormat::Pe32Plus:
        return peLabel(h);
    case ExeFormat::Ne: {
        const char* what = (h.moduleFlags & 0x8000) ? "Bibliothèque" : "Exécutable";
        switch (h.targetOs) {
        case 1:
            return std::string(what) + " OS/2 16 bits (NE)";
        case 3:
            return std::string(what) + " MS-DOS 4 (NE)";
        case 0:
        case 2:
        case 4:
            return std::string(what) + " Windows 16 bits (NE)";
        default:
            return std::string(what) + " 16 bits (NE)";
        }
    }
    case ExeFormat::Le:
        // Module type bits 15-17 all set mark a virtual device driver.
        if (h.osType == 4 || (h.leModuleFlags & 0x38000) == 0x38000)
            return "Pilote virtuel Windows (VxD, LE)";
        return "Exécutable 32 bits (LE)";
    case ExeFormat::Lx:
        return h.osType == 1 || h.osType == 0 ? "Exécutable OS/2 32 bits (LX)" : "Exécutable 32 bits (LX)";
    }
    return {};
}

std::optional<RawVersionBlock> readVersionResource(ByteReader& reader)
{
    auto img = readImage(reader);
    if (!img)
        return std::nullopt;
    auto ref = versionRef(reader, *img);
    if (!ref)
        return std::nullopt;
    return versionBlockAt(reader, *ref);
}

std::string singleByteVersionBlock(std::string_view wideBlock) { return VersionConverter(wideBlock).run(); }

std::optional<SearchableVersionBlock> readSearchableVersionBlock(ByteReader& reader)
{
    auto raw = readVersionResource(reader);
    if (!raw)
        return std::nullopt;
    if (raw->wide)
        return SearchableVersionBlock { singleByteVersionBlock(raw->bytes), false };
    return SearchableVersionBlock { std::move(raw->bytes), true };
}

std::optional<std::string> readIconIco(ByteReader& reader)
{
    auto img = readImage(reader);
    if (!img)
        return std::nullopt;
    return iconOf(reader, *img);
}

ExecutableFacts readExecutableFacts(ReadableFile& file)
{
    ExecutableFacts facts;
    ByteReader reader(file);
    auto img = readImage(reader);
    if (!img)
        return facts;
    facts.kind = kindLabel(img->header);
    facts.iconIco = iconOf(reader, *img);
    return facts;
}

ExecutableFacts readExecutableFacts(const std::string& path, FileSystem& fs)
{
    auto file = fs.open(path);
    if (!file)
        return {};
    return readExecutableFacts(*file);
}

} // namespace quarex
