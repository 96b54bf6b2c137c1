#include "fs/byte_reader.h"

#include <gtest/gtest.h>

#include <string>

using namespace quarex;

namespace {

// A file in memory that counts its reads and may claim more bytes than it holds.
class CountedFile final : public ReadableFile {
public:
    explicit CountedFile(std::string bytes, std::uint64_t claimedSize = 0)
        : m_bytes(std::move(bytes))
        , m_size(claimedSize ? claimedSize : m_bytes.size())
    {
    }
    std::uint64_t size() const override { return m_size; }
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t length) override
    {
        ++reads;
        return MemoryFile(m_bytes).readAt(offset, buffer, length);
    }
    std::size_t reads = 0;

private:
    std::string m_bytes;
    std::uint64_t m_size;
};

// 20,000 bytes whose value tells their offset.
std::string numbered()
{
    std::string bytes(20000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    return bytes;
}

} // namespace

TEST(ByteReaderLoad, PreloadedRangeServesItsReadsAndReadsAcrossItsEdgesStayExact)
{
    const std::string bytes = numbered();
    CountedFile file(bytes);
    ByteReader reader(file);
    ASSERT_TRUE(reader.preload(8000, 6000));
    EXPECT_EQ(file.reads, 1u);
    EXPECT_EQ(reader.bytes(8000, 6000), bytes.substr(8000, 6000));
    EXPECT_EQ(reader.u32(13996), ByteView(bytes).u32(13996));
    EXPECT_EQ(file.reads, 1u) << "inside the preloaded range, nothing more is read";

    // Reads that start inside and end outside, or start just before it, come from the file, whole.
    EXPECT_EQ(reader.u32(13998), ByteView(bytes).u32(13998));
    EXPECT_EQ(reader.bytes(7990, 20), bytes.substr(7990, 20));
    EXPECT_EQ(reader.bytes(13000, 5000), bytes.substr(13000, 5000));
    EXPECT_GT(file.reads, 1u);

    // A preload cut at the end of the file; one past the end reads nothing.
    EXPECT_TRUE(reader.preload(19000, 5000));
    EXPECT_EQ(reader.loadedLength(), 1000u);
    EXPECT_EQ(reader.bytesClamped(19500, 5000), bytes.substr(19500));
    EXPECT_FALSE(reader.preload(20000, 10));
}

TEST(ByteReaderLoad, FileShorterThanItsSizeAndBytesInMemory)
{
    // The file claims 30,000 bytes and gives 20,000: the preload keeps what came, later reads fail cleanly.
    const std::string bytes = numbered();
    CountedFile file(bytes, 30000);
    ByteReader reader(file);
    ASSERT_TRUE(reader.preload(0, 30000));
    EXPECT_EQ(reader.loadedLength(), 20000u);
    EXPECT_EQ(reader.u16(19998), ByteView(bytes).u16(19998));
    EXPECT_FALSE(reader.u32(19998));
    EXPECT_FALSE(reader.bytes(25000, 10));

    // Bytes in memory: every read is checked against them, and no file is ever involved.
    ByteReader memory { std::string_view(bytes) };
    EXPECT_EQ(memory.size(), bytes.size());
    EXPECT_EQ(memory.bytes(100, 9000), bytes.substr(100, 9000));
    EXPECT_FALSE(memory.u32(19997));
    EXPECT_FALSE(memory.bytes(~std::uint64_t(0) - 2, 4));
    EXPECT_FALSE(memory.preload(0, 10));
    EXPECT_EQ(memory.fileReads(), 0u);
}
