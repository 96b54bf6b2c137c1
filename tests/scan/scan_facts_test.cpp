#include "scan/scan_facts.h"

#include "exe/exe_builder.h"
#include "scan/scan_engine.h"
#include "scan/selection_details.h"
#include "support/counting_file_system.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <set>

using namespace quarex;
using quarex::test::CountingFileSystem;
using quarex::test::TempDir;

namespace {

// Every field of the details, one per line, for comparisons that show what differs.
std::string shown(const SelectionDetails& d)
{
    std::string out = "outcome " + std::to_string(static_cast<int>(d.outcome)) + "\nfull " + d.fullPath + "\nreal "
        + d.realPath + "\nproduct " + d.productName + "\ncopyright " + d.copyright + "\ninternal " + d.internalName
        + "\ncompany " + d.companyName + "\nfirst " + d.firstCell.value_or("-") + "\nfolder " + d.relatedFolder
        + "\noffered " + std::to_string(d.offeredIndex) + "\ntype " + d.programType + "\ndos "
        + (d.plainDosProgram ? "yes" : "no") + "\n";
    for (const RelatedFile& f : d.relatedFiles)
        out += "related " + f.name + " | " + f.rawName + "\n";
    return out;
}

// A disc with what the details of a row look at: version strings, bare MS-DOS programs large and small,
// readme files, files named like an archive, disk sets, and files of no related kind.
std::string makeDisc(TempDir& tmp)
{
    using namespace quarex::test;
    PeBuilder pe;
    pe.add(16, 1, 0x040C,
        versionBlock32({ { "040C04E4",
            { string32("CompanyName", "Durand"), string32("InternalName", "JEU"),
                string32("LegalCopyright", "(c) 1996"), string32("ProductName", "Jeu de dames") } } }));
    tmp.write("cd/JEU/JEU.EXE", pe.build());
    tmp.write("cd/JEU/DOS.EXE", "MZ" + std::string(200, '\0'));
    tmp.write("cd/JEU/PETIT.EXE", "MZ");
    tmp.write("cd/JEU/VIDE.EXE", "");
    tmp.write("cd/JEU/readme.txt", "Jeu de dames\r\n");
    tmp.write("cd/JEU/Image.Bmp", "BM");
    tmp.write("cd/JEU/DONNEES.DAT", "d");
    tmp.write("cd/JEU/PIECES.ZIP", "PK");
    tmp.write("cd/JEU/PIECES.LST", "liste");
    tmp.write("cd/JEU/Pieces2.dat", "d");
    tmp.write("cd/JEU/AUTRE.ZIP", "PK");
    tmp.write("cd/SET/DISK1/SETUP.EXE", pe.build());
    tmp.write("cd/SET/DISK1/SETUP.W02", "x");
    tmp.write("cd/SET/Disk2/LISEZMOI.TXT", "Installation");
    tmp.write("cd/SET/Disk2/DATA.ZIP", "PK");
    tmp.mkdir("cd/SET/Disk3");
    tmp.write("cd/D1/PROG.EXE", "MZ" + std::string(100, 'x'));
    tmp.write("cd/D2/NOTES.WRI", "w");
    return tmp.str() + "/cd";
}

} // namespace

TEST(ScanFacts, DetailsFromWhatTheScanKeptMatchThoseReadFromTheDisc)
{
    TempDir tmp;
    std::string disc = makeDisc(tmp);
    for (bool untyped : { false, true }) {
        CountingFileSystem scanned(nativeFileSystem());
        scanned.untypedEntries = untyped; // as an ISO 9660 mount lists them
        ResultTables tables;
        ScanEngine(tables, scanned).scan(disc);

        CountingFileSystem kept(nativeFileSystem());
        kept.untypedEntries = untyped;
        FolderListingCache keptCache(&tables.keptListings());
        DetailsSource fromScan { kept, "", &keptCache };
        FolderListingCache readCache;
        DetailsSource fromDisc { nativeFileSystem(), "", &readCache };
        int rows = 0;
        int withoutFacts = 0;
        for (int t = 0; t < TableCount; ++t) {
            const Grid& grid = tables.GridLogiciel(t);
            Grid bare = grid;
            for (int r = 1; r < grid.Rows(); ++r) {
                withoutFacts += grid.rowFacts(r).empty();
                bare.setRowFacts(r, {});
                EXPECT_EQ(shown(describeRow(grid, r, t, fromScan)), shown(describeRow(bare, r, t, fromDisc)))
                    << grid.rowPath(r);
                ++rows;
            }
        }
        EXPECT_EQ(rows, 9);
        // Neither a program nor a folder of a row is read again. Only the folders without rows that disk sets
        // lead to are listed (cd/SET, cd and cd/D2); and when the listing gave no types, the two programs too
        // small to hold a header, which the scan did not open.
        EXPECT_EQ(withoutFacts, untyped ? 2 : 0);
        EXPECT_EQ(kept.filesOpenedByPath, untyped ? 2 : 0);
        EXPECT_EQ(kept.opens.size(), 0u);
        EXPECT_EQ(kept.directoriesOpened, 3);
        // Entries of unknown type are looked at, as a listing would, but only the eight kept (six beside the
        // game, two on the second disk); the other two are the small programs read again.
        EXPECT_EQ(kept.pathsStated, untyped ? 8 + 2 : 0);
    }
}

TEST(ScanFacts, OnlyTheNamesADetailCanAskForAreKept)
{
    TempDir tmp;
    tmp.write("cd/X/JEU.ZIP", "PK");
    tmp.write("cd/X/JEU1.CAB", "c");
    tmp.write("cd/X/lisez.moi.Txt", "t");
    tmp.write("cd/X/SON.MIDI", "m");
    for (int i = 0; i < 50; ++i)
        tmp.write("cd/X/F" + std::to_string(i) + ".CAB", "c");
    tmp.mkdir("cd/X/disk2");
    tmp.mkdir("cd/X/AUTRE");
    tmp.write("cd/Y/PROG.EXE", "MZ");
    tmp.write("cd/Y/PROG1.CAB", "c");
    tmp.write("cd/Y/LISEZ.TXT", "t");
    auto namesOf = [](const KeptListing* listing) {
        std::set<std::string> names;
        for (const KeptListing::Name& n : listing->names())
            names.insert(std::string(1, static_cast<char>(n.kind)) + std::string(n.rawName));
        return names;
    };
    // From a whole listing, an archive's folder keeps the names that start like the archive.
    {
        auto handle = nativeFileSystem().openDirectory(tmp.str() + "/cd/X");
        ASSERT_TRUE(handle);
        DirectoryContext context(tmp.str() + "/cd/X", *handle);
        KeptListings listings;
        listings.keep(context);
        ASSERT_NE(listings.find(tmp.str() + "/cd/X"), nullptr);
        EXPECT_EQ(namesOf(listings.find(tmp.str() + "/cd/X")),
            (std::set<std::string> { "FJEU.ZIP", "FJEU1.CAB", "Flisez.moi.Txt", "FSON.MIDI", "Ddisk2" }));
    }
    // The scan's own listing leaves such names out: that folder is listed again by the report, while a folder
    // without archives keeps its related files from the scan.
    ResultTables tables;
    ScanEngine(tables).scan(tmp.str() + "/cd");
    EXPECT_EQ(tables.keptListings().find(tmp.str() + "/cd/X"), nullptr);
    ASSERT_NE(tables.keptListings().find(tmp.str() + "/cd/Y"), nullptr);
    EXPECT_EQ(namesOf(tables.keptListings().find(tmp.str() + "/cd/Y")), (std::set<std::string> { "FLISEZ.TXT" }));
    EXPECT_EQ(tables.keptListings().find(tmp.str() + "/cd"), nullptr);

    // A new scan forgets the folders of the last one.
    ScanEngine(tables).scan(tmp.str() + "/cd/X/AUTRE");
    EXPECT_EQ(tables.keptListings().find(tmp.str() + "/cd/Y"), nullptr);

    EXPECT_TRUE(hasRelatedExtension("A.TXT"));
    EXPECT_TRUE(hasRelatedExtension("a.b.zIp"));
    EXPECT_FALSE(hasRelatedExtension("TXT"));
    EXPECT_FALSE(hasRelatedExtension("a.txt2"));
    EXPECT_FALSE(hasRelatedExtension("a.averyveryverylongextension"));
}

TEST(ScanFacts, PackedFactsComeBackWholeAndDamagedOnesAreRefused)
{
    zFileInfo info;
    std::string block = std::string("ProductName") + '\0' + "Dames" + '\0' + "CompanyName" + '\0' + "Durand" + '\0';
    info.PutVersionBlock(block);
    // The header of a file that was not opened is unknown: nothing is kept for a program.
    EXPECT_EQ(packRowFacts(info, false), "");
    std::string archive = packRowFacts(info, true);
    ASSERT_TRUE(unpackRowFacts(archive));
    EXPECT_EQ(unpackRowFacts(archive)->productName, "");

    TempDir tmp;
    std::string path = tmp.write("P.EXE", "MZ" + std::string(100, '\0'));
    zFileInfo dos;
    dos.PutFileName(path);
    ASSERT_EQ(dos.plainDosProgram(), std::optional<bool>(true));
    dos.PutVersionBlock(block);
    auto facts = unpackRowFacts(packRowFacts(dos, false));
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->productName, "Dames");
    EXPECT_EQ(facts->companyName, "Durand");
    EXPECT_EQ(facts->copyright, "");
    EXPECT_TRUE(facts->plainDosProgram);

    for (std::string_view damaged : { std::string_view(""), std::string_view("X\0\0\0", 4),
             std::string_view("V\0\0", 3), std::string_view("V\0\0\0\0", 5) })
        EXPECT_FALSE(unpackRowFacts(damaged)) << damaged.size();
}
