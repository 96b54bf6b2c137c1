// Images read in place: sector layouts, cue sheets, ISO 9660 names and dates, FAT floppies and their damage.
#include "fs/byte_reader.h"
#include "fs/cd_sectors.h"
#include "fs/disc_images.h"
#include "fs/fat_image.h"
#include "fs/iso_image.h"

#include "fs/disc_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/time.h>

using namespace quarex;
using namespace quarex::test;

namespace {

#define REQUIRE_TOOL(name)                                                                                             \
    if (!haveTool(name))                                                                                               \
    GTEST_SKIP() << name << " absent"

std::string randomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string out(n, '\0');
    for (char& c : out)
        c = static_cast<char>(gen() & 0xFF);
    return out;
}

void setTime(const std::string& path, std::time_t when)
{
    struct timeval tv[2] = { { when, 0 }, { when, 0 } };
    ::utimes(path.c_str(), tv);
}

std::vector<std::string> namesIn(FileSystem& fs, const std::string& path)
{
    std::vector<std::string> out;
    if (auto dir = fs.openDirectory(path))
        for (const DirEntry& e : dir->entries())
            out.push_back(e.name);
    std::sort(out.begin(), out.end());
    return out;
}

std::string readAll(FileSystem& fs, const std::string& path)
{
    auto file = fs.open(path);
    return file ? readFileBytes(*file).value_or("") : "<absent>";
}

void overwrite(const std::string& path, std::uint64_t offset, std::string_view bytes)
{
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Runs a test in a time zone with summer time, so that dates kept in local time are checked for it.
class ZoneWithSummerTime {
public:
    ZoneWithSummerTime()
    {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (old)
            m_old = old;
        ::setenv("TZ", "Europe/Paris", 1);
        ::tzset();
    }
    ~ZoneWithSummerTime()
    {
        if (m_had)
            ::setenv("TZ", m_old.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    bool m_had = false;
    std::string m_old;
};

bool anyProblemContains(const ImageAwareFileSystem& fs, const std::string& part)
{
    for (const std::string& m : fs.problems()->messages())
        if (m.find(part) != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(CdSectors, FindsWhereTheDataOfEachSectorLayoutLies)
{
    REQUIRE_TOOL("genisoimage");
    TempDir tmp;
    tmp.write("tree/A.TXT", "a");
    std::string iso = tmp.str() + "/a.iso";
    ASSERT_TRUE(makeIso(tmp.str() + "/tree", iso, ""));
    struct Case {
        RawMode mode;
        std::uint32_t size, offset;
    };
    for (Case c : { Case { RawMode::Mode1, 2352, 16 }, Case { RawMode::Mode2Form1, 2352, 24 },
             Case { RawMode::Mode1WithSubchannel, 2448, 16 } }) {
        std::string raw = tmp.str() + "/a.bin";
        wrapSectors(iso, raw, c.mode);
        auto file = nativeFileSystem().open(raw);
        auto layout = sniffCdLayout(*file);
        ASSERT_TRUE(layout) << c.size;
        EXPECT_EQ(layout->sectorSize, c.size);
        EXPECT_EQ(layout->dataOffset, c.offset);
        EXPECT_EQ(layout->start, 0u);
    }
    std::string bytes = readFile(iso);
    MemoryFile plain(bytes);
    auto layout = sniffCdLayout(plain);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->sectorSize, 2048u);
    EXPECT_EQ(layout->mode, "MODE1/2048");
    // A whole-disc image that kept the 150-sector pregap.
    std::string withPregap = std::string(150 * 2048, '\0') + bytes;
    MemoryFile pregap(withPregap);
    layout = sniffCdLayout(pregap);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->start, 150u * 2048);
    // Not images: noise, an image cut before its descriptor, nothing at all.
    std::string noise = randomBytes(200000, 7);
    MemoryFile noiseFile(noise);
    EXPECT_FALSE(sniffCdLayout(noiseFile));
    std::string cut = bytes.substr(0, 16 * 2048 + 3);
    MemoryFile cutFile(cut);
    EXPECT_FALSE(sniffCdLayout(cutFile));
    MemoryFile empty("");
    EXPECT_FALSE(sniffCdLayout(empty));
}

TEST(CdSectors, CueSheetFilesTracksAndStarts)
{
    auto sheet = parseCueSheet("REM made by hand\r\nFILE \"Mon Jeu (CD).bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n"
                               "    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    INDEX 00 09:58:00\r\n"
                               "    INDEX 01 10:00:05\r\nFILE piste3.wav WAVE\n TRACK 3 audio\n INDEX 01 0:0:0\n");
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->files, (std::vector<std::string> { "Mon Jeu (CD).bin", "piste3.wav" }));
    ASSERT_EQ(sheet->tracks.size(), 3u);
    EXPECT_EQ(sheet->tracks[0].mode, "MODE2/2352");
    EXPECT_EQ(sheet->tracks[0].file, "Mon Jeu (CD).bin");
    EXPECT_EQ(sheet->tracks[1].number, 2);
    EXPECT_EQ(sheet->tracks[1].startSector, 10u * 60 * 75 + 5); // INDEX 01, not INDEX 00
    EXPECT_EQ(sheet->tracks[2].file, "piste3.wav");
    EXPECT_EQ(sheet->tracks[2].mode, "AUDIO");

    EXPECT_FALSE(parseCueSheet("TRACK 01 MODE1/2352\n")); // no FILE
    EXPECT_FALSE(parseCueSheet("FILE \"x.bin\" BINARY\n")); // no TRACK
    EXPECT_FALSE(parseCueSheet(randomBytes(4000, 3)));
    // A cdrdao table of contents: modes in its own words, comments, a data file named under each track.
    auto toc = parseTocSheet("CD_ROM_XA\n// piste de données\nTRACK MODE2_RAW\nDATAFILE \"jeu.bin\" 10:00:00\n"
                             "TRACK AUDIO\nFILE \"jeu.bin\" 10:00:00 02:00:00\nTRACK MODE1\n");
    ASSERT_TRUE(toc);
    EXPECT_EQ(toc->files, (std::vector<std::string> { "jeu.bin" }));
    ASSERT_EQ(toc->tracks.size(), 2u); // the last track names no file
    EXPECT_EQ(toc->tracks[0].mode, "MODE2/2352");
    EXPECT_EQ(toc->tracks[0].file, "jeu.bin");
    EXPECT_EQ(toc->tracks[1].mode, "AUDIO");
    EXPECT_FALSE(parseTocSheet("CD_ROM\nTRACK MODE1\n"));
    EXPECT_EQ(sectorSizeOfMode("MODE1/2352"), 2352u);
    EXPECT_EQ(sectorSizeOfMode("MODE1/2048"), 2048u);
    EXPECT_EQ(sectorSizeOfMode("MODE1/999"), 0u);
    EXPECT_EQ(sectorSizeOfMode("AUDIO"), 2352u);
}

TEST(IsoImage, NamesFromJolietThenRockRidgeThenPrimaryRecords)
{
    REQUIRE_TOOL("genisoimage");
    TempDir tmp;
    tmp.write("tree/Jeux de Dames/Lisez-moi du jeu.txt", "lisez");
    tmp.write("tree/README", "r");
    tmp.write("tree/SETUP.EXE", "s");
    std::string tree = tmp.str() + "/tree";
    struct Case {
        std::string options;
        std::vector<std::string> root;
    };
    for (const Case& c : { Case { "-J", { "Jeux de Dames", "README", "SETUP.EXE" } },
             Case { "-R", { "Jeux de Dames", "README", "SETUP.EXE" } },
             Case { "-J -R", { "Jeux de Dames", "README", "SETUP.EXE" } },
             Case { "", { "JEUX_DE_", "README", "SETUP.EXE" } } }) {
        std::string iso = tmp.str() + "/n.iso";
        ASSERT_TRUE(makeIso(tree, iso, c.options));
        ImageAwareFileSystem fs(nativeFileSystem(), false);
        EXPECT_EQ(namesIn(fs, iso), c.root) << c.options;
        std::string folder = iso + "/" + c.root[0];
        auto inner = namesIn(fs, folder);
        ASSERT_EQ(inner.size(), 1u) << c.options;
        EXPECT_EQ(readAll(fs, folder + "/" + inner[0]), "lisez") << c.options;
        if (c.options.empty())
            EXPECT_EQ(inner[0].find(';'), std::string::npos);
        else
            EXPECT_EQ(inner[0], "Lisez-moi du jeu.txt");
    }
    EXPECT_EQ(isoPrimaryName("README.;1"), "README");
    EXPECT_EQ(isoPrimaryName("SETUP.EXE;1"), "SETUP.EXE");
}

TEST(IsoImage, DatesSizesAndContentsMatchTheTree)
{
    REQUIRE_TOOL("genisoimage");
    ZoneWithSummerTime zone;
    TempDir tmp;
    std::string big = randomBytes(300000, 11);
    std::string winter = tmp.write("tree/HIVER.TXT", "hiver");
    std::string summer = tmp.write("tree/D/ETE.BIN", big);
    setTime(winter, 662774400); // 1991-01-01 00:00 UTC
    setTime(summer, 805800000); // 1995-07-17, summer time in many zones
    std::string iso = tmp.str() + "/d.iso";
    ASSERT_TRUE(makeIso(tmp.str() + "/tree", iso, "-J"));
    ImageAwareFileSystem fs(nativeFileSystem(), false);
    auto facts = fs.stat(iso + "/HIVER.TXT");
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->modified, 662774400);
    EXPECT_EQ(facts->size, 5u);
    facts = fs.stat(iso + "/D/ETE.BIN");
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->modified, 805800000);
    EXPECT_TRUE(facts->isRegular);
    EXPECT_TRUE(fs.stat(iso + "/D")->isDirectory);
    EXPECT_TRUE(fs.stat(iso)->isDirectory);

    // Reads at odd offsets across sector boundaries, and one past the end.
    auto file = fs.open(iso + "/D/ETE.BIN");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), big.size());
    for (std::uint64_t offset : { 0ull, 2047ull, 4095ull, 123457ull, 299990ull }) {
        std::string got(20000, '\0');
        std::size_t n = file->readAt(offset, got.data(), got.size());
        got.resize(n);
        EXPECT_EQ(got, big.substr(offset, 20000)) << offset;
    }
    char c;
    EXPECT_EQ(file->readAt(big.size(), &c, 1), 0u);
    EXPECT_FALSE(fs.open(iso + "/D/ABSENT.TXT"));
}

TEST(IsoImage, BinCueOfRawSectorsReadsLikeTheIso)
{
    REQUIRE_TOOL("genisoimage");
    TempDir tmp;
    // 150 entries: the folder takes several sectors.
    for (int i = 0; i < 150; ++i)
        tmp.write("tree/MANY/PROG" + std::to_string(i) + ".EXE", "programme " + std::to_string(i));
    std::string iso = tmp.str() + "/m.iso";
    ASSERT_TRUE(makeIso(tmp.str() + "/tree", iso, "-J"));
    ImageAwareFileSystem isoFs(nativeFileSystem(), false);
    auto expected = namesIn(isoFs, iso + "/MANY");
    ASSERT_EQ(expected.size(), 150u);
    for (auto [mode, name] :
        { std::pair { RawMode::Mode1, "MODE1/2352" }, std::pair { RawMode::Mode2Form1, "MODE2/2352" } }) {
        wrapSectors(iso, tmp.str() + "/DISQUE.BIN", mode);
        // The sheet names the data file in another case, as sheets made on other systems do.
        std::string cue = tmp.write("disque.cue",
            std::string("FILE \"disque.bin\" BINARY\r\n  TRACK 01 ") + name + "\r\n    INDEX 01 00:00:00\r\n");
        ImageAwareFileSystem fs(nativeFileSystem(), false);
        EXPECT_EQ(namesIn(fs, cue + "/MANY"), expected) << name;
        EXPECT_EQ(readAll(fs, cue + "/MANY/PROG149.EXE"), "programme 149") << name;
        std::string error;
        auto info = readImageInfo(cue, error);
        ASSERT_TRUE(info) << error;
        EXPECT_EQ(info->format, "ISO 9660 (BIN/CUE)");
        EXPECT_EQ(info->sectorSize, 2352);
        ASSERT_EQ(info->tracks.size(), 1u);
        EXPECT_EQ(info->tracks[0].mode, name);
        std::string toc = tmp.write("disque.toc",
            std::string("CD_ROM\nTRACK ") + (mode == RawMode::Mode1 ? "MODE1_RAW" : "MODE2_RAW")
                + "\nDATAFILE \"DISQUE.BIN\"\n");
        EXPECT_EQ(namesIn(fs, toc + "/MANY"), expected) << name;
        // The same BIN without its sheet, found by its sync pattern.
        EXPECT_EQ(namesIn(fs, tmp.str() + "/DISQUE.BIN/MANY"), expected) << name;
    }
    // A sheet whose data file is missing, and sectors with subchannel data: refused, with a reason.
    std::string missing
        = tmp.write("absent.cue", "FILE \"nulle-part.bin\" BINARY\n TRACK 01 MODE1/2352\n INDEX 01 00:00:00\n");
    ImageAwareFileSystem fs(nativeFileSystem(), false);
    std::string error;
    EXPECT_FALSE(fs.opensAsImage(missing, error));
    EXPECT_NE(error.find("nulle-part.bin"), std::string::npos) << error;
    wrapSectors(iso, tmp.str() + "/sub.img", RawMode::Mode1WithSubchannel);
    EXPECT_FALSE(fs.opensAsImage(tmp.str() + "/sub.img", error));
    EXPECT_NE(error.find("2448"), std::string::npos) << error;
}

TEST(IsoImage, MultiExtentFileReadsAsOneFile)
{
    REQUIRE_TOOL("genisoimage");
    TempDir tmp;
    std::string first = randomBytes(6000, 1), second = randomBytes(3000, 2);
    tmp.write("tree/PART.BIN", first);
    tmp.write("tree/QART.BIN", second);
    std::string iso = tmp.str() + "/x.iso";
    ASSERT_TRUE(makeIso(tmp.str() + "/tree", iso, "-iso-level 3"));
    // Made by hand as a writer of large files makes them: the first record flagged "continues", the second under
    // the same name.
    std::string bytes = readFile(iso);
    std::uint32_t rootExtent = 0;
    std::memcpy(&rootExtent, bytes.data() + 16 * 2048 + 156 + 2, 4);
    std::size_t part = bytes.find("PART.BIN;1", std::size_t(rootExtent) * 2048);
    std::size_t qart = bytes.find("QART.BIN;1", std::size_t(rootExtent) * 2048);
    ASSERT_NE(part, std::string::npos);
    ASSERT_NE(qart, std::string::npos);
    // The first extent must be whole sectors: its size rounded down to 4096 and the data cut to match.
    overwrite(iso, part - 33 + 10, std::string("\x00\x10\x00\x00\x00\x00\x10\x00", 8));
    overwrite(iso, part - 33 + 25, std::string("\x80", 1));
    overwrite(iso, qart, "P");
    ImageAwareFileSystem fs(nativeFileSystem(), false);
    EXPECT_EQ(namesIn(fs, iso), (std::vector<std::string> { "PART.BIN" }));
    EXPECT_EQ(fs.stat(iso + "/PART.BIN")->size, 4096u + 3000u);
    EXPECT_EQ(readAll(fs, iso + "/PART.BIN"), first.substr(0, 4096) + second);
}

TEST(IsoImage, DamagedImagesAreToldAndNeverLoop)
{
    REQUIRE_TOOL("genisoimage");
    TempDir tmp;
    tmp.write("tree/A/INNER.EXE", "inner");
    tmp.write("tree/B/OTHER.EXE", std::string(100000, 'o'));
    std::string iso = tmp.str() + "/l.iso";
    ASSERT_TRUE(makeIso(tmp.str() + "/tree", iso, ""));
    std::string bytes = readFile(iso);
    // The root's own record gives its extent; folder A's record is pointed back at the root.
    std::uint32_t rootExtent = 0;
    std::memcpy(&rootExtent, bytes.data() + 16 * 2048 + 156 + 2, 4);
    std::size_t rootAt = std::size_t(rootExtent) * 2048;
    std::size_t recordA = bytes.find(std::string("\x01", 1) + "A", rootAt) - 32; // name length, then the name at 33
    ASSERT_LT(recordA, rootAt + 2048);
    overwrite(iso, recordA + 2, std::string(reinterpret_cast<const char*>(&rootExtent), 4));

    ImageAwareFileSystem fs(nativeFileSystem(), false);
    auto root = fs.openDirectory(iso);
    ASSERT_TRUE(root);
    auto a = root->openChildDirectory("A");
    ASSERT_TRUE(a);
    // The walk's loop check sees the same folder twice.
    EXPECT_EQ(a->facts().inode, root->facts().inode);
    EXPECT_EQ(a->facts().device, root->facts().device);

    // Cut in the middle of B's file: the file is told to leave the image, what remains still reads.
    std::string cut = tmp.str() + "/cut.iso";
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.find(std::string(1000, 'o')) + 50000);
    ImageAwareFileSystem cutFs(nativeFileSystem(), false);
    EXPECT_EQ(namesIn(cutFs, cut), (std::vector<std::string> { "A", "B" }));
    auto other = cutFs.open(cut + "/B/OTHER.EXE");
    ASSERT_TRUE(other);
    EXPECT_LT(readFileBytes(*other)->size(), 100000u);
    EXPECT_TRUE(anyProblemContains(cutFs, "OTHER.EXE"));
    EXPECT_EQ(cutFs.problems()->messages().front().rfind(cut, 0), 0u); // each message names its image
}

TEST(FatImage, LongNamesDatesAndContents)
{
    REQUIRE_TOOL("mkfs.fat");
    REQUIRE_TOOL("mcopy");
    ZoneWithSummerTime zone;
    TempDir tmp;
    std::string img = tmp.str() + "/d.ima";
    std::string content = randomBytes(5000, 5);
    std::string file = tmp.write("src/Lisez-moi du jeu.txt", content);
    setTime(file, 805800000);
    tmp.write("src/SETUP.EXE", "setup");
    ASSERT_EQ(runCommand("mkfs.fat -C -n DISQUE1 " + shellQuoted(img) + " 1440 >/dev/null 2>&1").status, 0);
    ASSERT_EQ(runCommand("mmd -i " + shellQuoted(img) + " '::/Jeux de Dames' && mcopy -m -i " + shellQuoted(img) + " "
                  + shellQuoted(file) + " " + shellQuoted(tmp.str() + "/src/SETUP.EXE") + " '::/Jeux de Dames/'")
                  .status,
        0);
    ImageAwareFileSystem fs(nativeFileSystem(), false);
    EXPECT_EQ(namesIn(fs, img), (std::vector<std::string> { "Jeux de Dames" }));
    EXPECT_EQ(namesIn(fs, img + "/Jeux de Dames"), (std::vector<std::string> { "Lisez-moi du jeu.txt", "SETUP.EXE" }));
    EXPECT_EQ(readAll(fs, img + "/Jeux de Dames/Lisez-moi du jeu.txt"), content);
    auto facts = fs.stat(img + "/Jeux de Dames/Lisez-moi du jeu.txt");
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->modified, 805800000);
    EXPECT_EQ(facts->size, content.size());
    std::string error;
    auto info = readImageInfo(img, error);
    ASSERT_TRUE(info) << error;
    EXPECT_EQ(info->format, "FAT12");
    EXPECT_EQ(info->label, "DISQUE1");
}

TEST(FatImage, BlankBootSectorOfADos1DiskKnownBySize)
{
    REQUIRE_TOOL("mkfs.fat");
    REQUIRE_TOOL("mcopy");
    TempDir tmp;
    std::string img = tmp.str() + "/old.img";
    tmp.write("JEU.EXE", "jeu");
    // Each standard disk (size in KB, sectors per cluster, root entries, media byte), formatted so, then its boot
    // sector blanked as DOS 1.x left it.
    for (const char* disk : { "160 1 64 0xFE", "180 1 64 0xFC", "320 2 112 0xFF", "360 2 112 0xFD", "720 2 112 0xF9",
             "1200 1 224 0xF9", "1440 1 224 0xF0", "2880 2 240 0xF0" }) {
        std::istringstream fields(disk);
        std::string kb, cluster, root, media;
        fields >> kb >> cluster >> root >> media;
        std::filesystem::remove(img);
        ASSERT_EQ(runCommand("mkfs.fat -C -s " + cluster + " -r " + root + " -M " + media + " " + shellQuoted(img) + " "
                      + kb + " >/dev/null 2>&1 && mcopy -i " + shellQuoted(img) + " "
                      + shellQuoted(tmp.str() + "/JEU.EXE") + " ::/")
                      .status,
            0);
        overwrite(img, 0, std::string(512, '\0'));
        ImageAwareFileSystem fs(nativeFileSystem(), false);
        EXPECT_EQ(namesIn(fs, img), (std::vector<std::string> { "JEU.EXE" })) << disk;
        EXPECT_EQ(readAll(fs, img + "/JEU.EXE"), "jeu") << disk;
    }
    // The same blank sector on a size no standard disk has is no image.
    std::ofstream(img, std::ios::app | std::ios::binary) << std::string(512, '\0');
    ImageAwareFileSystem other(nativeFileSystem(), false);
    std::string error;
    EXPECT_FALSE(other.opensAsImage(img, error));
}

TEST(FatImage, Fat16VolumeWithManyFiles)
{
    REQUIRE_TOOL("mkfs.fat");
    REQUIRE_TOOL("mcopy");
    TempDir tmp;
    std::string img = tmp.str() + "/disque.img";
    std::vector<std::string> expected;
    std::string sources;
    for (int i = 0; i < 40; ++i) {
        expected.push_back("P" + std::to_string(i) + ".EXE");
        sources += " " + shellQuoted(tmp.write("src/" + expected.back(), std::string(3000 + i, char('a' + i % 26))));
    }
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(runCommand("mkfs.fat -C -F 16 " + shellQuoted(img) + " 16384 >/dev/null 2>&1 && mcopy -i "
                  + shellQuoted(img) + sources + " ::/")
                  .status,
        0);
    ImageAwareFileSystem fs(nativeFileSystem(), false);
    EXPECT_EQ(namesIn(fs, img), expected);
    EXPECT_EQ(readAll(fs, img + "/P39.EXE"), std::string(3039, char('a' + 39 % 26)));
    std::string error;
    EXPECT_EQ(readImageInfo(img, error)->format, "FAT16");
}

TEST(FatImage, ChainsThatLoopOrLeaveTheDiskAreCutAndTold)
{
    REQUIRE_TOOL("mkfs.fat");
    REQUIRE_TOOL("mcopy");
    TempDir tmp;
    std::string img = tmp.str() + "/f.img";
    tmp.write("A.EXE", std::string(1500, 'a')); // three clusters of 512 bytes: 2, 3, 4
    ASSERT_EQ(runCommand("mkfs.fat -C " + shellQuoted(img) + " 1440 >/dev/null 2>&1 && mcopy -i " + shellQuoted(img)
                  + " " + shellQuoted(tmp.str() + "/A.EXE") + " ::/")
                  .status,
        0);
    // FAT12 entries 2, 3, 4 share bytes 3..7 of the first table (at 512): 2 -> 3, 3 -> 4, 4 -> 2 (a loop).
    auto fat12 = [&](std::uint16_t e2, std::uint16_t e3, std::uint16_t e4, std::uint16_t e5) {
        std::string b(6, '\0');
        b[0] = static_cast<char>(e2 & 0xFF);
        b[1] = static_cast<char>((e2 >> 8) | (e3 & 0x0F) << 4);
        b[2] = static_cast<char>(e3 >> 4);
        b[3] = static_cast<char>(e4 & 0xFF);
        b[4] = static_cast<char>((e4 >> 8) | (e5 & 0x0F) << 4);
        b[5] = static_cast<char>(e5 >> 4);
        overwrite(img, 512 + 3, b);
    };
    fat12(3, 4, 2, 0);
    {
        ImageAwareFileSystem fs(nativeFileSystem(), false);
        EXPECT_EQ(readAll(fs, img + "/A.EXE"), std::string(1500, 'a'));
        EXPECT_TRUE(anyProblemContains(fs, "boucle"));
    }
    fat12(3, 0xFF0, 0, 0); // 3 -> a cluster past the disk's last
    {
        ImageAwareFileSystem fs(nativeFileSystem(), false);
        EXPECT_EQ(readAll(fs, img + "/A.EXE"), std::string(1024, 'a'));
        EXPECT_TRUE(anyProblemContains(fs, "hors du disque"));
    }
}

TEST(IsoImage, DamagedRecordsInRawSectorsNeverBreakTheWalk)
{
    REQUIRE_TOOL("genisoimage");
    TempDir tmp;
    tmp.write("tree/DOS/JEU.EXE", "jeu");
    tmp.write("tree/Lisez-moi.txt", "lisez");
    std::string iso = tmp.str() + "/r.iso";
    ASSERT_TRUE(makeIso(tmp.str() + "/tree", iso, "-R"));
    const std::string original = readFile(iso);
    std::uint32_t rootExtent = 0;
    std::memcpy(&rootExtent, original.data() + 16 * 2048 + 156 + 2, 4);
    // Each byte of the root's records spoilt in turn: the image described, then read as raw mode 2 sectors and its
    // tree walked whole.
    int walked = 0;
    for (std::size_t at = 0; at < 400; at += 3) {
        for (char value : { '\xFF', '\x00', '\x25' }) {
            std::string bytes = original;
            bytes[std::size_t(rootExtent) * 2048 + at] = value;
            std::ofstream(iso, std::ios::binary | std::ios::trunc) << bytes;
            std::string error;
            readImageInfo(iso, error); // looks for Rock Ridge in the spoilt records
            wrapSectors(iso, tmp.str() + "/r.bin", RawMode::Mode2Form1);
            ImageAwareFileSystem fs(nativeFileSystem(), false);
            std::vector<std::string> pending { tmp.str() + "/r.bin" };
            for (std::size_t i = 0; i < pending.size() && i < 64; ++i) {
                auto dir = fs.openDirectory(pending[i]);
                if (!dir)
                    continue;
                ++walked;
                for (const DirEntry& e : dir->entries()) {
                    if (e.type == EntryType::Directory)
                        pending.push_back(joinPath(pending[i], e.name));
                    else if (auto file = dir->openChild(e.name))
                        readFileBytes(*file, 4096);
                }
            }
        }
    }
    EXPECT_GT(walked, 0);
}
