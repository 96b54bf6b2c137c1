#include "exe/version_block.h"

#include <algorithm>

namespace quarex {

namespace {

    // A node of the block: WORD wLength, WORD wValueLength, then (32-bit layout only) WORD wType and the key.
    namespace versionNode {
        constexpr std::uint64_t kLength = 0;
        constexpr std::uint64_t kValueLength = 2;
        constexpr std::uint64_t kWideKey = 6;
        constexpr std::uint64_t kHeaderSize = 6;
        // 32-bit blocks have the WORD wType (0 or 1) here; 16-bit ones the first key character.
        constexpr std::uint64_t kTypeOrKey = 4;
    } // namespace versionNode

    std::uint64_t align4(std::uint64_t v) { return (v + 3) & ~std::uint64_t(3); }

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
            auto length = m_in.u16(pos + versionNode::kLength);
            auto valueLength = m_in.u16(pos + versionNode::kValueLength);
            // A length of 0 or below the header would never advance: it ends the loop.
            if (!length || !valueLength || *length < versionNode::kHeaderSize)
                return { limit, true };
            std::uint64_t end = pos + *length;
            bool overrun = end > limit;
            if (overrun)
                end = limit;

            pad();
            const std::size_t outStart = m_out.size();
            m_out.append(4, '\0');
            const std::uint64_t valueStart = align4(appendUtf16(pos + versionNode::kWideKey, end));
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
                while (child + versionNode::kHeaderSize <= end) {
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

} // namespace

std::optional<RawVersionBlock> versionBlockAt(ByteReader& r, const ResourceRef& ref)
{
    auto bytes = r.bytesClamped(ref.offset, std::min<std::uint64_t>(ref.size, kMaxVersionBlock));
    if (!bytes || bytes->size() < versionNode::kHeaderSize)
        return std::nullopt;
    const ByteView v(*bytes);
    const std::uint16_t length = *v.u16(versionNode::kLength);
    if (length < versionNode::kHeaderSize)
        return std::nullopt;
    if (length < bytes->size())
        bytes->resize(length);
    RawVersionBlock block;
    const std::uint8_t fifth = *v.u8(versionNode::kTypeOrKey);
    block.wide = fifth == 0 || fifth == 1;
    block.bytes = std::move(*bytes);
    return block;
}

std::string singleByteVersionBlock(std::string_view wideBlock) { return VersionConverter(wideBlock).run(); }

SearchableVersionBlock searchableVersionBlock(RawVersionBlock raw)
{
    if (raw.wide)
        return SearchableVersionBlock { singleByteVersionBlock(raw.bytes), false };
    return SearchableVersionBlock { std::move(raw.bytes), true };
}

} // namespace quarex
