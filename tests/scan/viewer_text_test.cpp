#include "scan/viewer_text.h"

#include "text/text.h"
#include "support/memory_file_system.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace quarex;
using quarex::test::MemoryFileSystem;

namespace {

std::string textOf(const std::string& bytes)
{
    MemoryFileSystem fs;
    fs.addFile("/cd/f.txt", bytes);
    auto text = readViewerText(fs, "/cd/f.txt");
    EXPECT_TRUE(text);
    return text.value_or("<unreadable>");
}

// A file whose reads stop short after `good` bytes, as a scratched disc does.
class ShortReadFileSystem final : public FileSystem {
public:
    ShortReadFileSystem(std::string bytes, std::size_t good)
        : m_bytes(std::move(bytes))
        , m_good(good)
    {
    }
    std::unique_ptr<DirectoryHandle> openDirectory(const std::string&) override { return nullptr; }
    std::optional<FileFacts> stat(const std::string&) override { return FileFacts { m_bytes.size() }; }
    std::unique_ptr<ReadableFile> open(const std::string&) override { return std::make_unique<File>(*this); }

private:
    struct File final : ReadableFile {
        explicit File(ShortReadFileSystem& o)
            : owner(o)
        {
        }
        std::uint64_t size() const override { return owner.m_bytes.size(); }
        std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t length) override
        {
            if (offset >= owner.m_good)
                return 0;
            std::size_t n = std::min<std::size_t>(length, owner.m_good - offset);
            std::memcpy(buffer, owner.m_bytes.data() + offset, n);
            return n;
        }
        ShortReadFileSystem& owner;
    };
    std::string m_bytes;
    std::size_t m_good;
};

} // namespace

TEST(ViewerText, KindsByExtensionWithoutRegardToCase)
{
    EXPECT_EQ(viewerKindOf("file_id.diz"), ViewerKind::Text);
    EXPECT_EQ(viewerKindOf("README.TXT"), ViewerKind::Text);
    EXPECT_EQ(viewerKindOf("/cd/Lisez.Txt"), ViewerKind::Text);
    EXPECT_EQ(viewerKindOf("AIDE.HLP"), ViewerKind::Help);
    EXPECT_EQ(viewerKindOf("prog.ico"), ViewerKind::Icon);
    EXPECT_EQ(viewerKindOf("guide.wri"), ViewerKind::Document);
    EXPECT_EQ(viewerKindOf("TOOLS.ZIP"), ViewerKind::Document);
    EXPECT_EQ(viewerKindOf("txt"), ViewerKind::Document);
    EXPECT_EQ(viewerKindOf("/cd/notes.txt/readme"), ViewerKind::Document);
}

TEST(ViewerText, LineEndsAndTheLastLine)
{
    // The last line reads the same with or without its line end.
    EXPECT_EQ(textOf("un\r\ndeux\r\ntrois"), "un\ndeux\ntrois");
    EXPECT_EQ(textOf("un\r\ndeux\r\ntrois\r\n"), "un\ndeux\ntrois");
    // Unix and old Macintosh line ends are line ends too; empty lines stay.
    EXPECT_EQ(textOf("a\nb\rc\r\n\r\nd\n\n"), "a\nb\nc\n\nd\n");
    EXPECT_EQ(textOf("\r\n"), "");
    EXPECT_EQ(textOf("\r\n\r\nx"), "\n\nx");
    EXPECT_EQ(textOf(""), "");
    // The DOS end-of-file mark closing a file is not shown; elsewhere it stays.
    EXPECT_EQ(textOf("fin\r\n\x1A"), "fin");
    EXPECT_EQ(textOf("a\x1A"
                     "b"),
        "a\x1A"
        "b");
}

TEST(ViewerText, Utf8WhenTheWholeFileIsValidElseWindows1252)
{
    EXPECT_EQ(textOf("Caf\xC3\xA9 \xE2\x80\x94 ok"), "Café — ok");
    EXPECT_EQ(textOf("\xEF\xBB\xBFpremi\xC3\xA8re"), "première");
    EXPECT_EQ(textOf("Caf\xE9 \x80 \x96 \x93"), "Café € – “");
    // One bad byte far down makes the whole file Windows-1252, its first lines included.
    std::string mixed = "Caf\xC3\xA9\r\n" + std::string(3 * 1024 * 1024, 'x') + "\r\n\xE9t\xE9";
    std::string text = textOf(mixed);
    EXPECT_EQ(text.substr(0, 8), "CafÃ©\n");
    EXPECT_EQ(text.substr(text.size() - std::strlen("\nété")), "\nété");
}

TEST(ViewerText, BatchesAcrossReadChunks)
{
    // Lines of varying lengths so that CR LF pairs and UTF-8 sequences fall across the 1 MB read chunks.
    std::string bytes;
    std::vector<std::string> lines;
    for (int i = 0; bytes.size() < 3 * 1024 * 1024 + 17; ++i) {
        std::string line = "ligne " + std::to_string(i) + " " + std::string(static_cast<std::size_t>(i % 97), 'e')
            + "\xC3\xA9";
        lines.push_back(line);
        bytes += line + "\r\n";
    }
    MemoryFileSystem fs;
    fs.addFile("/cd/big.txt", bytes);
    auto reader = TextLineReader::open(fs, "/cd/big.txt");
    ASSERT_TRUE(reader);
    EXPECT_TRUE(reader->isUtf8());
    std::vector<std::string> got;
    std::string batch;
    std::size_t batches = 0;
    while (std::size_t n = reader->readLines(300, batch)) {
        EXPECT_LE(n, 300u);
        ++batches;
        std::size_t start = 0;
        for (std::size_t k = 0; k < n; ++k) {
            std::size_t end = batch.find('\n', start);
            got.push_back(batch.substr(start, end == std::string::npos ? std::string::npos : end - start));
            start = end + 1;
        }
        batch.clear();
    }
    EXPECT_EQ(batches, (lines.size() + 299) / 300);
    ASSERT_EQ(got.size(), lines.size());
    EXPECT_EQ(got, lines);
    EXPECT_FALSE(reader->failed());

    // A CR LF cut between two chunks is still one line end.
    std::string cut(1024 * 1024 - 1, 'a');
    cut += "\r\nb";
    EXPECT_EQ(textOf(cut), std::string(1024 * 1024 - 1, 'a') + "\nb");
}

TEST(ViewerText, FailuresAndMessages)
{
    MemoryFileSystem fs;
    EXPECT_FALSE(TextLineReader::open(fs, "/cd/absent.txt"));
    EXPECT_FALSE(readViewerText(fs, "/cd/absent.txt"));

    ShortReadFileSystem scratched("ligne un\r\nligne deux\r\nligne trois\r\n", 14);
    auto reader = TextLineReader::open(scratched, "/cd/x.txt");
    ASSERT_TRUE(reader);
    std::string text;
    reader->readLines(100, text);
    EXPECT_TRUE(reader->failed());
    EXPECT_EQ(text, "ligne un\nlign"); // 14 bytes: the first line and four letters

    EXPECT_EQ(sMessageFichierVide("/cd/VIDE.TXT", 0),
        "/cd/VIDE.TXT : Affichage annulé du fichier\r\ncar la taille du fichier est de 0 Octets");
    EXPECT_EQ(sMessageChargement("/cd/a.txt", 1234), "/cd/a.txt : Patientez, chargement du fichier - 1234 Octets");
}
