#include "exe/ne_resources.h"

#include <algorithm>

namespace quarex {

namespace {

    // The resource table: an alignment shift, then per type a type record followed by its resource records,
    // ended by a type of 0.
    namespace neTable {
        constexpr std::uint64_t kAlignShift = 0;
        constexpr std::uint64_t kFirstType = 2;
        constexpr std::uint16_t kMaxShift = 24;
        // Type record.
        constexpr std::uint64_t kTypeId = 0;
        constexpr std::uint64_t kTypeCount = 2;
        constexpr std::uint64_t kTypeSize = 8;
        // Resource record.
        constexpr std::uint64_t kOffset = 0;
        constexpr std::uint64_t kLength = 2;
        constexpr std::uint64_t kId = 6;
        constexpr std::uint64_t kResourceSize = 12;
    } // namespace neTable

    constexpr std::uint16_t kFirstVersionId = 0x8001;

} // namespace

std::vector<NeResource> neResources(ByteReader& r, const ImageLayout& img)
{
    using namespace neTable;
    std::vector<NeResource> out;
    if (img.neResourceStart == 0 || img.neResourceEnd <= img.neResourceStart)
        return out;
    auto table = r.bytesClamped(img.neResourceStart, img.neResourceEnd - img.neResourceStart);
    if (!table)
        return out;
    const ByteView v(*table);
    auto shift = v.u16(kAlignShift);
    if (!shift || *shift > kMaxShift)
        return out;
    std::uint64_t pos = kFirstType;
    while (out.size() < kMaxResourceEntries) {
        auto type = v.u16(pos + kTypeId);
        auto count = v.u16(pos + kTypeCount);
        if (!type || *type == 0 || !count)
            break;
        pos += kTypeSize;
        for (std::uint32_t i = 0; i < *count; ++i, pos += kResourceSize) {
            if (!v.fits(pos, kResourceSize) || out.size() >= kMaxResourceEntries)
                return out;
            out.push_back(NeResource { *type, *v.u16(pos + kId), std::uint64_t(*v.u16(pos + kOffset)) << *shift,
                std::uint64_t(*v.u16(pos + kLength)) << *shift });
        }
    }
    return out;
}

std::optional<ResourceRef> neRef(const ByteReader& r, const NeResource& res)
{
    if (res.offset >= r.size() || res.length == 0)
        return std::nullopt;
    return ResourceRef { res.offset, std::min<std::uint64_t>(res.length, r.size() - res.offset), 0 };
}

std::optional<ResourceRef> neVersionRef(ByteReader& r, const std::vector<NeResource>& all)
{
    const NeResource* chosen = nullptr;
    for (const NeResource& res : all) {
        if (res.type != kNeTypeVersion)
            continue;
        if (!chosen || res.id == kFirstVersionId) {
            chosen = &res;
            if (res.id == kFirstVersionId)
                break;
        }
    }
    if (!chosen)
        return std::nullopt;
    return neRef(r, *chosen);
}

} // namespace quarex
