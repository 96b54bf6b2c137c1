#include "fs/fat_image.h"

#include "fs/byte_reader.h"

#include <algorithm>
#include <ctime>
#include <mutex>

namespace quarex {

namespace {

    // Boot sector layout.
    constexpr std::size_t kOemName = 3;
    constexpr std::size_t kBytesPerSector = 11;
    constexpr std::size_t kSectorsPerCluster = 13;
    constexpr std::size_t kReservedSectors = 14;
    constexpr std::size_t kFatCount = 16;
    constexpr std::size_t kRootEntries = 17;
    constexpr std::size_t kTotalSectors16 = 19;
    constexpr std::size_t kMedia = 21;
    constexpr std::size_t kSectorsPerFat = 22;
    constexpr std::size_t kTotalSectors32 = 32;
    constexpr std::size_t kExtendedSignature = 38;
    constexpr std::size_t kVolumeLabel = 43;
    constexpr std::uint8_t kExtendedBoot = 0x29;

    // Directory entry layout.
    constexpr std::size_t kEntrySize = 32;
    constexpr std::size_t kAttributes = 11;
    constexpr std::size_t kTime = 22;
    constexpr std::size_t kDate = 24;
    constexpr std::size_t kFirstCluster = 26;
    constexpr std::size_t kFileSize = 28;
    constexpr std::uint8_t kAttrVolume = 0x08;
    constexpr std::uint8_t kAttrDirectory = 0x10;
    constexpr std::uint8_t kAttrLongName = 0x0F;
    constexpr unsigned char kDeleted = 0xE5;
    // Long-name entry layout: sequence byte, then 5 + 6 + 2 UTF-16 characters, the short name's checksum at 13.
    constexpr std::size_t kLongChecksum = 13;
    constexpr std::size_t kLongParts[3][2] = { { 1, 5 }, { 14, 6 }, { 28, 2 } };
    constexpr std::uint8_t kLongLast = 0x40;
    // A directory is not read beyond this many entries (2 MiB): a longer one is damage.
    constexpr std::size_t kMostEntries = 65536;

    // Standard disks formatted without a parameter block (DOS 1.x), known by size and media byte.
    struct StandardDisk {
        std::uint64_t bytes;
        std::uint8_t media;
        std::uint32_t sectorsPerCluster, rootEntries, sectorsPerFat;
    };
    constexpr StandardDisk kStandardDisks[] = {
        { 163840, 0xFE, 1, 64, 1 },
        { 184320, 0xFC, 1, 64, 2 },
        { 327680, 0xFF, 2, 112, 1 },
        { 368640, 0xFD, 2, 112, 2 },
        { 737280, 0xF9, 2, 112, 3 },
        { 1228800, 0xF9, 1, 224, 7 },
        { 1474560, 0xF0, 1, 224, 9 },
        { 2949120, 0xF0, 2, 240, 9 },
    };

    bool isPowerOfTwo(std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

    std::string trimRight(std::string_view text)
    {
        while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
            text.remove_suffix(1);
        return std::string(text);
    }

    // The 8.3 name of an entry, "NAME.EXT" (0x05 stands for a first byte 0xE5).
    std::string shortName(std::string_view raw)
    {
        std::string base = trimRight(raw.substr(0, 8));
        std::string ext = trimRight(raw.substr(8, 3));
        if (!base.empty() && base[0] == 0x05)
            base[0] = static_cast<char>(kDeleted);
        return ext.empty() ? base : base + "." + ext;
    }

    unsigned char shortNameChecksum(std::string_view raw)
    {
        unsigned char sum = 0;
        for (std::size_t i = 0; i < 11; ++i)
            sum = static_cast<unsigned char>(((sum & 1) << 7) + (sum >> 1) + static_cast<unsigned char>(raw[i]));
        return sum;
    }

    void appendUtf8(std::string& out, std::uint32_t c)
    {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | c >> 6));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | c >> 12));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | c >> 18));
            out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }

    // UTF-8 of UTF-16 units up to the first NUL (unpaired surrogates become U+FFFD).
    std::string utf16ToUtf8(const std::vector<std::uint16_t>& units)
    {
        std::string out;
        for (std::size_t i = 0; i < units.size() && units[i] != 0; ++i) {
            std::uint32_t c = units[i];
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
                ++i;
            } else if (c >= 0xD800 && c < 0xE000) {
                c = 0xFFFD;
            }
            appendUtf8(out, c);
        }
        return out;
    }

    // Seconds since the epoch of a FAT date and time (local time, two-second steps); 0 when there is no date.
    std::int64_t fatTime(std::uint16_t date, std::uint16_t time)
    {
        if (date == 0)
            return 0;
        struct tm tm { };
        tm.tm_year = 80 + (date >> 9);
        tm.tm_mon = ((date >> 5) & 0x0F) - 1;
        tm.tm_mday = date & 0x1F;
        tm.tm_hour = time >> 11;
        tm.tm_min = (time >> 5) & 0x3F;
        tm.tm_sec = (time & 0x1F) * 2;
        tm.tm_isdst = -1;
        return static_cast<std::int64_t>(std::mktime(&tm));
    }

    std::optional<FatGeometry> geometryFromBootSector(ByteView boot, std::uint64_t imageSize)
    {
        FatGeometry g;
        g.bytesPerSector = boot.u16(kBytesPerSector).value_or(0);
        g.sectorsPerCluster = boot.u8(kSectorsPerCluster).value_or(0);
        g.reservedSectors = boot.u16(kReservedSectors).value_or(0);
        g.fatCount = boot.u8(kFatCount).value_or(0);
        g.rootEntries = boot.u16(kRootEntries).value_or(0);
        g.totalSectors = boot.u16(kTotalSectors16).value_or(0);
        if (g.totalSectors == 0)
            g.totalSectors = boot.u32(kTotalSectors32).value_or(0);
        g.media = boot.u8(kMedia).value_or(0);
        g.sectorsPerFat = boot.u16(kSectorsPerFat).value_or(0);
        if (g.bytesPerSector < 128 || g.bytesPerSector > 4096 || !isPowerOfTwo(g.bytesPerSector)
            || !isPowerOfTwo(g.sectorsPerCluster) || g.reservedSectors == 0 || g.fatCount == 0 || g.fatCount > 4
            || g.rootEntries == 0 || g.sectorsPerFat == 0 || g.media < 0xF0 || g.totalSectors == 0)
            return std::nullopt;
        // The tables and the root directory must fit in the volume, and the volume mostly in the image.
        if (g.dataOffset() >= g.totalSectors * g.bytesPerSector || g.dataOffset() > imageSize)
            return std::nullopt;
        if (g.clusterCount() == 0 || g.clusterCount() >= 65525)
            return std::nullopt;
        g.oemName = trimRight(boot.bytes(kOemName, 8).value_or(""));
        if (boot.u8(kExtendedSignature) == kExtendedBoot) {
            std::string label = trimRight(boot.bytes(kVolumeLabel, 11).value_or(""));
            if (label != "NO NAME")
                g.label = label;
        }
        return g;
    }

    class FatVolume final : public Volume, public std::enable_shared_from_this<FatVolume> {
    public:
        FatVolume(std::unique_ptr<ReadableFile> file, FatGeometry geometry, std::string shownName,
            std::shared_ptr<ImageProblems> problems)
            : m_file(std::move(file))
            , m_reader(*m_file)
            , m_g(std::move(geometry))
            , m_shownName(std::move(shownName))
            , m_problems(std::move(problems))
        {
        }

        VolumeEntry root() override
        {
            VolumeEntry e;
            e.isDirectory = true;
            e.id = 1;
            return e;
        }

        std::optional<std::vector<VolumeEntry>> list(const VolumeEntry& directory) override
        {
            std::lock_guard lock(m_mutex);
            std::vector<VolumeEntry> out;
            std::vector<std::uint16_t> longName;
            int longChecksum = -1;
            std::size_t seen = 0;
            // Each entry is read where it lies: the fixed root area, or the directory's cluster chain.
            auto visit = [&](std::uint64_t offset) -> bool {
                unsigned char raw[kEntrySize];
                if (!m_reader.read(offset, raw, kEntrySize)) {
                    m_problems->report(m_shownName, "répertoire tronqué");
                    return false;
                }
                if (raw[0] == 0)
                    return false;
                if (++seen > kMostEntries) {
                    m_problems->report(m_shownName, "répertoire trop long");
                    return false;
                }
                std::string_view entry(reinterpret_cast<const char*>(raw), kEntrySize);
                std::uint8_t attr = raw[kAttributes];
                if (raw[0] == kDeleted) {
                    longName.clear();
                    return true;
                }
                if ((attr & 0x3F) == kAttrLongName) {
                    collectLongName(raw, longName, longChecksum);
                    return true;
                }
                if (attr & kAttrVolume) {
                    longName.clear();
                    return true;
                }
                ByteView v(entry);
                VolumeEntry e;
                e.name = shortName(entry);
                if (!longName.empty() && longChecksum == shortNameChecksum(entry)) {
                    std::string name = utf16ToUtf8(longName);
                    if (!name.empty())
                        e.name = name;
                }
                longName.clear();
                e.isDirectory = attr & kAttrDirectory;
                std::uint32_t cluster = v.u16(kFirstCluster).value_or(0);
                e.extents.push_back(Extent { cluster, 0 });
                e.id = e.isDirectory ? (cluster == 0 ? 1 : std::uint64_t(cluster) + 2) : 0;
                e.size = e.isDirectory ? 0 : v.u32(kFileSize).value_or(0);
                e.modified = fatTime(v.u16(kDate).value_or(0), v.u16(kTime).value_or(0));
                if (e.name != "." && e.name != "..")
                    out.push_back(std::move(e));
                return true;
            };
            if (directory.id == 1) {
                for (std::uint64_t off = 0; off < m_g.rootBytes(); off += kEntrySize)
                    if (!visit(m_g.rootOffset() + off))
                        break;
                return out;
            }
            auto chain = clusterChain(static_cast<std::uint32_t>(directory.extents.at(0).start), directory.name);
            for (std::uint32_t cluster : chain) {
                std::uint64_t base = clusterOffset(cluster);
                bool more = true;
                for (std::uint64_t off = 0; more && off < m_g.clusterBytes(); off += kEntrySize)
                    more = visit(base + off);
                if (!more)
                    break;
            }
            return out;
        }

        std::unique_ptr<ReadableFile> open(const VolumeEntry& file) override;

        ImageInfo info() override
        {
            ImageInfo info;
            info.format = m_g.fatBits() == 12 ? "FAT12" : "FAT16";
            info.label = m_g.label;
            info.system = m_g.oemName;
            info.sectorSize = static_cast<int>(m_g.bytesPerSector);
            // The volume-label entry of the root wins over the boot sector's copy.
            std::lock_guard lock(m_mutex);
            for (std::uint64_t off = 0; off < m_g.rootBytes(); off += kEntrySize) {
                unsigned char raw[kEntrySize];
                if (!m_reader.read(m_g.rootOffset() + off, raw, kEntrySize) || raw[0] == 0)
                    break;
                if (raw[0] != kDeleted && (raw[kAttributes] & 0x3F) == kAttrVolume) {
                    info.label = trimRight(std::string_view(reinterpret_cast<const char*>(raw), 11));
                    ByteView v(std::string_view(reinterpret_cast<const char*>(raw), kEntrySize));
                    info.created = fatTime(v.u16(kDate).value_or(0), v.u16(kTime).value_or(0));
                    break;
                }
            }
            return info;
        }

        // The clusters of a chain from `first`, cut (and told) where it loops or leaves the disk.
        std::vector<std::uint32_t> clusterChain(std::uint32_t first, const std::string& name)
        {
            std::vector<std::uint32_t> chain;
            std::uint32_t count = m_g.clusterCount();
            std::uint32_t endMark = m_g.fatBits() == 12 ? 0xFF8 : 0xFFF8;
            std::uint32_t cluster = first;
            while (cluster < endMark) {
                if (cluster < 2 || cluster >= count + 2) {
                    if (!chain.empty() || cluster != 0)
                        m_problems->report(m_shownName, "chaîne de « " + name + " » hors du disque");
                    break;
                }
                if (chain.size() >= count) {
                    m_problems->report(m_shownName, "chaîne de « " + name + " » en boucle");
                    break;
                }
                chain.push_back(cluster);
                auto next = fatEntry(cluster);
                if (!next) {
                    m_problems->report(m_shownName, "table FAT tronquée");
                    break;
                }
                cluster = *next;
            }
            return chain;
        }

        std::uint64_t clusterOffset(std::uint32_t cluster) const
        {
            return m_g.dataOffset() + std::uint64_t(cluster - 2) * m_g.clusterBytes();
        }
        const FatGeometry& geometry() const { return m_g; }

        // Reads bytes of the image under the volume's lock; the count read.
        std::size_t readImage(std::uint64_t offset, char* out, std::size_t length)
        {
            std::lock_guard lock(m_mutex);
            if (offset >= m_reader.size())
                return 0;
            std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, m_reader.size() - offset));
            return m_reader.read(offset, out, n) ? n : 0;
        }

        std::mutex& mutex() { return m_mutex; }

    private:
        void collectLongName(const unsigned char* raw, std::vector<std::uint16_t>& name, int& checksum)
        {
            unsigned sequence = raw[0] & 0x1F;
            if (raw[0] & kLongLast) {
                name.assign(sequence * 13, 0xFFFF);
                checksum = raw[kLongChecksum];
            } else if (checksum != raw[kLongChecksum] || name.empty()) {
                name.clear();
                return;
            }
            if (sequence == 0 || sequence * 13 > name.size()) {
                name.clear();
                return;
            }
            std::size_t at = (sequence - 1) * 13;
            for (const auto& part : kLongParts)
                for (std::size_t i = 0; i < part[1]; ++i, ++at)
                    name[at] = static_cast<std::uint16_t>(raw[part[0] + 2 * i] | raw[part[0] + 2 * i + 1] << 8);
        }

        std::optional<std::uint32_t> fatEntry(std::uint32_t cluster)
        {
            if (m_g.fatBits() == 12) {
                std::uint64_t at = m_g.fatOffset() + cluster + cluster / 2;
                auto pair = m_reader.u16(at);
                if (!pair)
                    return std::nullopt;
                return cluster & 1 ? *pair >> 4 : *pair & 0x0FFF;
            }
            auto v = m_reader.u16(m_g.fatOffset() + std::uint64_t(cluster) * 2);
            if (!v)
                return std::nullopt;
            return *v;
        }

        std::mutex m_mutex;
        std::unique_ptr<ReadableFile> m_file;
        ByteReader m_reader;
        FatGeometry m_g;
        std::string m_shownName;
        std::shared_ptr<ImageProblems> m_problems;
    };

    // A file of the volume: its cluster chain worked out at the opening (a few thousand clusters at most).
    class FatFile final : public ReadableFile {
    public:
        FatFile(std::shared_ptr<FatVolume> volume, const VolumeEntry& entry, std::vector<std::uint32_t> chain)
            : m_volume(std::move(volume))
            , m_facts(volumeFacts(entry, 0))
            , m_chain(std::move(chain))
        {
        }
        std::uint64_t size() const override { return m_facts.size; }
        std::optional<FileFacts> facts() const override { return m_facts; }

        std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t length) override
        {
            auto* out = static_cast<char*>(buffer);
            std::uint64_t clusterBytes = m_volume->geometry().clusterBytes();
            std::size_t done = 0;
            while (done < length && offset + done < m_facts.size) {
                std::uint64_t pos = offset + done;
                std::uint64_t index = pos / clusterBytes;
                if (index >= m_chain.size())
                    break;
                std::uint64_t inCluster = pos % clusterBytes;
                std::size_t n = static_cast<std::size_t>(
                    std::min<std::uint64_t>({ length - done, clusterBytes - inCluster, m_facts.size - pos }));
                std::size_t got = m_volume->readImage(
                    m_volume->clusterOffset(m_chain[static_cast<std::size_t>(index)]) + inCluster, out + done, n);
                done += got;
                if (got < n)
                    break;
            }
            return done;
        }

    private:
        std::shared_ptr<FatVolume> m_volume;
        FileFacts m_facts;
        std::vector<std::uint32_t> m_chain;
    };

    std::unique_ptr<ReadableFile> FatVolume::open(const VolumeEntry& file)
    {
        std::vector<std::uint32_t> chain;
        {
            std::lock_guard lock(m_mutex);
            chain
                = clusterChain(static_cast<std::uint32_t>(file.extents.empty() ? 0 : file.extents[0].start), file.name);
        }
        if (chain.size() * m_g.clusterBytes() < file.size)
            m_problems->report(m_shownName, "« " + file.name + " » plus court que sa taille");
        else if (!chain.empty() && file.size > 0) {
            // The clusters that hold the file's bytes must lie inside the image (a cut image loses them).
            std::uint64_t lastByte = (file.size - 1) % m_g.clusterBytes();
            std::uint32_t last = chain[static_cast<std::size_t>((file.size - 1) / m_g.clusterBytes())];
            if (clusterOffset(last) + lastByte >= m_reader.size())
                m_problems->report(m_shownName, "« " + file.name + " » au-delà de la fin de l'image");
        }
        return std::make_unique<FatFile>(shared_from_this(), file, std::move(chain));
    }

} // namespace

std::uint32_t FatGeometry::clusterCount() const
{
    std::uint64_t bytes = totalSectors * bytesPerSector;
    if (bytes <= dataOffset() || clusterBytes() == 0)
        return 0;
    std::uint64_t count = (bytes - dataOffset()) / clusterBytes();
    // The table must hold an entry for each cluster.
    std::uint64_t entries = std::uint64_t(sectorsPerFat) * bytesPerSector * 8 / (count + 2 < 4085 ? 12 : 16);
    if (entries < 2)
        return 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>({ count, entries - 2, 0xFFFFFFFFu }));
}

std::optional<FatGeometry> sniffFat(ReadableFile& file)
{
    ByteReader reader(file);
    auto boot = reader.bytes(0, 512);
    if (!boot)
        return std::nullopt;
    ByteView view(*boot);
    if (auto g = geometryFromBootSector(view, reader.size()))
        return g;
    // DOS 1.x: no parameter block; a standard size whose first FAT starts with the media byte and two 0xFF.
    for (const StandardDisk& disk : kStandardDisks) {
        if (reader.size() != disk.bytes)
            continue;
        auto head = reader.bytes(512, 3);
        if (!head || static_cast<unsigned char>((*head)[0]) != disk.media
            || static_cast<unsigned char>((*head)[1]) != 0xFF || static_cast<unsigned char>((*head)[2]) != 0xFF)
            return std::nullopt;
        FatGeometry g;
        g.sectorsPerCluster = disk.sectorsPerCluster;
        g.rootEntries = disk.rootEntries;
        g.sectorsPerFat = disk.sectorsPerFat;
        g.totalSectors = disk.bytes / 512;
        g.media = disk.media;
        g.fromSize = true;
        return g;
    }
    return std::nullopt;
}

std::shared_ptr<Volume> openFatVolume(std::unique_ptr<ReadableFile> file, const std::string& shownName,
    std::shared_ptr<ImageProblems> problems, std::string& error)
{
    if (!file) {
        error = "image illisible";
        return nullptr;
    }
    auto geometry = sniffFat(*file);
    if (!geometry) {
        error = "aucun volume FAT12 ou FAT16";
        return nullptr;
    }
    if (geometry->rootOffset() + geometry->rootBytes() > file->size())
        problems->report(shownName, "image tronquée");
    return std::make_shared<FatVolume>(std::move(file), std::move(*geometry), shownName, std::move(problems));
}

} // namespace quarex
