// Bounds-checked access to untrusted bytes: a file read through a few cached windows, or bytes already in
// memory. Every offset and length is checked in 64-bit arithmetic against the real size before any read.
#pragma once

#include "fs/file_system.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quarex {

// True when [offset, offset + length) lies inside a range of `size` bytes (no overflow possible).
constexpr bool rangeFits(std::uint64_t offset, std::uint64_t length, std::uint64_t size)
{
    return offset <= size && length <= size - offset;
}

// A ReadableFile over bytes held in memory (the caller keeps them alive).
class MemoryFile final : public ReadableFile {
public:
    explicit MemoryFile(std::string_view bytes)
        : m_bytes(bytes)
    {
    }
    std::uint64_t size() const override { return m_bytes.size(); }
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t length) override
    {
        if (offset >= m_bytes.size())
            return 0;
        std::size_t n = std::min<std::uint64_t>(length, m_bytes.size() - offset);
        std::memcpy(buffer, m_bytes.data() + offset, n);
        return n;
    }

private:
    std::string_view m_bytes;
};

// Little-endian reads from bytes already in memory, each checked against the view's size.
class ByteView {
public:
    ByteView() = default;
    ByteView(std::string_view bytes)
        : m_bytes(bytes)
    {
    }

    std::size_t size() const { return m_bytes.size(); }
    std::string_view data() const { return m_bytes; }
    // True when [offset, offset + length) lies inside the view.
    bool fits(std::uint64_t offset, std::uint64_t length) const { return rangeFits(offset, length, m_bytes.size()); }

    // One byte, or nothing past the end.
    std::optional<std::uint8_t> u8(std::uint64_t offset) const
    {
        if (!fits(offset, 1))
            return std::nullopt;
        return static_cast<std::uint8_t>(m_bytes[offset]);
    }
    // A little-endian WORD, or nothing past the end.
    std::optional<std::uint16_t> u16(std::uint64_t offset) const
    {
        if (!fits(offset, 2))
            return std::nullopt;
        return static_cast<std::uint16_t>(byteAt(offset) | byteAt(offset + 1) << 8);
    }
    // A little-endian DWORD, or nothing past the end.
    std::optional<std::uint32_t> u32(std::uint64_t offset) const
    {
        if (!fits(offset, 4))
            return std::nullopt;
        return static_cast<std::uint32_t>(byteAt(offset)) | static_cast<std::uint32_t>(byteAt(offset + 1)) << 8
            | static_cast<std::uint32_t>(byteAt(offset + 2)) << 16
            | static_cast<std::uint32_t>(byteAt(offset + 3)) << 24;
    }
    // A big-endian DWORD (PNG headers), or nothing past the end.
    std::optional<std::uint32_t> u32be(std::uint64_t offset) const
    {
        if (!fits(offset, 4))
            return std::nullopt;
        return static_cast<std::uint32_t>(byteAt(offset)) << 24 | static_cast<std::uint32_t>(byteAt(offset + 1)) << 16
            | static_cast<std::uint32_t>(byteAt(offset + 2)) << 8 | static_cast<std::uint32_t>(byteAt(offset + 3));
    }
    // `length` bytes at `offset`, or nothing when the range leaves the view.
    std::optional<std::string_view> bytes(std::uint64_t offset, std::uint64_t length) const
    {
        if (!fits(offset, length))
            return std::nullopt;
        return m_bytes.substr(offset, length);
    }
    // The part of the view from `offset`, at most `length` bytes (empty past the end).
    ByteView clamped(std::uint64_t offset, std::uint64_t length) const
    {
        if (offset >= m_bytes.size())
            return {};
        return ByteView(m_bytes.substr(offset, std::min<std::uint64_t>(length, m_bytes.size() - offset)));
    }

private:
    std::uint32_t byteAt(std::uint64_t i) const { return static_cast<unsigned char>(m_bytes[i]); }
    std::string_view m_bytes;
};

// Reads a file at any offset through a few cached 4 KiB windows, so that the many small reads of a header walk
// cost a handful of system reads; a range known to be needed whole can be read at once (preload), and bytes
// already in memory are read without any file. Never reads outside [0, size) of the file as it was opened.
class ByteReader {
public:
    explicit ByteReader(ReadableFile& file)
        : m_file(&file)
        , m_size(file.size())
    {
    }
    // Reads bytes already in memory (the caller keeps them alive): no file read at all.
    explicit ByteReader(std::string_view bytes)
        : m_size(bytes.size())
        , m_loaded(bytes)
    {
    }
    ByteReader(const ByteReader&) = delete;
    ByteReader& operator=(const ByteReader&) = delete;

    // The file's size in bytes.
    std::uint64_t size() const { return m_size; }
    // True when [offset, offset + length) lies inside the file.
    bool fits(std::uint64_t offset, std::uint64_t length) const { return rangeFits(offset, length, m_size); }

    // Copies exactly `length` bytes at `offset`; false when the range leaves the file or the file comes short.
    bool read(std::uint64_t offset, void* out, std::size_t length)
    {
        if (!fits(offset, length))
            return false;
        if (length == 0)
            return true;
        if (offset >= m_loadedStart && rangeFits(offset - m_loadedStart, length, m_loaded.size())) {
            std::memcpy(out, m_loaded.data() + (offset - m_loadedStart), length);
            return true;
        }
        if (!m_file)
            return false;
        if (length > kLargestCachedRead)
            return direct(offset, out, length);
        const Window* w = window(offset, length);
        if (!w)
            return false;
        std::memcpy(out, w->data.get() + (offset - w->start), length);
        return true;
    }

    // One byte, a little-endian WORD or DWORD; nothing when out of the file.
    std::optional<std::uint8_t> u8(std::uint64_t offset)
    {
        unsigned char b[1];
        if (!read(offset, b, 1))
            return std::nullopt;
        return b[0];
    }
    std::optional<std::uint16_t> u16(std::uint64_t offset)
    {
        unsigned char b[2];
        if (!read(offset, b, 2))
            return std::nullopt;
        return static_cast<std::uint16_t>(b[0] | b[1] << 8);
    }
    std::optional<std::uint32_t> u32(std::uint64_t offset)
    {
        unsigned char b[4];
        if (!read(offset, b, 4))
            return std::nullopt;
        return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8
            | static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    }

    // Exactly `length` bytes at `offset` (the caller caps `length`); nothing when the range leaves the file.
    std::optional<std::string> bytes(std::uint64_t offset, std::uint64_t length)
    {
        if (!fits(offset, length))
            return std::nullopt;
        std::string out(static_cast<std::size_t>(length), '\0');
        if (!read(offset, out.data(), out.size()))
            return std::nullopt;
        return out;
    }

    // Up to `length` bytes at `offset`, cut at the end of the file; nothing when `offset` is past the end.
    std::optional<std::string> bytesClamped(std::uint64_t offset, std::uint64_t length)
    {
        if (offset > m_size)
            return std::nullopt;
        return bytes(offset, std::min(length, m_size - offset));
    }

    // How many times the file itself was read (the cache keeps this small).
    std::size_t fileReads() const { return m_fileReads; }

    // Reads up to `length` bytes at `offset` in one read and serves every later read inside them from memory
    // (replacing what an earlier call loaded); false when nothing could be read there.
    bool preload(std::uint64_t offset, std::uint64_t length)
    {
        if (!m_file || offset >= m_size)
            return false;
        const std::size_t want = static_cast<std::size_t>(std::min(length, m_size - offset));
        m_preloaded.reset(new char[want]);
        ++m_fileReads;
        const std::size_t got = m_file->readAt(offset, m_preloaded.get(), want);
        m_loaded = std::string_view(m_preloaded.get(), got);
        m_loadedStart = offset;
        return got > 0;
    }
    // Where the bytes held in memory start, and how many there are.
    std::uint64_t loadedStart() const { return m_loadedStart; }
    std::size_t loadedLength() const { return m_loaded.size(); }

private:
    static constexpr std::size_t kWindowSize = 4096;
    static constexpr std::size_t kWindowAlign = 512;
    static constexpr std::size_t kLargestCachedRead = kWindowSize - kWindowAlign;
    static constexpr std::size_t kWindows = 3;

    struct Window {
        std::uint64_t start = 0;
        std::size_t length = 0;
        std::unique_ptr<char[]> data;
    };

    bool direct(std::uint64_t offset, void* out, std::size_t length)
    {
        ++m_fileReads;
        return m_file->readAt(offset, out, length) == length;
    }

    // A cached window holding [offset, offset + length), reading one when none does.
    const Window* window(std::uint64_t offset, std::size_t length)
    {
        for (const Window& w : m_windows)
            if (w.data && offset >= w.start && offset - w.start + length <= w.length)
                return &w;
        Window& w = m_windows[m_next];
        m_next = (m_next + 1) % kWindows;
        if (!w.data)
            w.data.reset(new char[kWindowSize]); // left uninitialised: only bytes read are ever used
        // Aligning the start down by less than 512 bytes keeps the whole request inside the window.
        w.start = offset - offset % kWindowAlign;
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kWindowSize, m_size - w.start));
        ++m_fileReads;
        w.length = m_file->readAt(w.start, w.data.get(), want);
        if (offset - w.start + length > w.length)
            return nullptr;
        return &w;
    }

    ReadableFile* m_file = nullptr; // none when every byte is in memory
    std::uint64_t m_size;
    // Bytes held whole: the caller's buffer, or a range read by preload.
    std::string_view m_loaded;
    std::uint64_t m_loadedStart = 0;
    std::unique_ptr<char[]> m_preloaded;
    std::array<Window, kWindows> m_windows;
    std::size_t m_next = 0;
    std::size_t m_fileReads = 0;
};

} // namespace quarex
