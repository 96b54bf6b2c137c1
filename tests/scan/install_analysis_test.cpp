#include "scan/install_analysis.h"

#include "messages/messages.h"
#include "text/text.h"
#include "exe/exe_builder.h"
#include "support/counting_file_system.h"
#include "support/memory_file_system.h"
#include "support/recording_dialogue.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>

using namespace quarex;
using quarex::test::MemoryFileSystem;
using quarex::test::TempDir;

namespace {

// A version block in the single-byte layout: each key, its NUL padded to four bytes, then its value.
std::string versionBlock(std::initializer_list<std::pair<std::string, std::string>> strings)
{
    std::string block = "VS_VERSION_INFO";
    block.push_back('\0');
    for (const auto& [key, value] : strings) {
        std::size_t padded = ((key.size() + 1 + 3) / 4) * 4;
        block += key;
        block.append(padded - key.size(), '\0');
        block += value;
        block.push_back('\0');
    }
    return block;
}

struct AnalysedRow {
    std::string description;
    std::string version;
};

// Writes the row of one file of a real directory as the scan does, then analyses it.
AnalysedRow analyse(const std::string& dir, const std::string& name, const std::string& block = {})
{
    auto handle = nativeFileSystem().openDirectory(dir);
    if (!handle)
        return { "<no directory>", "" };
    DirectoryContext context(dir, *handle);
    for (const ListedFile& file : context.files()) {
        if (file.name != name)
            continue;
        zFileInfo info;
        info.PutFile(*handle, file.rawName, file.facts);
        if (!block.empty())
            info.PutVersionBlock(block);
        ResultTables tables;
        int table = tableForFile(file.name);
        Grid& grid = tables.GridLogiciel(table);
        grid.setCell(1, 0, sDescriptionCell(info.sFileDescription()));
        analyseInstallation(grid, 1, table, context, file, info);
        return { grid.cell(1, 0), grid.cell(1, 3) };
    }
    return { "<no such file>", "" };
}

std::string description(const std::string& fileDescription)
{
    return versionBlock({ { "FileDescription", fileDescription } });
}

using CapturedErrors = quarex::test::RecordingDialogue;

using quarex::test::CountingFileSystem;

class StringFile final : public ReadableFile {
public:
    explicit StringFile(std::string bytes)
        : m_bytes(std::move(bytes))
    {
    }
    std::uint64_t size() const override { return m_bytes.size(); }
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t length) override
    {
        if (offset >= m_bytes.size())
            return 0;
        std::size_t n = std::min<std::size_t>(length, m_bytes.size() - offset);
        std::copy_n(m_bytes.data() + offset, n, static_cast<char*>(buffer));
        return n;
    }

private:
    std::string m_bytes;
};

std::array<std::string, 2> linesOf(const std::string& bytes)
{
    StringFile file(bytes);
    return firstTwoLines(file);
}

} // namespace

TEST(SetupScripts, SetupLstWindowTitleWhenTheTitleIsEmpty)
{
    TempDir tmp;
    std::string dir = tmp.mkdir("JEU");
    tmp.write("JEU/SETUP.EXE", "MZ");
    tmp.write("JEU/SETUP.LST", "[Setup]\r\nTitle=\r\n[Params]\r\nWndTitle= Mon Jeu 2000 \r\n");
    EXPECT_EQ(analyse(dir, "SETUP.EXE").description, "Mon Jeu 2000");
    // A bootstrapper's own description gives way to the script.
    EXPECT_EQ(
        analyse(dir, "SETUP.EXE", description("Programme d'amorçage de l'installation")).description, "Mon Jeu 2000");
    EXPECT_EQ(analyse(dir, "SETUP.EXE", description("Microsoft MS-Setup Bootstrapper")).description, "Mon Jeu 2000");
    // Any other description is kept.
    EXPECT_EQ(analyse(dir, "SETUP.EXE", description("Installation de Mon Jeu")).description, "Installation de Mon Jeu");

    tmp.write("JEU/SETUP.LST", "[Setup]\r\nTitle=Le Titre\r\n[Params]\r\nWndTitle=Fenetre\r\n");
    EXPECT_EQ(analyse(dir, "SETUP.EXE").description, "Le Titre");
    tmp.write("JEU/SETUP.LST", "[Params]\r\n[Windows 95 Params]\r\nWndTitle=Pour Windows 95\r\n");
    EXPECT_EQ(analyse(dir, "SETUP.EXE").description, "Pour Windows 95");
}

TEST(SetupScripts, SiblingNamesMatchWithoutRegardToCase)
{
    TempDir tmp;
    std::string dir = tmp.mkdir("d");
    tmp.write("d/Install.exe", "MZ");
    tmp.write("d/setup.lst", "[setup]\r\ntitle=En minuscules\r\n");
    EXPECT_EQ(analyse(dir, "Install.exe").description, "En minuscules");

    std::string other = tmp.mkdir("e");
    tmp.write("e/prog.exe", "MZ");
    tmp.write("e/Readme.Txt", "Lisez-moi en casse mixte\r\n");
    EXPECT_EQ(analyse(other, "prog.exe").description, "Lisez-moi en casse mixte");
}

TEST(SetupScripts, SetupIniThenInstallInfWithoutSetupLst)
{
    TempDir tmp;
    std::string dir = tmp.mkdir("d");
    tmp.write("d/SETUP.EXE", "MZ");
    tmp.write("d/INSTALL.INF", "[INSTALL]\r\nAPPNAME=Depuis INSTALL.INF\r\n");
    EXPECT_EQ(analyse(dir, "SETUP.EXE").description, "Depuis INSTALL.INF");
    tmp.write("d/SETUP.INI", "[Startup]\r\nAppName=Depuis SETUP.INI\r\n");
    EXPECT_EQ(analyse(dir, "SETUP.EXE").description, "Depuis SETUP.INI");

    // SETUP.INI without AppName: INSTALL.INF is not consulted, the readme decides.
    tmp.write("d/SETUP.INI", "[Startup]\r\nOther=1\r\n");
    tmp.write("d/readme.txt", "Le readme\r\n");
    EXPECT_EQ(analyse(dir, "SETUP.EXE").description, "Le readme");
}

TEST(SetupScripts, InstallShieldDescriptionIsReplaced)
{
    TempDir tmp;
    std::string dir = tmp.mkdir("d");
    tmp.write("d/SETUP.EXE", "MZ");
    tmp.write("d/SETUP.INI", "[Startup]\r\nAppName=Nom de SETUP.INI\r\n");
    tmp.write("d/file_id.diz", "Super Utilitaire v2.0 (shareware)\r\nDeuxieme ligne\r\n");
    for (const char* text : { "InstallShield", "INSTALLSHIELD", "  installshield " })
        EXPECT_EQ(analyse(dir, "SETUP.EXE", description(text)).description, "Super Utilitaire v2.0 (shareware)")
            << text;

    std::string noDiz = tmp.mkdir("e");
    tmp.write("e/SETUP.EXE", "MZ");
    tmp.write("e/SETUP.LST", "[Setup]\r\nTitle=\r\n");
    tmp.write("e/SETUP.INI", "[Startup]\r\nAppName=Nom de SETUP.INI\r\n");
    EXPECT_EQ(analyse(noDiz, "SETUP.EXE", description("InstallShield")).description, "Nom de SETUP.INI");
    // With SETUP.INI present it decides, even empty; without it the readme files do.
    tmp.write("e/SETUP.INI", "");
    EXPECT_EQ(analyse(noDiz, "SETUP.EXE", description("InstallShield")).description, "InstallShield");
    std::filesystem::remove(noDiz + "/SETUP.INI");
    tmp.write("e/INSTALL.TXT", "Instructions d'installation\r\n");
    EXPECT_EQ(analyse(noDiz, "SETUP.EXE", description("InstallShield")).description, "Instructions d'installation");
}

TEST(Readmes, SeparatorLineGivesWayToTheSecondLine)
{
    TempDir tmp;
    std::string dir = tmp.mkdir("d");
    tmp.write("d/JEU.EXE", "MZ");
    tmp.write("d/readme.txt", "  ==========  \r\nLe vrai titre\r\n");
    EXPECT_EQ(analyse(dir, "JEU.EXE").description, "Le vrai titre");
    tmp.write("d/readme.txt", "=========\r\nLe vrai titre\r\n");
    EXPECT_EQ(analyse(dir, "JEU.EXE").description, "=========");
    tmp.write("d/readme.txt", "Titre ***************\r\nAutre\r\n");
    EXPECT_EQ(analyse(dir, "JEU.EXE").description, "Autre");
    tmp.write("d/readme.txt", "\r\nSous une ligne vide\r\n");
    EXPECT_EQ(analyse(dir, "JEU.EXE").description, "Sous une ligne vide");
    // lisezmoi.txt comes before readme.txt, file_id.diz before both.
    tmp.write("d/lisezmoi.txt", "Lisez-moi\n");
    EXPECT_EQ(analyse(dir, "JEU.EXE").description, "Lisez-moi");
    tmp.write("d/FILE_ID.DIZ", "La fiche\n");
    EXPECT_EQ(analyse(dir, "JEU.EXE").description, "La fiche");
}

TEST(Readmes, LinesAreDecodedCutAndTrimmed)
{
    TempDir tmp;
    std::string dir = tmp.mkdir("d");
    tmp.write("d/JEU.EXE", "MZ");
    tmp.write("d/readme.txt", "\tCaf\xe9\tcr\xe8me \r\n");
    EXPECT_EQ(analyse(dir, "JEU.EXE").description, "Café crème");
    tmp.write("d/readme.txt", "Déjà en UTF-8\n");
    EXPECT_EQ(analyse(dir, "JEU.EXE").description, "Déjà en UTF-8");
    std::string longLine = std::string(90, 'a') + "éééééééééé";
    tmp.write("d/readme.txt", longLine + "\n");
    EXPECT_EQ(analyse(dir, "JEU.EXE").description, std::string(90, 'a') + "ééééé");

    EXPECT_EQ(readmeLine("  a\tb  "), "a b");
    EXPECT_TRUE(isSeparatorLine("  ----------  "));
    EXPECT_TRUE(isSeparatorLine("x__________y"));
    EXPECT_TRUE(isSeparatorLine("##########"));
    EXPECT_FALSE(isSeparatorLine("-=-=-=-=-=-=-=-=-=-="));
    EXPECT_FALSE(isSeparatorLine("+++++++++++++"));
    EXPECT_FALSE(isSeparatorLine(""));
}

TEST(Readmes, FirstTwoLinesWhateverTheLineEndings)
{
    EXPECT_EQ(linesOf("one\r\ntwo\r\nthree"), (std::array<std::string, 2> { "one", "two" }));
    EXPECT_EQ(linesOf("one\ntwo"), (std::array<std::string, 2> { "one", "two" }));
    EXPECT_EQ(linesOf("one\rtwo\r"), (std::array<std::string, 2> { "one", "two" }));
    EXPECT_EQ(linesOf("\r\n\r\nthird"), (std::array<std::string, 2> { "", "" }));
    EXPECT_EQ(linesOf("only"), (std::array<std::string, 2> { "only", "" }));
    EXPECT_EQ(linesOf(""), (std::array<std::string, 2> { "", "" }));
    // A CR LF pair split between two reads is one line ending.
    std::string first(4095, 'x');
    EXPECT_EQ(linesOf(first + "\r\nsecond\r\n"), (std::array<std::string, 2> { first, "second" }));
    // A very long first line is kept in part, and the second line is still found.
    std::string huge = std::string(20000, 'y');
    auto lines = linesOf(huge + "\nafter\n");
    EXPECT_EQ(lines[1], "after");
    EXPECT_EQ(lines[0].substr(0, 100), huge.substr(0, 100));
    // A kept part never ends in the middle of a UTF-8 character.
    std::string accents;
    for (int i = 0; i < 3000; ++i)
        accents += "é";
    lines = linesOf("x" + accents + "\nz");
    EXPECT_TRUE(isValidUtf8(lines[0]));
    EXPECT_EQ(readmeLine(lines[0]), "x" + accents.substr(0, 94 * 2));
}

TEST(Rows, ArchiveKeepsItsSizeAndDate)
{
    TempDir tmp;
    std::string dir = tmp.mkdir("d");
    tmp.write("d/ARCHIVE.ZIP", std::string(1500, 'z'));
    tmp.write("d/PETIT.ZIP", "PK");
    EXPECT_EQ(analyse(dir, "ARCHIVE.ZIP").description, "1");
    EXPECT_EQ(analyse(dir, "PETIT.ZIP").description, "2 octets");
    EXPECT_EQ(analyse(dir, "PETIT.ZIP").version.size(), 10u); // dd/mm/yyyy
    // Readme files and logiciel.txt beside it change nothing.
    tmp.write("d/readme.txt", "Un readme\r\n");
    tmp.write("d/logiciel.txt", "Nom : X\r\nVersion : 9.9\r\n");
    EXPECT_EQ(analyse(dir, "ARCHIVE.ZIP").description, "1");
    EXPECT_NE(analyse(dir, "ARCHIVE.ZIP").version, "9.9");
}

TEST(Rows, VersionFromLogicielTxt)
{
    TempDir tmp;
    std::string dir = tmp.mkdir("d");
    tmp.write("d/JEU.EXE", "MZ");
    tmp.write("d/logiciel.txt", "Nom : Mon Jeu\r\nVersion : 2.1b\r\n");
    EXPECT_EQ(analyse(dir, "JEU.EXE", versionBlock({ { "FileVersion", "0" } })).version, "2.1b");
    EXPECT_EQ(analyse(dir, "JEU.EXE").version, "2.1b");
    EXPECT_EQ(analyse(dir, "JEU.EXE", versionBlock({ { "FileVersion", "1.0" } })).version, "1.0");

    EXPECT_EQ(versionFromLogicielLine("Version : 3.0"), "3.0");
    EXPECT_EQ(versionFromLogicielLine("Version: 3.0 beta"), "3.0 beta");
    EXPECT_EQ(versionFromLogicielLine("Version :3.0"), "3.0");
    EXPECT_EQ(versionFromLogicielLine("3.0"), "3.0");
}

TEST(Rows, ProductNameOfTheFirstFileWithoutReadme)
{
    TempDir tmp;
    std::string dir = tmp.mkdir("d");
    tmp.write("d/A.EXE", "MZ");
    tmp.write("d/B.EXE", "MZ");
    EXPECT_EQ(analyse(dir, "A.EXE", versionBlock({ { "ProductName", "Super Produit" } })).description, "Super Produit");
    // B's own product name plays no part: the first file of the list (A, without a version block) decides.
    EXPECT_EQ(analyse(dir, "B.EXE", versionBlock({ { "ProductName", "Autre" } })).description,
        "Ne contient pas de nom produit.");
    // An empty or separator-only final description falls back on the file's own description.
    tmp.write("d/SETUP.LST", "[Setup]\r\nTitle=**********\r\n");
    EXPECT_EQ(analyse(dir, "B.EXE").description, "");
    tmp.write("d/SETUP.LST", "[Setup]\r\nTitle=0\r\n");
    EXPECT_EQ(analyse(dir, "B.EXE", description(std::string(60, 'd'))).description, std::string(60, 'd') + "...");
}

TEST(Rows, UnreadableSiblingIsReportedOnceAndTheAnalysisGoesOn)
{
    TempDir tmp;
    std::string dir = tmp.mkdir("d");
    for (const char* name : { "A.EXE", "B.EXE", "C.EXE" })
        tmp.write(std::string("d/") + name, "MZ");
    // A named pipe is listed like a file but cannot be read as one.
    ASSERT_EQ(::mkfifo((dir + "/readme.txt").c_str(), 0644), 0);
    tmp.write("d/logiciel.txt", "Nom\r\nVersion : 4.0\r\n");
    CapturedErrors errors;
    ResultTables tables;
    ScanEngine engine(tables);
    engine.scan(dir);
    ASSERT_EQ(errors.errors.size(), 1u);
    EXPECT_NE(errors.errors[0].find("readme.txt"), std::string::npos);
    // What is wrong with it: not its permissions, its kind.
    EXPECT_NE(errors.errors[0].find("not a regular file"), std::string::npos) << errors.errors[0];
    EXPECT_EQ(errors.errors[0].find("Permission denied"), std::string::npos) << errors.errors[0];
    const Grid& grid = tables.GridLogiciel(TableExecutables);
    ASSERT_EQ(grid.Rows(), 4);
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(grid.cell(r, 0), "");
        EXPECT_EQ(grid.cell(r, 3), "4.0");
    }

    // A folder named like a readme file is no readme file.
    std::string other = tmp.mkdir("e/readme.txt");
    tmp.write("e/X.EXE", "MZ");
    EXPECT_EQ(analyse(tmp.str() + "/e", "X.EXE").description, "Ne contient pas de nom produit.");
}

TEST(Rows, SiblingsAreReadOncePerDirectory)
{
    MemoryFileSystem memory;
    for (int i = 0; i < 50; ++i)
        memory.addFile("/cd/JEUX/PROG" + std::to_string(i) + ".EXE", "MZ");
    memory.addFile("/cd/JEUX/SETUP.EXE", "MZ");
    memory.addFile("/cd/JEUX/ARCHIVE.ZIP", "PK");
    memory.addFile("/cd/JEUX/SETUP.LST", "[Setup]\r\nTitle=\r\n");
    memory.addFile("/cd/JEUX/README.TXT", "Jeux en folie\r\n");
    memory.addFile("/cd/JEUX/LOGICIEL.TXT", "Nom\r\nVersion : 1.5\r\n");
    memory.addFile("/cd/AUTRE/OUTIL.EXE", "MZ");
    memory.addFile("/cd/AUTRE/README.TXT", "Un outil\r\n");
    CountingFileSystem counting(memory);
    ResultTables tables;
    ScanEngine engine(tables, counting);
    engine.scan("/cd");

    EXPECT_EQ(counting.opens["SETUP.LST"], 1);
    EXPECT_EQ(counting.opens["README.TXT"], 2); // once in each directory
    EXPECT_EQ(counting.opens["LOGICIEL.TXT"], 1);
    const Grid& programs = tables.GridLogiciel(TableExecutables);
    ASSERT_EQ(programs.Rows(), 52);
    int jeux = 0;
    for (int r = 1; r < programs.Rows(); ++r) {
        if (programs.cell(r, 1) == " /cd/Jeux") {
            ++jeux;
            EXPECT_EQ(programs.cell(r, 0), "Jeux en folie");
            EXPECT_EQ(programs.cell(r, 3), "1.5");
        } else {
            EXPECT_EQ(programs.cell(r, 0), "Un outil");
        }
    }
    EXPECT_EQ(jeux, 50);
    EXPECT_EQ(tables.GridLogiciel(TableInstall).cell(1, 0), "Jeux en folie");
    EXPECT_EQ(tables.GridLogiciel(TableArchives).cell(1, 0), "2 octets");
}

TEST(Rows, FirstFileProductNameComesFromItsOwnRowAndNeverFromAnArchive)
{
    using namespace quarex::test;
    auto withProduct = [](const std::string& product) {
        PeBuilder pe;
        pe.add(16, 1, 0x040C,
            versionBlock32({ { "040C04E4",
                { string32("FileDescription", "Description " + product), string32("ProductName", product) } } }));
        return pe.build();
    };
    // The first program describes itself; the others fall back on its product name.
    MemoryFileSystem memory;
    memory.addFile("/cd/PROD/A.EXE", withProduct("Produit A"));
    memory.addFile("/cd/PROD/B.EXE", "MZ" + std::string(200, '\0'));
    memory.addFile("/cd/PROD/C.EXE", "MZ" + std::string(200, '\0'));
    // An archive first in its folder, whose bytes would even pass for a program with a product name.
    memory.addFile("/cd/ZIPS/A.ZIP", withProduct("Pas un programme"));
    memory.addFile("/cd/ZIPS/B.EXE", "MZ" + std::string(200, '\0'));
    CountingFileSystem counting(memory);
    ResultTables tables;
    ScanEngine engine(tables, counting);
    engine.scan("/cd");

    std::map<std::string, std::string> described;
    const Grid& programs = tables.GridLogiciel(TableExecutables);
    for (int r = 1; r < programs.Rows(); ++r)
        described[programs.cell(r, 1) + programs.cell(r, 2)] = programs.cell(r, 0);
    EXPECT_EQ(described[" /cd/Prod A.exe"], "Description Produit A");
    EXPECT_EQ(described[" /cd/Prod B.exe"], "Produit A");
    EXPECT_EQ(described[" /cd/Prod C.exe"], "Produit A");
    EXPECT_EQ(described[" /cd/Zips B.exe"], "Ne contient pas de nom produit.");
    EXPECT_EQ(counting.opens["A.EXE"], counting.opens["C.EXE"]) << "the first program is read for its own row only";
    EXPECT_EQ(counting.opens["A.ZIP"], 0) << "an archive is never read as a program";
}

TEST(Rows, SiblingLookupPrefersTheExactNameThenTheFirstInAnotherCase)
{
    MemoryFileSystem memory;
    memory.addFile("/d/Readme.txt", "1");
    memory.addFile("/d/README.TXT", "2");
    memory.addFile("/d/readme.txt.bak", "3");
    memory.addFile("/d/Lisez\xc3\xa9.txt", "4");
    auto dir = memory.openDirectory("/d");
    ASSERT_TRUE(dir);
    DirectoryContext context("/d", *dir);
    ASSERT_NE(context.findSibling("README.TXT"), nullptr);
    EXPECT_EQ(*context.findSibling("README.TXT"), "README.TXT");
    EXPECT_EQ(*context.findSibling("readme.txt"), "Readme.txt");
    EXPECT_EQ(context.findSibling("readme.tx"), nullptr);
    ASSERT_NE(context.findSibling("LISEZ\xc3\x89.TXT"), nullptr);
    EXPECT_EQ(*context.findSibling("LISEZ\xc3\x89.TXT"), "Lisez\xc3\xa9.txt");

    EXPECT_FALSE(equalsNoCase("setup.exe", "SETUP.EXEX"));
    EXPECT_FALSE(equalsNoCase("setup.exe", "SETUP.EX\xc3\x89"));
    EXPECT_TRUE(equalsNoCase("caf\xc3\xa9", "CAF\xc3\x89"));
}

TEST(Rows, EmptyProductNameStaysEmptyAndOnlyAMissingOneGetsTheMessage)
{
    TempDir tmp;
    std::string dir = tmp.mkdir("d");
    tmp.write("d/A.EXE", "MZ");
    EXPECT_EQ(analyse(dir, "A.EXE", versionBlock({ { "ProductName", "" } })).description, "");
    EXPECT_EQ(analyse(dir, "A.EXE", versionBlock({ { "ProductName", "   " } })).description, "");
    EXPECT_EQ(analyse(dir, "A.EXE", versionBlock({ { "CompanyName", "Durand" } })).description,
        "Ne contient pas de nom produit.");
    // The empty value of the first file of the list decides for the others too.
    tmp.write("d/B.EXE", "MZ");
    EXPECT_EQ(analyse(dir, "B.EXE", versionBlock({ { "ProductName", "Autre" } })).description,
        "Ne contient pas de nom produit.");
}

TEST(Rows, ControlCharactersFromTheDiscBecomeBlanksInEveryCell)
{
    TempDir tmp;
    std::string disc = tmp.mkdir("cd");
    std::string folder = tmp.mkdir(std::string("cd/T\x1b]0;pirate\x07"));
    tmp.write(std::string("cd/T\x1b]0;pirate\x07/JEU\x1b.EXE"), "MZ");
    tmp.write(std::string("cd/T\x1b]0;pirate\x07/readme.txt"), std::string("Jeu\0de\x1b[31m dames\r\n", 19));
    tmp.write("cd/LOGICIEL.ZIP", "PK");
    std::string other = tmp.mkdir("cd/U");
    tmp.write("cd/U/SETUP.EXE", "MZ");
    tmp.write("cd/U/SETUP.INI",
        std::string("[Startup]\r\nAppName=Mots\x0c"
                    "crois\xe9s\x81\r\n"));
    ResultTables tables;
    ScanEngine engine(tables);
    engine.scan(disc);

    const Grid& exes = tables.GridLogiciel(TableExecutables);
    ASSERT_EQ(exes.Rows(), 2);
    EXPECT_EQ(exes.cell(1, 0), "Jeu de [31m dames");
    EXPECT_EQ(exes.cell(1, 1), " " + disc + "/T ]0;pirate ");
    EXPECT_EQ(exes.cell(1, 2), " Jeu .exe");
    // The real path keeps the bytes on disk.
    EXPECT_EQ(exes.rowPath(1), folder + "/JEU\x1b.EXE");
    // A byte undefined in Windows-1252 goes into the export as it was read.
    const Grid& setups = tables.GridLogiciel(TableInstall);
    EXPECT_EQ(utf8ToCp1252(setups.cell(1, 0)), "Mots crois\xe9s\x81");
    for (int t = 0; t < TableCount; ++t)
        for (int r = 0; r < tables.GridLogiciel(t).Rows(); ++r)
            for (int c = 0; c < 4; ++c)
                for (char ch : tables.GridLogiciel(t).cell(r, c))
                    EXPECT_FALSE(static_cast<unsigned char>(ch) < 0x20) << t << " " << r << " " << c;
}
