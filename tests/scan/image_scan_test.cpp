// A scan inside an image gives the tables the same tree gives as a folder, the location aside.
#include "fs/disc_images.h"
#include "scan/scan_engine.h"
#include "text/text.h"

#include "fs/disc_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

using namespace quarex;
using namespace quarex::test;

namespace {

const std::string kSampleDisc = std::string(QUAREX_SOURCE_DIR) + "/samples/disc";

// Every data row of the three tables, all cells and the row's path, with `prefix` replaced by "<racine>"; sorted,
// as an image lists each folder in its own order.
std::vector<std::string> tableRows(FileSystem& fs, const std::string& start, const std::string& prefix)
{
    ResultTables tables;
    ScanEngine engine(tables, fs);
    engine.scan(start);
    std::vector<std::string> rows;
    auto unprefixed = [&](std::string text) {
        for (std::size_t at; (at = text.find(prefix)) != std::string::npos;)
            text.replace(at, prefix.size(), "<racine>");
        return text;
    };
    for (int t = 0; t < TableCount; ++t) {
        const Grid& g = tables.GridLogiciel(t);
        for (int r = 1; r < g.Rows(); ++r) {
            if (g.cell(r, 2).empty())
                continue;
            std::string row = std::to_string(t);
            for (int c = 0; c < g.Cols(); ++c)
                row += " | " + unprefixed(g.cell(r, c));
            rows.push_back(row + " | " + upperCase(unprefixed(g.rowPath(r))));
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

#define REQUIRE_TOOL(name)                                                                                             \
    if (!haveTool(name))                                                                                               \
    GTEST_SKIP() << name << " absent"

} // namespace

TEST(ImageScan, TablesFromIsoBinCueAndFloppyEqualTablesFromTheFolder)
{
    REQUIRE_TOOL("genisoimage");
    std::vector<std::string> expected = tableRows(nativeFileSystem(), kSampleDisc, kSampleDisc);
    ASSERT_GE(expected.size(), 10u);
    TempDir tmp;
    for (const std::string options : { "", "-J", "-R", "-J -R", "-iso-level 3 -J" }) {
        std::string iso = tmp.str() + "/SHARE95.ISO";
        ASSERT_TRUE(makeIso(kSampleDisc, iso, options));
        ImageAwareFileSystem fs(nativeFileSystem(), false);
        EXPECT_EQ(tableRows(fs, iso, iso), expected) << "genisoimage " << options;
        EXPECT_TRUE(fs.problems()->messages().empty());
    }
    std::string iso = tmp.str() + "/SHARE95.ISO";
    wrapSectors(iso, tmp.str() + "/share95.bin", RawMode::Mode2Form1);
    std::string cue
        = tmp.write("share95.cue", "FILE \"share95.bin\" BINARY\n  TRACK 01 MODE2/2352\n  INDEX 01 00:00:00\n");
    ImageAwareFileSystem cueFs(nativeFileSystem(), false);
    EXPECT_EQ(tableRows(cueFs, cue, cue), expected) << "BIN/CUE";

    if (!haveTool("mkfs.fat") || !haveTool("mcopy"))
        return;
    std::string floppy = tmp.str() + "/DISK1.IMA";
    ASSERT_EQ(runCommand("mkfs.fat -C " + shellQuoted(floppy) + " 1440 >/dev/null 2>&1 && mcopy -s -m -i "
                  + shellQuoted(floppy) + " " + shellQuoted(kSampleDisc) + "/* ::/")
                  .status,
        0);
    ImageAwareFileSystem fatFs(nativeFileSystem(), false);
    EXPECT_EQ(tableRows(fatFs, floppy, floppy), expected) << "FAT";
}

TEST(ImageScan, ImagesMetInAFolderAreWalkedAsFoldersOfTheirName)
{
    REQUIRE_TOOL("genisoimage");
    TempDir tmp;
    tmp.write("src/JEU.EXE", "jeu");
    tmp.write("src/SETUP.EXE", "setup");
    std::string iso = tmp.str() + "/lot/Disques/JEUX.ISO";
    tmp.mkdir("lot/Disques");
    ASSERT_TRUE(makeIso(tmp.str() + "/src", iso, "-J"));
    // A BIN beside its sheet is read once, through the sheet; a file named like an image but holding none stays a file.
    wrapSectors(iso, tmp.str() + "/lot/Disques/Raw.bin", RawMode::Mode1);
    tmp.write("lot/Disques/Raw.cue", "FILE \"Raw.bin\" BINARY\n TRACK 01 MODE1/2352\n INDEX 01 00:00:00\n");
    tmp.write("lot/Disques/firmware.bin", std::string(70000, 'x'));
    tmp.write("lot/OUTIL.EXE", "outil");
    // A sheet whose BIN is missing: told, naming the sheet, and the rest still listed.
    std::string lost
        = tmp.write("lot/Perdu.cue", "FILE \"Perdu.bin\" BINARY\n TRACK 01 MODE1/2352\n INDEX 01 00:00:00\n");

    ImageAwareFileSystem fs(nativeFileSystem(), true);
    ResultTables tables;
    ScanEngine engine(tables, fs);
    engine.scan(tmp.str() + "/lot");
    std::vector<std::string> rows;
    for (int t = 0; t < 2; ++t) {
        const Grid& g = tables.GridLogiciel(t);
        for (int r = 1; r < g.Rows(); ++r)
            if (!g.cell(r, 2).empty())
                rows.push_back(g.cell(r, 1).substr(tmp.str().size() + 1) + " |" + g.cell(r, 2));
    }
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows,
        (std::vector<std::string> { "/lot | Outil.exe", "/lot/Disques/Jeux.iso | Jeu.exe",
            "/lot/Disques/Jeux.iso | Setup.exe", "/lot/Disques/Raw.cue | Jeu.exe",
            "/lot/Disques/Raw.cue | Setup.exe" }));
    ASSERT_EQ(fs.problems()->messages().size(), 1u);
    EXPECT_EQ(fs.problems()->messages()[0].rfind(lost, 0), 0u) << fs.problems()->messages()[0];
    EXPECT_NE(fs.problems()->messages()[0].find("Perdu.bin"), std::string::npos);
    auto split = fs.splitImagePath(iso + "/SETUP.EXE");
    ASSERT_TRUE(split);
    EXPECT_EQ(split->first, iso);
    EXPECT_EQ(split->second, "/SETUP.EXE");
    EXPECT_FALSE(fs.splitImagePath(tmp.str() + "/lot/OUTIL.EXE"));

    // Without --images the same folder shows no image's contents.
    ImageAwareFileSystem plain(nativeFileSystem(), false);
    ResultTables plainTables;
    ScanEngine plainEngine(plainTables, plain);
    plainEngine.scan(tmp.str() + "/lot");
    EXPECT_EQ(sRowCountText(plainTables.GridLogiciel(0)), "0");
}

TEST(ImageScan, CommandLineScansAnImageAndRefusesAnUnreadableOne)
{
    REQUIRE_TOOL("genisoimage");
    TempDir tmp;
    tmp.write("src/JEUX/DAMES/SETUP.EXE", "setup");
    std::string iso = tmp.str() + "/SHARE95.ISO";
    ASSERT_TRUE(makeIso(tmp.str() + "/src", iso, "-J"));
    CommandRun run = runCommand(std::string(QUAREX_SCAN_BINARY) + " --format jsonl --table 0 " + shellQuoted(iso));
    ASSERT_EQ(run.status, 0);
    auto row = nlohmann::json::parse(run.out.substr(0, run.out.find('\n')));
    EXPECT_EQ(row["cells"][1], " " + iso + "/Jeux/Dames");
    EXPECT_EQ(row["image"], iso);
    EXPECT_EQ(row["inner"], "/JEUX/DAMES/SETUP.EXE");
    EXPECT_EQ(row["path"], iso + "/JEUX/DAMES/SETUP.EXE");

    CommandRun info = runCommand(std::string(QUAREX_SCAN_BINARY) + " info " + shellQuoted(iso));
    ASSERT_EQ(info.status, 0);
    auto j = nlohmann::json::parse(info.out);
    EXPECT_EQ(j["format"], "ISO 9660");
    EXPECT_EQ(j["label"], "CDROM");
    EXPECT_EQ(j["extensions"], "Joliet");
    EXPECT_FALSE(j["created"].get<std::string>().empty());

    std::string broken = tmp.write("VIDE.ISO", std::string(40000, '\0'));
    CommandRun bad = runCommand(std::string(QUAREX_SCAN_BINARY) + " " + shellQuoted(broken) + " 2>&1");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find(broken), std::string::npos) << bad.out;
    // A file that neither is named nor looks like an image stays "no directory".
    std::string text = tmp.write("lisez.txt", "texte");
    EXPECT_EQ(runCommand(std::string(QUAREX_SCAN_BINARY) + " " + shellQuoted(text) + " 2>/dev/null").status, 2);
    CommandRun badInfo = runCommand(std::string(QUAREX_SCAN_BINARY) + " info " + shellQuoted(broken) + " 2>&1");
    EXPECT_EQ(badInfo.status, 1);
    EXPECT_NE(badInfo.out.find(broken), std::string::npos) << badInfo.out;
}

TEST(ImageScan, FloppyImageOnACdIsWalkedToo)
{
    REQUIRE_TOOL("genisoimage");
    REQUIRE_TOOL("mkfs.fat");
    REQUIRE_TOOL("mcopy");
    TempDir tmp;
    std::string floppy = tmp.str() + "/cd/DISKS/DISK1.IMA";
    tmp.mkdir("cd/DISKS");
    tmp.write("INSTALL.EXE", "install");
    ASSERT_EQ(runCommand("mkfs.fat -C " + shellQuoted(floppy) + " 1440 >/dev/null 2>&1 && mcopy -i "
                  + shellQuoted(floppy) + " " + shellQuoted(tmp.str() + "/INSTALL.EXE") + " ::/")
                  .status,
        0);
    std::string iso = tmp.str() + "/CD.ISO";
    ASSERT_TRUE(makeIso(tmp.str() + "/cd", iso, "-J"));

    ImageAwareFileSystem fs(nativeFileSystem(), true);
    ResultTables tables;
    ScanEngine engine(tables, fs);
    engine.scan(iso);
    const Grid& g = tables.GridLogiciel(TableInstall);
    ASSERT_EQ(sRowCountText(g), "1");
    EXPECT_EQ(g.cell(1, 1), " " + iso + "/Disks/Disk1.ima");
    std::string inner = iso + "/DISKS/DISK1.IMA/INSTALL.EXE";
    EXPECT_EQ(g.rowPath(1), inner);
    // The row's path opens again later (the HTML report reads it), and names the innermost image.
    ImageAwareFileSystem later(nativeFileSystem(), false);
    auto file = later.open(inner);
    ASSERT_TRUE(file);
    EXPECT_EQ(readFileBytes(*file), "install");
    auto split = later.splitImagePath(inner);
    ASSERT_TRUE(split);
    EXPECT_EQ(split->first, iso + "/DISKS/DISK1.IMA");
    EXPECT_EQ(split->second, "/INSTALL.EXE");
}

TEST(ImageScan, DamagedImageInAWalkedFolderMakesThePartialStatusAndTheRestIsListed)
{
    REQUIRE_TOOL("mkfs.fat");
    REQUIRE_TOOL("mcopy");
    TempDir tmp;
    tmp.mkdir("disc");
    tmp.write("SETUP.EXE", std::string(30000, 'x'));
    for (const char* name : { "GOOD.IMA", "CUT.IMA" }) {
        std::string floppy = tmp.str() + "/disc/" + name;
        ASSERT_EQ(runCommand("mkfs.fat -C " + shellQuoted(floppy) + " 1440 >/dev/null 2>&1 && mcopy -i "
                      + shellQuoted(floppy) + " " + shellQuoted(tmp.str() + "/SETUP.EXE") + " ::/")
                      .status,
            0);
    }
    // The second floppy is cut after its root folder: it still lists SETUP.EXE, whose clusters are gone.
    std::filesystem::resize_file(tmp.str() + "/disc/CUT.IMA", 20 * 1024);

    CommandRun run = runCommand(
        std::string(QUAREX_SCAN_BINARY) + " --images --table 0 " + shellQuoted(tmp.str() + "/disc") + " 2>&1");
    EXPECT_EQ(run.status, 3) << run.out;
    EXPECT_NE(run.out.find("CUT.IMA"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Good.ima"), std::string::npos) << run.out;
}
