// Runs the quarex-scan program itself: arguments, exit status, output forms.
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

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
