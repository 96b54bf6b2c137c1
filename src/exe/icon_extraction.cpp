#include "exe/icon_extraction.h"

#include "exe/ne_resources.h"
#include "exe/pe_resources.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace quarex {

namespace {

    constexpr std::size_t kMaxGroupEntries = 256;

    // A PNG file: signature, then chunks of length (big-endian), type, data and CRC; IHDR comes first.
    namespace png {
        constexpr std::string_view kSignature = "\x89PNG\r\n\x1a\n";
        constexpr std::uint64_t kFirstChunk = 8;
        constexpr std::uint64_t kChunkType = 4; // from the chunk
        constexpr std::uint64_t kChunkOverhead = 12; // length, type, CRC
        constexpr std::uint64_t kHeaderType = 12;
        constexpr std::uint64_t kWidth = 16;
        constexpr std::uint64_t kHeight = 20;
        constexpr std::uint64_t kBitDepth = 24;
        constexpr std::uint64_t kColourType = 25;
    } // namespace png

    // The header of a device-independent bitmap: the old 12-byte core layout, or the 40-byte one and its
    // longer successors.
    namespace dib {
        constexpr std::uint64_t kHeaderSize = 0;
        constexpr std::uint32_t kCoreHeaderSize = 12;
        constexpr std::uint64_t kCoreWidth = 4;
        constexpr std::uint64_t kCoreHeight = 6;
        constexpr std::uint64_t kCoreBitCount = 10;
        constexpr std::uint32_t kInfoHeaderSize = 40;
        constexpr std::uint64_t kWidth = 4;
        constexpr std::uint64_t kHeight = 8;
        constexpr std::uint64_t kBitCount = 14;
        constexpr std::uint64_t kCompression = 16;
        constexpr std::uint64_t kColoursUsed = 32;
        constexpr std::uint32_t kBitfields = 3;
    } // namespace dib

    // A group icon resource: reserved, type, count, then 14-byte entries ending with the icon's id.
    namespace groupIcon {
        constexpr std::uint64_t kCount = 4;
        constexpr std::uint64_t kEntries = 6;
        constexpr std::uint64_t kEntrySize = 14;
        constexpr std::uint64_t kBitCount = 6; // from the entry
        constexpr std::uint64_t kId = 12; // from the entry
    } // namespace groupIcon

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
        std::uint64_t pos = png::kFirstChunk;
        for (int chunks = 0; chunks < 100000; ++chunks) {
            auto length = v.u32be(pos);
            auto type = v.bytes(pos + png::kChunkType, 4);
            if (!length || !type)
                return std::nullopt;
            pos += png::kChunkOverhead + std::uint64_t(*length);
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
        if (v.bytes(0, png::kSignature.size()) == png::kSignature) {
            auto width = v.u32be(png::kWidth);
            auto height = v.u32be(png::kHeight);
            auto depth = v.u8(png::kBitDepth);
            auto colourType = v.u8(png::kColourType);
            if (v.bytes(png::kHeaderType, 4) != std::string_view("IHDR") || !width || !height || !depth || !colourType
                || *width == 0 || *height == 0)
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
            auto headerSize = v.u32(dib::kHeaderSize);
            if (!headerSize)
                return std::nullopt;
            std::int64_t width = 0;
            std::int64_t height = 0;
            std::uint16_t bits = 0;
            std::uint64_t paletteEntry = 4;
            std::uint64_t paletteCount = 0;
            std::uint32_t compression = 0;
            if (*headerSize == dib::kCoreHeaderSize) {
                auto w = v.u16(dib::kCoreWidth);
                auto h = v.u16(dib::kCoreHeight);
                auto b = v.u16(dib::kCoreBitCount);
                if (!w || !h || !b)
                    return std::nullopt;
                width = *w;
                height = *h;
                bits = *b;
                paletteEntry = 3;
            } else if (*headerSize >= dib::kInfoHeaderSize && *headerSize <= bytes.size()) {
                width = static_cast<std::int32_t>(*v.u32(dib::kWidth));
                height = static_cast<std::int32_t>(*v.u32(dib::kHeight));
                bits = *v.u16(dib::kBitCount);
                compression = *v.u32(dib::kCompression);
                paletteCount = *v.u32(dib::kColoursUsed);
            } else {
                return std::nullopt;
            }
            // An icon DIB holds the colour image and its mask: the height counts both.
            height = (height < 0 ? -height : height) / 2;
            if (width <= 0 || height <= 0 || width > 0x10000 || height > 0x10000)
                return std::nullopt;
            // Drop what lies past the image and its mask (alignment padding of 16-bit files).
            if (bits > 0 && bits <= 32 && (compression == 0 || compression == dib::kBitfields)) {
                if (bits <= 8 && (paletteCount == 0 || paletteCount > (1u << bits)))
                    paletteCount = 1u << bits;
                if (bits > 8)
                    paletteCount = 0;
                const std::uint64_t w = static_cast<std::uint64_t>(width);
                const std::uint64_t h = static_cast<std::uint64_t>(height);
                const std::uint64_t stride = (w * bits + 31) / 32 * 4;
                const std::uint64_t maskStride = (w + 31) / 32 * 4;
                const std::uint64_t masks
                    = compression == dib::kBitfields && *headerSize == dib::kInfoHeaderSize ? 12 : 0;
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
        auto bytes = r.bytesClamped(group.offset,
            std::min<std::uint64_t>(group.size, groupIcon::kEntries + groupIcon::kEntrySize * kMaxGroupEntries));
        if (!bytes)
            return out;
        ByteView v(*bytes);
        auto count = v.u16(groupIcon::kCount);
        if (!count)
            return out;
        for (std::size_t i = 0; i < *count && i < kMaxIconImages; ++i) {
            const std::uint64_t entry = groupIcon::kEntries + i * groupIcon::kEntrySize;
            if (!v.fits(entry, groupIcon::kEntrySize))
                break;
            out.push_back(GroupEntry { *v.u16(entry + groupIcon::kBitCount), *v.u16(entry + groupIcon::kId) });
        }
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

    std::optional<std::string> peIcon(ByteReader& r, const ImageLayout& img)
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
            for (const PeDirEntry& icon : *icons)
                if (!icon.named && icon.id == e.id)
                    return res.language(icon, iconPath, group->language);
            return std::nullopt;
        });
    }

    std::optional<std::string> neIcon(ByteReader& r, const ImageLayout& img)
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

} // namespace

std::optional<std::string> iconIco(ByteReader& r, const ImageLayout& img)
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

} // namespace quarex
