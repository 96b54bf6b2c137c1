// Runs the quarex-scan program itself: arguments, exit status, output forms.
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
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
