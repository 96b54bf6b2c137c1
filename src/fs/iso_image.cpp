#include "fs/iso_image.h"

#include "fs/byte_reader.h"

#include <cdio/cdio.h>
#include <cdio/iso9660.h>
#include <cdio/logging.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace quarex {

namespace {

    constexpr std::uint64_t kBlock = ISO_BLOCKSIZE;
    // A directory larger than this is damage, not a directory: the library would allocate all of it at once.
    constexpr std::uint64_t kLargestDirectory = 16 * 1024 * 1024;
    // Volume descriptors from sector 16 until the set terminator, at most this many.
    constexpr int kMostDescriptors = 16;
    // Volume descriptor layout: type, "CD001", then the root directory record at 156 (extent at +2, size at +10).
    constexpr std::size_t kVdType = 0;
    constexpr std::size_t kVdRootRecord = 156;
    constexpr std::size_t kRecordExtent = 2;
    constexpr std::size_t kRecordSize = 10;
    constexpr std::uint8_t kVdTerminator = 255;
    // Large reads of a file go through this many blocks at a time.
    constexpr std::size_t kChunkBlocks = 32;

    void quietLog(cdio_log_level_t, const char*) { }

    std::string takeString(char* text)
    {
        std::string out = text ? text : "";
        std::free(text);
        while (!out.empty() && out.back() == ' ')
            out.pop_back();
        return out;
    }

    // Seconds since the epoch of a time the library gives in local time (the record's GMT offset applied).
    std::int64_t epochOfLocal(struct tm tm)
    {
        tm.tm_isdst = -1;
        return static_cast<std::int64_t>(std::mktime(&tm));
    }

    struct ListDeleter {
        void operator()(CdioList_t* list) const { iso9660_filelist_free(list); }
    };

    // A track of raw sectors is read through the library's cue-sheet driver, which takes each sector's data apart
    // (its plain image reader reads several raw sectors as if they were one run of data). That driver finds the data
    // file by the name of the sheet, so both live in a private folder while the image is open: the sheet written for
    // the occasion with the layout found, and a link to the image.
    class RawTrack {
    public:
        RawTrack() = default;
        RawTrack(const RawTrack&) = delete;
        RawTrack& operator=(const RawTrack&) = delete;
        ~RawTrack()
        {
            if (m_cdio)
                cdio_destroy(m_cdio);
            if (!m_folder.empty()) {
                ::unlink((m_folder + "/image.cue").c_str());
                ::unlink((m_folder + "/image.bin").c_str());
                ::rmdir(m_folder.c_str());
            }
        }

        bool open(const std::string& file, const SectorLayout& layout, std::string& error)
        {
            const char* tmp = std::getenv("TMPDIR");
            std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/quarex-XXXXXX";
            if (!::mkdtemp(folder.data())) {
                error = "dossier temporaire impossible";
                return false;
            }
            m_folder = folder;
            std::string target = file;
            if (target.empty() || target.front() != '/') {
                char cwd[4096];
                if (::getcwd(cwd, sizeof cwd))
                    target = joinPath(cwd, target);
            }
            std::string sheet = "FILE \"image.bin\" BINARY\n  TRACK 01 " + layout.mode + "\n    INDEX 01 00:00:00\n";
            std::string cue = m_folder + "/image.cue";
            int fd = ::open(cue.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            bool written = fd >= 0 && ::write(fd, sheet.data(), sheet.size()) == static_cast<ssize_t>(sheet.size());
            if (fd >= 0)
                ::close(fd);
            if (!written || ::symlink(target.c_str(), (m_folder + "/image.bin").c_str()) != 0) {
                error = "feuille de repères temporaire impossible";
                return false;
            }
            m_cdio = cdio_open_cue(cue.c_str());
            if (!m_cdio || !iso9660_fs_read_superblock(m_cdio, ISO_EXTENSION_ALL)) {
                error = "aucun volume ISO 9660 lisible dans les secteurs " + layout.mode;
                return false;
            }
            return true;
        }

        CdIo_t* cdio() const { return m_cdio; }

    private:
        std::string m_folder;
        CdIo_t* m_cdio = nullptr;
    };

    class IsoVolume final : public Volume, public std::enable_shared_from_this<IsoVolume> {
    public:
        // Takes one of `iso` (2048-byte sectors) or `cdio` (raw sectors).
        IsoVolume(iso9660_t* iso, std::unique_ptr<RawTrack> raw, std::string shownName,
            std::shared_ptr<ImageProblems> problems, std::uint64_t sectors, SectorLayout layout)
            : m_iso(iso)
            , m_raw(std::move(raw))
            , m_cdio(m_raw ? m_raw->cdio() : nullptr)
            , m_shownName(std::move(shownName))
            , m_problems(std::move(problems))
            , m_sectors(sectors)
            , m_layout(std::move(layout))
            , m_joliet(iso ? iso9660_ifs_get_joliet_level(iso) : cdio_get_joliet_level(m_cdio))
        {
        }
        ~IsoVolume() override
        {
            if (m_iso)
                iso9660_close(m_iso);
        }
        IsoVolume(const IsoVolume&) = delete;
        IsoVolume& operator=(const IsoVolume&) = delete;

        // Checks the root records of the volume descriptors before the library lists anything.
        bool checkDescriptors(std::string& error)
        {
            bool primary = false;
            for (int i = 0; i < kMostDescriptors; ++i) {
                std::string sector(kBlock, '\0');
                if (!readBlocks(16 + static_cast<std::uint64_t>(i), 1, sector.data()))
                    break;
                ByteView vd(sector);
                std::uint8_t type = vd.u8(kVdType).value_or(0);
                if (type == kVdTerminator)
                    break;
                if (type != 1 && type != 2)
                    continue;
                std::uint64_t extent = vd.u32(kVdRootRecord + kRecordExtent).value_or(0);
                std::uint64_t size = vd.u32(kVdRootRecord + kRecordSize).value_or(0);
                if (size == 0 || size > kLargestDirectory || !extentFits(extent, size)) {
                    error = "répertoire racine hors de l'image";
                    return false;
                }
                if (type == 1) {
                    primary = true;
                    m_rootId = extent + 1;
                }
            }
            if (!primary)
                error = "aucun descripteur de volume ISO 9660";
            return primary;
        }

        VolumeEntry root() override
        {
            VolumeEntry e;
            e.isDirectory = true;
            e.locator = "/";
            e.id = m_rootId;
            return e;
        }

        std::optional<std::vector<VolumeEntry>> list(const VolumeEntry& directory) override
        {
            if (directory.locator != "/"
                && (directory.size > kLargestDirectory || directory.extents.empty()
                    || !extentFits(directory.extents.front().start, directory.size))) {
                m_problems->report(m_shownName, "répertoire hors de l'image : " + directory.locator);
                return std::nullopt;
            }
            std::unique_ptr<CdioList_t, ListDeleter> list;
            {
                std::lock_guard lock(m_mutex);
                m_listedRoot = m_listedRoot || directory.locator == "/";
                list.reset(m_iso ? iso9660_ifs_readdir(m_iso, directory.locator.c_str())
                                 : iso9660_fs_readdir(m_cdio, directory.locator.c_str()));
            }
            if (!list) {
                m_problems->report(m_shownName, "répertoire illisible : " + directory.locator);
                return std::nullopt;
            }
            std::vector<VolumeEntry> out;
            std::string previousRecorded;
            CdioListNode_t* node;
            _CDIO_LIST_FOREACH(node, list.get())
            {
                auto* st = static_cast<iso9660_stat_t*>(_cdio_list_node_data(node));
                // The library leaves a node empty for a record it could not take apart.
                if (!st)
                    continue;
                std::string recorded = st->filename;
                if (recorded == "." || recorded == ".." || recorded.empty())
                    continue;
                bool isDir = st->type == iso9660_stat_s::_STAT_DIR;
                // The records of a multi-extent file follow each other under one name.
                if (!isDir && !out.empty() && !out.back().isDirectory && recorded == previousRecorded) {
                    out.back().extents.push_back(Extent { static_cast<std::uint64_t>(st->lsn), st->size });
                    out.back().size += st->size;
                    checkExtent(out.back(), out.back().extents.back());
                    continue;
                }
                previousRecorded = recorded;
                VolumeEntry e;
                bool rockRidge = st->rr.b3_rock == yep;
                m_sawRockRidge = m_sawRockRidge || rockRidge;
                e.name = m_joliet > 0 || rockRidge ? recorded : isoPrimaryName(recorded);
                e.isDirectory = isDir;
                e.size = st->size;
                e.modified = epochOfLocal(st->tm);
                e.id = static_cast<std::uint64_t>(st->lsn) + 1;
                e.locator = directory.locator == "/" ? "/" + recorded : directory.locator + "/" + recorded;
                e.extents.push_back(Extent { static_cast<std::uint64_t>(st->lsn), st->size });
                if (!isDir)
                    checkExtent(e, e.extents.back());
                out.push_back(std::move(e));
            }
            return out;
        }

        std::unique_ptr<ReadableFile> open(const VolumeEntry& file) override;

        ImageInfo info() override
        {
            if (!m_listedRoot)
                list(root());
            std::lock_guard lock(m_mutex);
            ImageInfo info;
            info.format = "ISO 9660";
            iso9660_pvd_t pvd;
            if (m_iso ? iso9660_ifs_read_pvd(m_iso, &pvd) : iso9660_fs_read_pvd(m_cdio, &pvd)) {
                info.label = takeString(iso9660_get_volume_id(&pvd));
                info.application = takeString(iso9660_get_application_id(&pvd));
                info.publisher = takeString(iso9660_get_publisher_id(&pvd));
                info.preparer = takeString(iso9660_get_preparer_id(&pvd));
                info.system = takeString(iso9660_get_system_id(&pvd));
                struct tm created { };
                if (iso9660_get_ltime(&pvd.creation_date, &created))
                    info.created = static_cast<std::int64_t>(timegm(&created));
            }
            if (m_joliet > 0)
                info.extensions = "Joliet";
            // Rock Ridge as seen in the root's records (the library's own search of the tree faults on damaged
            // images); with Joliet names the records are not looked at for it.
            if (m_sawRockRidge)
                info.extensions += info.extensions.empty() ? "Rock Ridge" : ", Rock Ridge";
            info.sectorSize = static_cast<int>(m_layout.sectorSize);
            return info;
        }

        // Reads whole blocks of the track; false when the image comes short.
        bool readBlocks(std::uint64_t block, std::size_t count, char* out)
        {
            if (block + count > m_sectors)
                return false;
            std::lock_guard lock(m_mutex);
            if (m_cdio)
                return cdio_read_data_sectors(
                           m_cdio, out, static_cast<lsn_t>(block), kBlock, static_cast<std::uint32_t>(count))
                    == DRIVER_OP_SUCCESS;
            long got = iso9660_iso_seek_read(m_iso, out, static_cast<lsn_t>(block), static_cast<long>(count));
            return got == static_cast<long>(count * kBlock);
        }

        const std::string& shownName() const { return m_shownName; }
        ImageProblems& problems() { return *m_problems; }

    private:
        bool extentFits(std::uint64_t block, std::uint64_t size) const
        {
            std::uint64_t blocks = (size + kBlock - 1) / kBlock;
            return block <= m_sectors && blocks <= m_sectors - block;
        }

        void checkExtent(const VolumeEntry& e, const Extent& extent)
        {
            if (extent.length > 0 && !extentFits(extent.start, extent.length))
                m_problems->report(m_shownName, "« " + e.name + " » dépasse la fin de l'image");
        }

        std::mutex m_mutex;
        iso9660_t* m_iso;
        std::unique_ptr<RawTrack> m_raw;
        CdIo_t* m_cdio;
        std::string m_shownName;
        std::shared_ptr<ImageProblems> m_problems;
        std::uint64_t m_sectors;
        SectorLayout m_layout;
        std::uint8_t m_joliet;
        std::uint64_t m_rootId = 1;
        bool m_sawRockRidge = false;
        bool m_listedRoot = false;
    };

    // A file of the volume: its extents read block by block; reads past the image's end come short.
    class IsoFile final : public ReadableFile {
    public:
        IsoFile(std::shared_ptr<IsoVolume> volume, const VolumeEntry& entry)
            : m_volume(std::move(volume))
            , m_entry(entry)
            , m_facts(volumeFacts(entry, 0))
        {
        }

        std::uint64_t size() const override { return m_entry.size; }
        std::optional<FileFacts> facts() const override { return m_facts; }

        std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t length) override
        {
            auto* out = static_cast<char*>(buffer);
            std::size_t done = 0;
            while (done < length && offset + done < m_entry.size) {
                std::uint64_t pos = offset + done;
                // The extent holding `pos`.
                std::uint64_t extentStart = 0;
                const Extent* extent = nullptr;
                for (const Extent& x : m_entry.extents) {
                    if (pos < extentStart + x.length) {
                        extent = &x;
                        break;
                    }
                    extentStart += x.length;
                }
                if (!extent)
                    break;
                std::uint64_t inExtent = pos - extentStart;
                std::uint64_t block = extent->start + inExtent / kBlock;
                std::size_t skip = static_cast<std::size_t>(inExtent % kBlock);
                std::uint64_t wanted = std::min<std::uint64_t>(length - done, extent->length - inExtent);
                std::size_t blocks = static_cast<std::size_t>(
                    std::min<std::uint64_t>((skip + wanted + kBlock - 1) / kBlock, kChunkBlocks));
                if (!loadChunk(block, blocks))
                    break;
                std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, blocks * kBlock - skip));
                std::copy_n(m_chunk.data() + (block - m_chunkBlock) * kBlock + skip, n, out + done);
                done += n;
            }
            return done;
        }

    private:
        // Holds blocks [block, block + count) in the chunk buffer, reading them unless they are already there.
        bool loadChunk(std::uint64_t block, std::size_t count)
        {
            if (m_chunkCount > 0 && block >= m_chunkBlock && block + count <= m_chunkBlock + m_chunkCount)
                return true;
            m_chunk.resize(kChunkBlocks * kBlock);
            m_chunkCount = 0;
            if (!m_volume->readBlocks(block, count, m_chunk.data()))
                return false;
            m_chunkBlock = block;
            m_chunkCount = count;
            return true;
        }

        std::shared_ptr<IsoVolume> m_volume;
        VolumeEntry m_entry;
        FileFacts m_facts;
        std::vector<char> m_chunk;
        std::uint64_t m_chunkBlock = 0;
        std::size_t m_chunkCount = 0;
    };

    std::unique_ptr<ReadableFile> IsoVolume::open(const VolumeEntry& file)
    {
        return std::make_unique<IsoFile>(shared_from_this(), file);
    }

} // namespace

std::string isoPrimaryName(std::string_view recorded)
{
    std::size_t semicolon = recorded.rfind(';');
    if (semicolon != std::string_view::npos)
        recorded = recorded.substr(0, semicolon);
    if (!recorded.empty() && recorded.back() == '.')
        recorded.remove_suffix(1);
    return std::string(recorded);
}

std::shared_ptr<Volume> openIsoVolume(const std::string& file, const SectorLayout& layout, const std::string& shownName,
    std::shared_ptr<ImageProblems> problems, std::string& error)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { cdio_log_set_handler(quietLog); });
    // Neither of the library's readers takes these apart (the cue driver misplaces the data of 2336-byte sectors).
    if (layout.sectorSize == 2448 || layout.sectorSize == 2336) {
        error = "secteurs de " + std::to_string(layout.sectorSize) + " octets non pris en charge";
        return nullptr;
    }
    auto native = nativeFileSystem().open(file);
    if (!native) {
        error = "image illisible";
        return nullptr;
    }
    std::uint64_t sectors = native->size() > layout.start ? (native->size() - layout.start) / layout.sectorSize : 0;
    native.reset();
    iso9660_t* iso = nullptr;
    std::unique_ptr<RawTrack> raw;
    if (layout.sectorSize == kBlock) {
        // 2048-byte sectors, from the start or after a pregap the library finds within this many sectors.
        iso = layout.start == 0 ? iso9660_open_ext(file.c_str(), ISO_EXTENSION_ALL)
                                : iso9660_open_fuzzy_ext(file.c_str(), ISO_EXTENSION_ALL,
                                    static_cast<std::uint16_t>(layout.start / kBlock + 20));
        if (!iso) {
            error = "aucun volume ISO 9660 lisible";
            return nullptr;
        }
    } else if (layout.start != 0) {
        error = "secteurs bruts après une prégap non pris en charge";
        return nullptr;
    } else {
        raw = std::make_unique<RawTrack>();
        if (!raw->open(file, layout, error))
            return nullptr;
    }
    auto volume = std::make_shared<IsoVolume>(iso, std::move(raw), shownName, std::move(problems), sectors, layout);
    if (!volume->checkDescriptors(error))
        return nullptr;
    return volume;
}

} // namespace quarex
