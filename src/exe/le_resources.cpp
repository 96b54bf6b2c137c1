#include "exe/le_resources.h"

#include "exe/pe_resources.h"

#include <algorithm>

namespace quarex {

namespace {

    // A 16-bit .RES header: type id, name id, WORD flags, DWORD size, then the resource's bytes.
    namespace resHeader {
        constexpr std::uint8_t kNumericId = 0xFF; // followed by a WORD; else a NUL-terminated name
        constexpr std::uint64_t kMaxNameLength = 256;
        constexpr std::uint64_t kSize = 2; // after the two ids
        constexpr std::uint64_t kData = 6; // after the two ids
    } // namespace resHeader

    // Skips one id of a 16-bit .RES header: FF + WORD, or a NUL-terminated name.
    std::optional<std::uint64_t> skipResId(ByteReader& r, std::uint64_t pos, std::uint64_t end, std::uint16_t* id)
    {
        auto first = r.u8(pos);
        if (!first)
            return std::nullopt;
        if (*first == resHeader::kNumericId) {
            auto value = r.u16(pos + 1);
            if (!value)
                return std::nullopt;
            *id = *value;
            return pos + 3;
        }
        *id = 0;
        for (std::uint64_t p = pos; p < end && p - pos < resHeader::kMaxNameLength; ++p) {
            auto c = r.u8(p);
            if (!c)
                return std::nullopt;
            if (*c == 0)
                return p + 1;
        }
        return std::nullopt;
    }

} // namespace

std::optional<ResourceRef> leVersionRef(ByteReader& r, const ImageLayout& img)
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
    auto size = r.u32(*pos + resHeader::kSize);
    const std::uint64_t start = *pos + resHeader::kData;
    if (!size || start >= end)
        return std::nullopt;
    return ResourceRef { start, std::min<std::uint64_t>(*size, end - start), 0 };
}

} // namespace quarex
