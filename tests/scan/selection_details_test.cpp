#include "scan/selection_details.h"

#include "exe/exe_builder.h"
#include "text/text.h"
#include "scan/scan_engine.h"
#include "support/scanned_row.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quarex;
using quarex::test::TempDir;

namespace {

std::vector<std::string> names(const SelectionDetails& d)
{
    std::vector<std::string> out;
    for (const auto& f : d.relatedFiles)
        out.push_back(f.name);
    return out;
}

// A row as the scan writes it: location, proper-case name, real path.
int addRow(Grid& grid, const std::string& folder, const std::string& rawName, const std::string& first = "")
{
    return test::addScannedRow(grid, folder, rawName, first);
}

} // namespace

TEST(SelectionDetails, HeaderBlankNameAndPlaceholderLocation)
{
    TempDir tmp;
    tmp.write("A/SETUP.EXE", "MZ");
    ResultTables tables;
    InitTitresTableaux(tables);
    Grid& g = tables.GridLogiciel(0);
    DetailsSource source { nativeFileSystem(), "" };

    SelectionDetails header = selectRow(g, 0, 0, source);
    EXPECT_EQ(header.outcome, SelectionDetails::Outcome::Header);
    EXPECT_EQ(g.cell(0, 1), " Emplacement");

    SelectionDetails blank = selectRow(g, 1, 0, source);
    EXPECT_EQ(blank.outcome, SelectionDetails::Outcome::NoFileName);
    EXPECT_TRUE(blank.fullPath.empty());
    EXPECT_TRUE(blank.relatedFiles.empty());

    g.setCell(1, 2, " Setup.exe");
    g.setCell(1, 1, " 0");
    SelectionDetails placeholder = selectRow(g, 1, 0, source);
    EXPECT_EQ(placeholder.outcome, SelectionDetails::Outcome::LocationPlaceholder);
    EXPECT_EQ(g.cell(1, 1), "");
    EXPECT_TRUE(placeholder.fullPath.empty());
    EXPECT_EQ(selectRow(g, 1, 0, source).outcome, SelectionDetails::Outcome::NoLocation);
}

TEST(SelectionDetails, FullPathTypeAndRelatedFilesOfAnOrdinaryFolder)
{
    TempDir tmp;
    std::string folder = tmp.mkdir("WIN95");
    tmp.write("WIN95/SETUP.EXE", "MZ");
    tmp.write("WIN95/OTHER.EXE", "MZ");
    tmp.write("WIN95/readme.txt", "lisez");
    tmp.write("WIN95/Photo.GIF", "g");
    tmp.write("WIN95/EXTRA.ZIP", "z");
    tmp.write("WIN95/notes.ini", "i");
    tmp.mkdir("WIN95/docs.txt");
    ResultTables tables;
    Grid& g = tables.GridLogiciel(0);
    int r = addRow(g, folder, "SETUP.EXE", "Installation");
    DetailsSource source { nativeFileSystem(), "" };

    SelectionDetails d = selectRow(g, r, 0, source);
    ASSERT_EQ(d.outcome, SelectionDetails::Outcome::Described);
    EXPECT_EQ(d.fullPath, folder + "/Setup.exe");
    EXPECT_EQ(d.realPath, folder + "/SETUP.EXE");
    EXPECT_EQ(d.relatedFolder, folder);
    EXPECT_EQ(names(d), (std::vector<std::string> { "EXTRA.ZIP", "Photo.GIF", "readme.txt" }));
    ASSERT_EQ(d.offeredIndex, 2);
    EXPECT_EQ(d.offeredPath(), folder + "/readme.txt");
    EXPECT_EQ(d.programType, "Programme Windows 95");
    EXPECT_EQ(g.cell(r, 0), "Installation");
}

TEST(SelectionDetails, PlaceholderInFirstColumnIsReplacedOnFirstClickOnly)
{
    TempDir tmp;
    std::string folder = tmp.mkdir("Z");
    tmp.write("Z/TOOLS.ZIP", std::string(2345, 'x'));
    tmp.write("Z/RUN.EXE", "MZ");
    ResultTables tables;
    DetailsSource source { nativeFileSystem(), "" };

    Grid& zips = tables.GridLogiciel(2);
    int r = addRow(zips, folder, "TOOLS.ZIP", "0");
    SelectionDetails first = selectRow(zips, r, 2, source);
    ASSERT_TRUE(first.firstCell.has_value());
    EXPECT_EQ(zips.cell(r, 0), "2");
    tmp.write("Z/TOOLS.ZIP", std::string(5000, 'x'));
    SelectionDetails second = selectRow(zips, r, 2, source);
    EXPECT_FALSE(second.firstCell.has_value());
    EXPECT_EQ(zips.cell(r, 0), "2");

    // Without a version block the description is empty: the "0" goes and does not come back.
    Grid& exes = tables.GridLogiciel(1);
    int e = addRow(exes, folder, "RUN.EXE", "0");
    selectRow(exes, e, 1, source);
    EXPECT_EQ(exes.cell(e, 0), "");
    EXPECT_FALSE(selectRow(exes, e, 1, source).firstCell.has_value());
}

TEST(SelectionDetails, ArchiveBaseNameRule)
{
    TempDir tmp;
    std::string folder = tmp.mkdir("SHARE");
    tmp.write("SHARE/TOOLS.ZIP", "z");
    tmp.write("SHARE/TOOLS.TXT", "t");
    tmp.write("SHARE/TOOLSET.DOC", "d");
    tmp.write("SHARE/readme.txt", "r");
    tmp.write("SHARE/OTHER.ZIP", "o");
    tmp.write("SHARE/LONE.ZIP", "l");
    ResultTables tables;
    Grid& g = tables.GridLogiciel(2);
    int tools = addRow(g, folder, "TOOLS.ZIP");
    int lone = addRow(g, folder, "LONE.ZIP");
    DetailsSource source { nativeFileSystem(), "" };

    // Files sharing the archive's name win when there are any besides the archive.
    EXPECT_EQ(names(describeRow(g, tools, 2, source)), (std::vector<std::string> { "TOOLS.TXT", "TOOLSET.DOC" }));
    // Otherwise the fixed list applies, without the other archives.
    SelectionDetails d = describeRow(g, lone, 2, source);
    EXPECT_EQ(names(d), (std::vector<std::string> { "readme.txt", "TOOLS.TXT", "TOOLSET.DOC" }));
    EXPECT_EQ(d.offeredIndex, 0);
}

TEST(SelectionDetails, WindowsFolderListsOnlyFilesOfTheProgramsName)
{
    TempDir tmp;
    std::string windows = tmp.mkdir("drive_c/windows");
    tmp.write("drive_c/windows/SETUP.EXE", "MZ");
    tmp.write("drive_c/windows/SETUP.TXT", "s");
    tmp.write("drive_c/windows/setup", "s");
    tmp.write("drive_c/windows/README.TXT", "r");
    tmp.write("drive_c/windows/WIN.INI", "w");
    ResultTables tables;
    Grid& g = tables.GridLogiciel(0);
    int r = addRow(g, windows, "SETUP.EXE");

    // The Windows folder is compared without regard to case, with or without a final separator.
    DetailsSource source { nativeFileSystem(), tmp.str() + "/DRIVE_C/Windows/" };
    SelectionDetails d = describeRow(g, r, 0, source);
    EXPECT_EQ(names(d), (std::vector<std::string> { "setup", "SETUP.TXT" }));
    EXPECT_EQ(d.offeredIndex, -1);

    DetailsSource elsewhere { nativeFileSystem(), "" };
    EXPECT_EQ(names(describeRow(g, r, 0, elsewhere)), (std::vector<std::string> { "README.TXT", "SETUP.TXT" }));
}

TEST(SelectionDetails, DiskSetsMoveToTheNextDisk)
{
    TempDir tmp;
    std::string disk1 = tmp.mkdir("SOLITR/DISK1");
    tmp.write("SOLITR/DISK1/SETUP.EXE", "MZ");
    tmp.write("SOLITR/disk2/CARTES.DAT", "c");
    tmp.write("SOLITR/DISK3/LISEZMOI.TXT", "l");
    tmp.write("SOLITR/DISK3/FILE_ID.DIZ", "f");
    std::string d1 = tmp.mkdir("GAME/D1");
    tmp.write("GAME/D1/INSTALL.EXE", "MZ");
    tmp.write("GAME/D2/INSTALL.TXT", "i");
    std::string lone = tmp.mkdir("LONE/DISK1");
    tmp.write("LONE/DISK1/SETUP.EXE", "MZ");
    ResultTables tables;
    Grid& g = tables.GridLogiciel(0);
    int r1 = addRow(g, disk1, "SETUP.EXE");
    int r2 = addRow(g, d1, "INSTALL.EXE");
    int r3 = addRow(g, lone, "SETUP.EXE");
    DetailsSource source { nativeFileSystem(), "" };

    // DISK1 has nothing, its sibling disk2 (found whatever its case) nothing either: DISK3 has the texts.
    SelectionDetails a = describeRow(g, r1, 0, source);
    EXPECT_EQ(a.relatedFolder, tmp.str() + "/SOLITR/DISK3");
    EXPECT_EQ(names(a), (std::vector<std::string> { "FILE_ID.DIZ", "LISEZMOI.TXT" }));
    EXPECT_EQ(a.offeredIndex, 0);
    EXPECT_EQ(a.offeredPath(), tmp.str() + "/SOLITR/DISK3/FILE_ID.DIZ");

    SelectionDetails b = describeRow(g, r2, 0, source);
    EXPECT_EQ(b.relatedFolder, tmp.str() + "/GAME/D2");
    EXPECT_EQ(names(b), (std::vector<std::string> { "INSTALL.TXT" }));

    // No sibling: the search ends where it started.
    SelectionDetails c = describeRow(g, r3, 0, source);
    EXPECT_EQ(c.relatedFolder, lone);
    EXPECT_TRUE(c.relatedFiles.empty());
    EXPECT_EQ(c.offeredIndex, -1);
}

TEST(SelectionDetails, PreferredTextOrder)
{
    std::vector<RelatedFile> files { { "INSTALL.TXT", "INSTALL.TXT" }, { "README.TXT", "README.TXT" },
        { "LisezMoi.txt", "LisezMoi.txt" }, { "x.diz", "x.diz" } };
    EXPECT_EQ(offeredTextIndex(files), 2);
    files.push_back({ "FILE_ID.DIZ", "FILE_ID.DIZ" });
    EXPECT_EQ(offeredTextIndex(files), 4);
    files.erase(files.begin() + 2);
    files.pop_back();
    EXPECT_EQ(offeredTextIndex(files), 1);
    EXPECT_EQ(offeredTextIndex({ { "INSTALL.TXT", "INSTALL.TXT" } }), 0);
    EXPECT_EQ(offeredTextIndex({ { "readme.doc", "readme.doc" } }), -1);
}

TEST(SelectionDetails, PatternsMatchLikeTheSystemsFileList)
{
    EXPECT_TRUE(matchesFilePattern("README.TXT", "*.txt;*.diz"));
    EXPECT_TRUE(matchesFilePattern("file_id.diz", "*.txt;*.diz"));
    EXPECT_FALSE(matchesFilePattern("readme.txt.bak", "*.txt"));
    EXPECT_TRUE(matchesFilePattern("SETUP", "SETUP.*"));
    EXPECT_TRUE(matchesFilePattern("Setup.Txt", "SETUP.*"));
    EXPECT_FALSE(matchesFilePattern("SETUPX.TXT", "SETUP.*"));
    EXPECT_TRUE(matchesFilePattern("TOOLS", "TOOLS*.*"));
    EXPECT_TRUE(matchesFilePattern("TOOLS2.DOC", "TOOLS*.*"));
    EXPECT_FALSE(matchesFilePattern("TOOL.DOC", "TOOLS*.*"));
    EXPECT_TRUE(matchesFilePattern("son.midi", "*.wav;*.midi"));
    EXPECT_FALSE(matchesFilePattern("son.mid", "*.wav;*.midi"));
}

TEST(SelectionDetails, ViewerTextJoinsLinesWithCrLf)
{
    TempDir tmp;
    std::string withEnd = tmp.write("a.txt", "un\r\ndeux\r\n");
    std::string withoutEnd = tmp.write("b.txt", "un\r\ndeux");
    std::string unixEnds = tmp.write("c.txt", "un\ndeux\n");
    std::string latin1 = tmp.write("d.txt",
        "Entr\xE9"
        "e\r\n");
    std::string empty = tmp.write("e.txt", "");
    EXPECT_EQ(loadViewerText(nativeFileSystem(), withEnd), "un\r\ndeux");
    EXPECT_EQ(loadViewerText(nativeFileSystem(), withoutEnd), "un\r\ndeux");
    EXPECT_EQ(loadViewerText(nativeFileSystem(), unixEnds), "un\r\ndeux");
    EXPECT_EQ(loadViewerText(nativeFileSystem(), latin1), "Entrée");
    EXPECT_EQ(loadViewerText(nativeFileSystem(), empty), "");
    EXPECT_EQ(loadViewerText(nativeFileSystem(), tmp.str() + "/absent.txt"), std::nullopt);
}

TEST(SelectionDetails, RowsOfARealScan)
{
    TempDir tmp;
    tmp.write("JEUX/DISK1/SETUP.EXE", "MZ");
    tmp.write("JEUX/Disk2/lisezmoi.txt", "Bonjour");
    tmp.write("OUTILS.ZIP", "PK");
    tmp.write("OUTILS.TXT", "outils");
    ResultTables tables;
    ScanEngine engine(tables);
    engine.scan(tmp.str());
    DetailsSource source { nativeFileSystem(), "" };

    Grid& setups = tables.GridLogiciel(0);
    ASSERT_EQ(setups.Rows(), 2);
    SelectionDetails d = selectRow(setups, 1, 0, source);
    EXPECT_EQ(d.fullPath, tmp.str() + "/Jeux/Disk1/Setup.exe");
    EXPECT_EQ(d.realPath, tmp.str() + "/JEUX/DISK1/SETUP.EXE");
    EXPECT_EQ(loadViewerText(nativeFileSystem(), d.offeredPath()), "Bonjour");

    SelectionDetails z = selectRow(tables.GridLogiciel(2), 1, 2, source);
    EXPECT_EQ(names(z), (std::vector<std::string> { "OUTILS.TXT" }));
}

TEST(SelectionDetails, VersionStringsAndDescriptionOfAProgram)
{
    using namespace quarex::test;
    PeBuilder pe;
    pe.add(16, 1, 0x040C,
        versionBlock32({ { "040C04E4",
            { string32("CompanyName", "Éditions Durand"), string32("FileDescription", "Jeu de dames"),
                string32("InternalName", "DAMES"), string32("LegalCopyright", "© 1996"),
                string32("ProductName", "Dames <Pro>") } } }));
    TempDir tmp;
    std::string folder = tmp.mkdir("W3");
    tmp.write("W3/DAMES.EXE", pe.build());
    ResultTables tables;
    Grid& g = tables.GridLogiciel(1);
    int r = addRow(g, folder, "DAMES.EXE", "0");
    DetailsSource source { nativeFileSystem(), "" };

    SelectionDetails d = selectRow(g, r, 1, source);
    EXPECT_EQ(d.productName, "Dames <Pro>");
    EXPECT_EQ(d.copyright, "© 1996");
    EXPECT_EQ(d.internalName, "DAMES");
    EXPECT_EQ(d.companyName, "Éditions Durand");
    EXPECT_EQ(g.cell(r, 0), "Jeu de dames");
    EXPECT_EQ(d.programType, "Programme Windows 3.1x");
}

TEST(SelectionDetails, PlainDosProgramWithoutInternalName)
{
    TempDir tmp;
    std::string folder = tmp.mkdir("UTIL");
    std::string dosHeader(64, '\0');
    dosHeader[0] = 'M';
    dosHeader[1] = 'Z';
    tmp.write("UTIL/NETTOIE.EXE", dosHeader + "code");
    tmp.write("UTIL/TEXTE.EXE", "pas un programme");
    tmp.write("UTIL/NETTOIE.ZIP", dosHeader);
    quarex::test::PeBuilder pe;
    tmp.write("UTIL/WIN.EXE", pe.build());
    ResultTables tables;
    Grid& exes = tables.GridLogiciel(1);
    int dos = addRow(exes, folder, "NETTOIE.EXE");
    int text = addRow(exes, folder, "TEXTE.EXE");
    int win = addRow(exes, folder, "WIN.EXE");
    int zip = addRow(tables.GridLogiciel(2), folder, "NETTOIE.ZIP");
    DetailsSource source { nativeFileSystem(), "" };

    SelectionDetails d = describeRow(exes, dos, 1, source);
    EXPECT_TRUE(d.plainDosProgram);
    EXPECT_EQ(d.internalName, "");
    EXPECT_EQ(d.internalNameShown(), "Programme MS-DOS");
    EXPECT_EQ(describeRow(exes, text, 1, source).internalNameShown(), "");
    EXPECT_EQ(describeRow(exes, win, 1, source).internalNameShown(), "");
    EXPECT_EQ(describeRow(tables.GridLogiciel(2), zip, 2, source).internalNameShown(), "");
}
