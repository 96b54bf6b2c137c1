#include "fs/cd_sectors.h"

#include "fs/byte_reader.h"
#include "text/text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace quarex {

namespace {

    // Raw sector layout: 12 bytes of sync, 3 of address, 1 of mode, then the data (mode 1) or an 8-byte XA
    // subheader before it (mode 2 form 1).
    constexpr std::size_t kSyncSize = 12;
    constexpr std::size_t kModeByte = 15;
    constexpr std::uint32_t kMode1Data = 16;
    constexpr std::uint32_t kMode2Form1Data = 24;
    constexpr std::uint32_t kXaSubheader = 8;
    constexpr std::uint64_t kDescriptorSector = 16;
    // Images made from a whole disc sometimes keep the 150-sector pregap before the first track.
    constexpr std::uint64_t kPregapSectors = 150;

    constexpr std::array<unsigned char, kSyncSize> kSync
        = { 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00 };

    // True when 8 bytes hold a volume descriptor's head: ISO 9660 "CD001" or a UDF recognition sequence.
    bool isDescriptor(const unsigned char* p)
    {
        if (std::memcmp(p + 1, "CD001", 5) == 0 && (p[0] <= 3 || p[0] == 255))
            return true;
        return p[0] == 0 && (std::memcmp(p + 1, "BEA01", 5) == 0 || std::memcmp(p + 1, "NSR02", 5) == 0);
    }

    // The user data offset of a raw sector whose data holds a descriptor; nothing when it does not.
    std::optional<std::uint32_t> rawDataOffset(ByteReader& reader, std::uint64_t sectorStart, bool withSync)
    {
        unsigned char head[kMode2Form1Data + 8];
        if (!reader.read(sectorStart, head, sizeof head))
            return std::nullopt;
        if (withSync) {
            if (std::memcmp(head, kSync.data(), kSyncSize) != 0)
                return std::nullopt;
            if (head[kModeByte] == 1 && isDescriptor(head + kMode1Data))
                return kMode1Data;
            if (head[kModeByte] == 2 && isDescriptor(head + kMode2Form1Data))
                return kMode2Form1Data;
            return std::nullopt;
        }
        if (isDescriptor(head + kXaSubheader))
            return kXaSubheader;
        return std::nullopt;
    }

} // namespace

std::optional<SectorLayout> sniffCdLayout(ReadableFile& file)
{
    ByteReader reader(file);
    for (std::uint64_t pregap : { std::uint64_t(0), kPregapSectors }) {
        // Plain 2048-byte sectors.
        std::uint64_t at = (pregap + kDescriptorSector) * 2048;
        unsigned char head[8];
        if (reader.read(at, head, sizeof head) && isDescriptor(head))
            return SectorLayout { 2048, 0, pregap * 2048, "MODE1/2048" };
        for (std::uint32_t size : { 2352u, 2448u, 2336u }) {
            std::uint64_t sectorStart = (pregap + kDescriptorSector) * size;
            auto offset = rawDataOffset(reader, sectorStart, size != 2336);
            if (!offset)
                continue;
            std::string mode = (*offset == kMode1Data ? "MODE1/" : "MODE2/") + std::to_string(size);
            return SectorLayout { size, *offset, pregap * size, mode };
        }
    }
    return std::nullopt;
}

std::uint32_t sectorSizeOfMode(std::string_view mode)
{
    std::size_t slash = mode.find('/');
    if (slash == std::string_view::npos)
        return equalsNoCase(mode, "AUDIO") ? 2352 : 0;
    std::uint32_t size = 0;
    for (char c : mode.substr(slash + 1)) {
        if (c < '0' || c > '9' || size > 100000)
            return 0;
        size = size * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return size == 2048 || size == 2336 || size == 2352 || size == 2448 ? size : 0;
}

namespace {

    // Calls `take(keyword, rest)` for each line of a cue or toc sheet: the line's first word, then the
    // rest of it, both without their leading blanks.
    template <typename Take> void forEachKeywordLine(std::string_view text, Take take)
    {
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find_first_of("\r\n", pos);
            if (end == std::string_view::npos)
                end = text.size();
            std::string_view line = text.substr(pos, end - pos);
            pos = end + 1;
            line.remove_prefix(std::min(line.size(), line.find_first_not_of(" \t")));
            std::size_t space = line.find_first_of(" \t");
            std::string_view keyword = line.substr(0, space);
            std::string_view rest = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
            rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(" \t")));
            take(keyword, rest);
        }
    }

} // namespace

std::optional<CueSheet> parseCueSheet(std::string_view text)
{
    CueSheet sheet;
    forEachKeywordLine(text, [&](std::string_view keyword, std::string_view rest) {
        if (equalsNoCase(keyword, "FILE")) {
            // FILE "name with spaces.bin" BINARY, or FILE name.bin BINARY.
            std::string name;
            if (!rest.empty() && rest.front() == '"') {
                std::size_t close = rest.find('"', 1);
                if (close == std::string_view::npos)
                    return;
                name = std::string(rest.substr(1, close - 1));
            } else {
                std::size_t last = rest.find_last_of(" \t");
                name = std::string(last == std::string_view::npos ? rest : rest.substr(0, last));
            }
            if (!name.empty())
                sheet.files.push_back(name);
        } else if (equalsNoCase(keyword, "TRACK") && !sheet.files.empty()) {
            CueTrack track;
            std::size_t sp = rest.find_first_of(" \t");
            for (char c : rest.substr(0, sp))
                if (c >= '0' && c <= '9' && track.number < 1000)
                    track.number = track.number * 10 + (c - '0');
            if (sp != std::string_view::npos) {
                std::string_view mode = rest.substr(sp + 1);
                mode.remove_prefix(std::min(mode.size(), mode.find_first_not_of(" \t")));
                track.mode = upperCase(trim(mode));
            }
            track.file = sheet.files.back();
            sheet.tracks.push_back(track);
        } else if (equalsNoCase(keyword, "INDEX") && !sheet.tracks.empty()) {
            // INDEX 01 mm:ss:ff, 75 frames a second.
            if (rest.substr(0, 2) != "01")
                return;
            std::string_view stamp = rest.substr(2);
            stamp.remove_prefix(std::min(stamp.size(), stamp.find_first_not_of(" \t")));
            unsigned parts[3] = { 0, 0, 0 };
            int part = 0;
            for (char c : stamp) {
                if (c == ':' && part < 2)
                    ++part;
                else if (c >= '0' && c <= '9' && parts[part] < 100000)
                    parts[part] = parts[part] * 10 + static_cast<unsigned>(c - '0');
                else
                    break;
            }
            sheet.tracks.back().startSector = (std::uint64_t(parts[0]) * 60 + parts[1]) * 75 + parts[2];
        }
    });
    if (sheet.files.empty() || sheet.tracks.empty())
        return std::nullopt;
    return sheet;
}

std::optional<CueSheet> parseTocSheet(std::string_view text)
{
    // cdrdao's modes in cue-sheet terms.
    static const std::pair<std::string_view, std::string_view> kModes[] = { { "MODE1_RAW", "MODE1/2352" },
        { "MODE2_RAW", "MODE2/2352" }, { "MODE1", "MODE1/2048" }, { "MODE2_FORM1", "MODE2/2048" },
        { "MODE2_FORM_MIX", "MODE2/2336" }, { "MODE2", "MODE2/2336" }, { "AUDIO", "AUDIO" } };
    CueSheet sheet;
    forEachKeywordLine(text, [&](std::string_view keyword, std::string_view rest) {
        if (equalsNoCase(keyword, "TRACK")) {
            CueTrack track;
            track.number = static_cast<int>(sheet.tracks.size()) + 1;
            std::string_view mode = rest.substr(0, rest.find_first_of(" \t"));
            for (const auto& [toc, cue] : kModes)
                if (equalsNoCase(mode, toc))
                    track.mode = std::string(cue);
            sheet.tracks.push_back(track);
        } else if ((equalsNoCase(keyword, "DATAFILE") || equalsNoCase(keyword, "FILE")) && !sheet.tracks.empty()
            && rest.size() > 1 && rest.front() == '"') {
            std::size_t close = rest.find('"', 1);
            if (close == std::string_view::npos || close == 1)
                return;
            std::string name(rest.substr(1, close - 1));
            if (sheet.files.empty() || sheet.files.back() != name)
                sheet.files.push_back(name);
            if (sheet.tracks.back().file.empty())
                sheet.tracks.back().file = name;
        }
    });
    // A track's data is in the file named under it; the start of each file's first track is its sector 0.
    sheet.tracks.erase(std::remove_if(sheet.tracks.begin(), sheet.tracks.end(),
                           [](const CueTrack& t) { return t.file.empty() || t.mode.empty(); }),
        sheet.tracks.end());
    if (sheet.files.empty() || sheet.tracks.empty())
        return std::nullopt;
    return sheet;
}

} // namespace quarex
