// Runs the quarex-scan program itself: arguments, exit status, output forms.
#include "support/test_support.h"
#include "text/text.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <filesystem>
#include <map>
#include <sstream>
#include <sys/stat.h>

using quarex::test::TempDir;

namespace {

using ScanRun = quarex::test::CommandRun;

ScanRun runScan(const std::string& args)
{
    return quarex::test::runCommand(std::string(QUAREX_SCAN_BINARY) + " " + args + " 2>/dev/null");
}

} // namespace

TEST(QuarexScan, BadArgumentsAndMissingDirectoryGiveStatusTwo)
{
    EXPECT_EQ(runScan("").status, 2);
    EXPECT_EQ(runScan("--format xml /tmp").status, 2);
    EXPECT_EQ(runScan("--table 3 /tmp").status, 2);
    EXPECT_EQ(runScan("--bogus /tmp").status, 2);
    EXPECT_EQ(runScan("/no/such/directory/here").status, 2);
    ScanRun help = runScan("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--format"), std::string::npos);
}

TEST(QuarexScan, WritesTablesInEachFormAndJsonLines)
{
    TempDir tmp;
    tmp.write("disc/JEUX/SETUP.EXE", "MZ");
    tmp.write("disc/JEUX/jeu.exe", "MZ");
    std::string raw = "caf\xe9.zip";
    tmp.write("disc/" + raw, "PK");
    std::string disc = tmp.str() + "/disc";

    ScanRun txt = runScan("--format txt --table 0 " + disc);
    ASSERT_EQ(txt.status, 0);
    // No version block and no readme beside it: the description is the first file's missing product name.
    EXPECT_EQ(txt.out,
        "\" Description\"\t\" Emplacement\"\t\" Fichier\"\t\" Version\"\r\n\"Ne contient pas de nom produit.\"\t\" "
            + disc + "/Jeux\"\t\" Setup.exe\"\t\"\"\r\n");

    ScanRun all = runScan("--format csv " + disc);
    ASSERT_EQ(all.status, 0);
    // Three tables one after another, each with its header line; the name is written in Windows-1252.
    EXPECT_NE(all.out.find("\" Taille en Ko\""), std::string::npos);
    EXPECT_NE(all.out.find("\" Caf\xe9.zip\""), std::string::npos);

    ScanRun jsonl = runScan("--format jsonl " + disc);
    ASSERT_EQ(jsonl.status, 0);
    std::istringstream lines(jsonl.out);
    std::string line;
    std::vector<nlohmann::json> rows;
    while (std::getline(lines, line))
        rows.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["table"], 0);
    EXPECT_EQ(rows[0]["cells"][2], " Setup.exe");
    EXPECT_EQ(rows[0]["path"], disc + "/JEUX/SETUP.EXE");
    EXPECT_EQ(rows[1]["table"], 1);
    EXPECT_EQ(rows[2]["cells"][2], " Café.zip");
    EXPECT_EQ(rows[2]["cells"][0], "2 octets");

    std::string outFile = tmp.str() + "/out.prn";
    ScanRun toFile = runScan("--format prn --table 1 -o " + outFile + " " + disc);
    EXPECT_EQ(toFile.status, 0);
    EXPECT_EQ(quarex::test::readFile(outFile),
        " Description  Emplacement  Fichier  Version\r\nNe contient pas de nom produit.  " + disc
            + "/Jeux  Jeu.exe \r\n");
    EXPECT_EQ(runScan("-o /no/such/dir/x.csv " + disc).status, 1);
}

namespace {

// Runs quarex-scan as on a full disc: no file may grow beyond `blocks` blocks of 512 bytes.
ScanRun runScanOnFullDisc(const std::string& args, int blocks)
{
    return quarex::test::runCommand("trap '' XFSZ; ulimit -f " + std::to_string(blocks) + "; "
        + std::string(QUAREX_SCAN_BINARY) + " " + args + " 2>/dev/null");
}

std::size_t entriesIn(const std::string& dir)
{
    std::size_t n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

} // namespace

TEST(QuarexScan, OutputFilesSurviveAFailedWrite)
{
    TempDir tmp;
    for (int i = 0; i < 40; ++i)
        tmp.write("disc/PROG" + std::to_string(i) + "/SETUP.EXE", "MZ");
    std::string disc = tmp.str() + "/disc";
    std::string outDir = tmp.mkdir("out");
    const std::string oldTable = "old table, kept whole\r\n";
    std::string csv = tmp.write("out/tables.csv", oldTable);

    ScanRun failed = runScanOnFullDisc("-o " + csv + " " + disc, 2);
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(quarex::test::readFile(csv), oldTable);

    // The three pages of a report: none of the old ones is touched when one cannot be written.
    std::string page = outDir + "/rapport.htm";
    std::string tablesPage = outDir + "/rapport_tableaux.htm";
    std::string dataPage = outDir + "/rapport_donnees.htm";
    for (const std::string& p : { page, tablesPage, dataPage })
        tmp.write("out/" + std::filesystem::path(p).filename().string(), "old page " + p);
    failed = runScanOnFullDisc("--html " + page + " " + disc, 2);
    EXPECT_EQ(failed.status, 1);
    for (const std::string& p : { page, tablesPage, dataPage })
        EXPECT_EQ(quarex::test::readFile(p), "old page " + p);
    // No temporary file is left beside them.
    EXPECT_EQ(entriesIn(outDir), 4u);

    // With room enough, the same commands replace the old files.
    EXPECT_EQ(runScan("-o " + csv + " " + disc).status, 0);
    EXPECT_NE(quarex::test::readFile(csv).find("Setup.exe"), std::string::npos);
    EXPECT_EQ(runScan("--html " + page + " " + disc).status, 0);
    EXPECT_NE(quarex::test::readFile(tablesPage).find("Setup.exe"), std::string::npos);
    EXPECT_EQ(entriesIn(outDir), 4u);
}

TEST(QuarexScan, JsonLinesKeepTheBytesOfNamesThatAreNotUtf8)
{
    TempDir tmp;
    // The same name in Windows-1252 and in UTF-8: two files that must stay two.
    std::string latin = "caf\xe9.zip";
    std::string utf8 = "caf\xc3\xa9.zip";
    tmp.write("disc/" + latin, "PK");
    tmp.write("disc/" + utf8, "PK");
    std::string disc = tmp.str() + "/disc";

    ScanRun jsonl = runScan("--format jsonl --table 2 " + disc);
    ASSERT_EQ(jsonl.status, 0);
    std::istringstream lines(jsonl.out);
    std::map<std::string, nlohmann::json> byBytes;
    for (std::string line; std::getline(lines, line);) {
        nlohmann::json row = nlohmann::json::parse(line);
        std::string raw = row.contains("path_bytes") ? "b64:" + row["path_bytes"].get<std::string>()
                                                     : row["path"].get<std::string>();
        byBytes[raw] = row;
    }
    ASSERT_EQ(byBytes.size(), 2u);
    // A UTF-8 name is given as it is, without its bytes.
    ASSERT_TRUE(byBytes.count(disc + "/" + utf8));
    // The other one carries its exact bytes, and a readable path.
    std::string key = "b64:" + quarex::base64Encode(disc + "/" + latin);
    ASSERT_TRUE(byBytes.count(key));
    EXPECT_EQ(byBytes[key]["path"], disc + "/caf\xc3\xa9.zip");
}

TEST(QuarexScan, MissingSettingsFileIsSaidAndTheDefaultsApply)
{
    TempDir tmp;
    tmp.write("disc/SETUP.EXE", "MZ");
    std::string disc = tmp.str() + "/disc";
    std::string page = tmp.str() + "/r.htm";
    quarex::test::CommandRun run = quarex::test::runCommand(std::string(QUAREX_SCAN_BINARY) + " --html " + page
        + " --settings " + tmp.str() + "/absent.ini " + disc + " 2>&1 >/dev/null");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("absent.ini"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("introuvable"), std::string::npos) << run.out;
    EXPECT_NE(quarex::test::readFile(tmp.str() + "/r_tableaux.htm").find("Setup.exe"), std::string::npos);

    // An existing settings file is used without a word.
    std::string settings = tmp.write("s.ini", "[html]\r\nhtml_entete=0\r\n");
    run = quarex::test::runCommand(std::string(QUAREX_SCAN_BINARY) + " --html " + page + " --settings " + settings
        + " " + disc + " 2>&1 >/dev/null");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
}

TEST(QuarexScan, FolderThatCannotBeOpenedGivesStatusThreeAndALineOnStandardError)
{
    TempDir tmp;
    std::string chain = "disc";
    for (int i = 0; i < 40; ++i)
        chain += "/a";
    tmp.write(chain + "/deep.exe", "MZ");
    tmp.write("disc/top.exe", "MZ");
    std::string disc = tmp.str() + "/disc";

    // With few descriptors allowed, the folders past the first few cannot be opened.
    quarex::test::CommandRun partial = quarex::test::runCommand(
        "ulimit -n 16; " + std::string(QUAREX_SCAN_BINARY) + " --format csv '" + disc + "' 2>&1 >/dev/null");
    EXPECT_EQ(partial.status, 3);
    EXPECT_NE(partial.out.find("quarex-scan : Répertoire illisible : " + disc + "/A/A"), std::string::npos);
    EXPECT_NE(partial.out.find("(trop de fichiers ouverts)"), std::string::npos);

    // The rows that could be read are written all the same.
    quarex::test::CommandRun rows
        = quarex::test::runCommand("ulimit -n 16; " + std::string(QUAREX_SCAN_BINARY) + " --format csv '" + disc + "'");
    EXPECT_EQ(rows.status, 3);
    EXPECT_NE(rows.out.find("\" Top.exe\""), std::string::npos);
    EXPECT_EQ(rows.out.find("\" Deep.exe\""), std::string::npos);

    EXPECT_EQ(runScan("--format csv '" + disc + "'").status, 0);
}

TEST(QuarexScan, NamesFromTheDiscCannotDriveTheTerminal)
{
    // The progress line is only written to a terminal: `script` gives the program one.
    if (quarex::test::runCommand("command -v script").status != 0)
        GTEST_SKIP() << "no script command to give the program a terminal";
    TempDir tmp;
    std::string folder = "disc/A\x1b]0;pirate\x07";
    tmp.write(folder + "/X.EXE", "MZ");
    tmp.mkdir(folder + "/SOUS/DOSSIER");
    // An unreadable readme is reported on standard error with its folder's name.
    ASSERT_EQ(::mkfifo((tmp.str() + "/" + folder + "/readme.txt").c_str(), 0644), 0);
    ScanRun run = quarex::test::runCommand(
        "script -qec '" + std::string(QUAREX_SCAN_BINARY) + " " + tmp.str() + "/disc -o /dev/null' /dev/null");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Exploration du r\xc3\xa9pertoire : " + tmp.str() + "/disc/A\\x1B]0;pirate\\x07"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("/disc/A\\x1B]0;pirate\\x07/readme.txt"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("\x1b]"), std::string::npos);
    EXPECT_EQ(run.out.find('\x07'), std::string::npos);
}
