// quarex-scan --html: the report written without the window, options from a settings file.
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using quarex::test::readFile;
using quarex::test::TempDir;

namespace {

int runScan(const std::string& args)
{
    return quarex::test::runCommand(std::string(QUAREX_SCAN_BINARY) + " " + args + " >/dev/null 2>&1").status;
}

struct Disc {
    TempDir tmp;
    std::string root;
    std::string out;
    Disc()
    {
        root = tmp.mkdir("cd");
        out = tmp.mkdir("out");
        tmp.write("cd/JEUX/SETUP.EXE", "MZ");
        tmp.write("cd/JEUX/file_id.diz", "Jeu de cartes\r\nhttp://jeux.fr\r\n");
        tmp.write("cd/OUTILS.ZIP", "PK");
        tmp.write("cd/readme.txt", "Outils");
        tmp.write("settings.ini", "[html]\r\nhtml_entete=-1\r\nhtml_fin=-1\r\nhtml_titre=Mon disque\r\n");
    }
};

} // namespace

TEST(HtmlCommand, WritesTheThreePagesWithTheSavedOptions)
{
    Disc d;
    ASSERT_EQ(
        runScan("--html '" + d.out + "/rapport.htm' --settings '" + d.tmp.str() + "/settings.ini' '" + d.root + "'"),
        0);
    std::string frames = readFile(d.out + "/rapport.htm");
    std::string tables = readFile(d.out + "/rapport_tableaux.htm");
    std::string data = readFile(d.out + "/rapport_donnees.htm");
    EXPECT_NE(frames.find("r\xE9pertoire : " + d.root + "</TITLE>"), std::string::npos) << frames;
    EXPECT_NE(frames.find("SRC=\"rapport_tableaux.htm\" NAME=\"table\""), std::string::npos);
    EXPECT_NE(tables.find("<TITLE>Mon disque</TITLE>"), std::string::npos);
    EXPECT_NE(data.find("<TITLE>Mon disque</TITLE>"), std::string::npos);
    EXPECT_NE(tables.find("#SETUPINSTALL\""), std::string::npos);
    EXPECT_NE(tables.find("#ZIP\""), std::string::npos);
    EXPECT_EQ(tables.find("#EXECUTBALE\""), std::string::npos);
    EXPECT_EQ(tables.size() - tables.rfind("</BODY>\r\n</HTML>\r\n"), 18u);
    EXPECT_NE(data.find("Jeu de cartes<BR> <A HREF=\"http://jeux.fr\">http://jeux.fr</A>"), std::string::npos);
    EXPECT_NE(data.find("<KBD>\r\nOutils\r\n</KBD>"), std::string::npos);
}

TEST(HtmlCommand, OneTableAndBadDestinations)
{
    Disc d;
    ASSERT_EQ(runScan("--html '" + d.out + "/z.htm' --table 2 --no-drive --settings '" + d.tmp.str() + "/absent.ini' '"
                  + d.root + "'"),
        0);
    std::string tables = readFile(d.out + "/z_tableaux.htm");
    EXPECT_EQ(tables.find("SETUPINSTALL"), std::string::npos);
    EXPECT_NE(tables.find("#ZIP\""), std::string::npos);
    // No settings file: every option off, so no header.
    EXPECT_EQ(tables.rfind("<CENTER><H3>", 0), 0u);
    // A path without a drive letter is kept whole.
    EXPECT_NE(tables.find(">" + d.root + "</A></TD>"), std::string::npos);

    EXPECT_EQ(runScan("--html '" + d.out + "/absent/z.htm' '" + d.root + "'"), 1);
    EXPECT_FALSE(std::filesystem::exists(d.out + "/absent"));
    EXPECT_EQ(runScan("'" + d.root + "' --html"), 2);
}
