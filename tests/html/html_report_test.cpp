#include "html/html_report.h"

#include "html/lib_html.h"
#include "messages/messages.h"
#include "text/text.h"
#include "exe/exe_builder.h"
#include "support/html_markup.h"
#include "support/recording_dialogue.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <sstream>

using namespace quarex;
using quarex::test::readFile;
using quarex::test::TempDir;

namespace {

using ScriptedDialogue = quarex::test::RecordingDialogue;

// The last choice offered: its question, then its options (the third "" when there were two).
std::vector<std::string> choiceOptions(const ScriptedDialogue& d)
{
    const ScriptedDialogue::Shown* choice = d.last("choice");
    if (!choice)
        return {};
    std::vector<std::string> options { choice->text };
    options.insert(options.end(), choice->details.begin(), choice->details.end());
    options.resize(4);
    return options;
}

void fillRow(Grid& g, int r, std::initializer_list<std::string> cells, const std::string& realPath)
{
    int c = 0;
    for (const auto& text : cells)
        g.setCell(r, c++, text);
    g.setRowPath(r, realPath);
}

// The tables after a scan that found nothing, then one ZIP row written by hand.
struct OneZip {
    TempDir tmp;
    ResultTables tables;
    OneZip()
    {
        InitTitresTableaux(tables);
        std::string folder = tmp.mkdir("R");
        tmp.write("R/OUTILS.ZIP", "PK");
        tmp.write("R/readme.txt", readFile(std::string(QUAREX_TEST_DATA) + "/html/worked_example/readme.txt"));
        fillRow(tables.GridLogiciel(2), 1, { "12", " C:\\R", " Outils.zip", "01/02/1998" }, folder + "/OUTILS.ZIP");
    }
};

std::string lines(std::initializer_list<const char*> list)
{
    std::string out;
    for (const char* l : list)
        out += std::string(l) + "\r\n";
    return out;
}

} // namespace

TEST(HtmlReport, WorkedExampleMatchesTheExpectedPages)
{
    OneZip z;
    HtmlReportRequest request;
    request.fileName = z.tmp.str() + "/LISTE.htm";
    request.table = 2;
    request.directory = "C:\\";
    DetailsSource source { nativeFileSystem(), "" };
    ASSERT_TRUE(writeHtmlReport(z.tables, request, source));

    std::string expected = std::string(QUAREX_TEST_DATA) + "/html/worked_example/";
    for (const char* name : { "LISTE.htm", "LISTE_tableaux.htm", "LISTE_donnees.htm" })
        EXPECT_EQ(readFile(z.tmp.str() + "/" + name), readFile(expected + name)) << name;
    EXPECT_EQ(z.tables.GridLogiciel(2).Row(), 1);
}

TEST(HtmlReport, EmptyTablesAreLeftOutOfBothPages)
{
    OneZip z;
    HtmlReportRequest request;
    request.fileName = z.tmp.str() + "/tout.htm";
    DetailsSource source { nativeFileSystem(), "" };
    std::vector<int> shown;
    ASSERT_TRUE(writeHtmlReport(z.tables, request, source, [&](int t) { shown.push_back(t); }));
    EXPECT_EQ(shown, (std::vector<int> { 0, 1, 2 }));

    // Tables 0 and 1 hold only their blank row: no heading, no link, no table.
    std::string expected = std::string(QUAREX_TEST_DATA) + "/html/worked_example/";
    std::string tablesPage = readFile(z.tmp.str() + "/tout_tableaux.htm");
    std::string data = readFile(z.tmp.str() + "/tout_donnees.htm");
    EXPECT_EQ(tablesPage, replaceAll(readFile(expected + "LISTE_tableaux.htm"), "LISTE_", "tout_"));
    EXPECT_EQ(data, readFile(expected + "LISTE_donnees.htm"));
    EXPECT_EQ(tablesPage.find("SETUPINSTALL"), std::string::npos);
    EXPECT_EQ(data.find("EXECUTBALE"), std::string::npos);
}

TEST(HtmlReport, RowWithoutOfferedTextIsPlainPathAndHeaderFooterFollowOptions)
{
    TempDir tmp;
    ResultTables tables;
    InitTitresTableaux(tables);
    std::string folder = tmp.mkdir("JEUX");
    tmp.write("JEUX/JEU.EXE", "MZ");
    tmp.write("JEUX/notes.doc", "d");
    tmp.write("JEUX/SETUP.EXE", "MZ");
    Grid& exes = tables.GridLogiciel(1);
    fillRow(exes, 1, { "Un jeu", " D:\\JEUX", " Jeu.exe", "1.0" }, folder + "/JEU.EXE");

    HtmlReportRequest request;
    request.fileName = tmp.str() + "/r.htm";
    request.keepDriveLetter = false;
    request.options.entete = true;
    request.options.fin = true;
    request.options.titre = true;
    DetailsSource source { nativeFileSystem(), "" };
    ASSERT_TRUE(writeHtmlReport(tables, request, source));

    std::string tablesPage = readFile(tmp.str() + "/r_tableaux.htm");
    std::string data = readFile(tmp.str() + "/r_donnees.htm");
    HtmlOptions o = request.options;
    EXPECT_EQ(tablesPage.rfind(utf8ToCp1252(sEnteteHTML(o, std::string("Tableaux des fichiers"))) + "\r\n", 0), 0u);
    EXPECT_EQ(data.rfind(utf8ToCp1252(sEnteteHTML(o, std::string("Liste des données"))) + "\r\n", 0), 0u);
    EXPECT_NE(data.find("<TITLE>Liste des donn&eacute;es</TITLE>"), std::string::npos);
    EXPECT_NE(tablesPage.find(lines({ "<P><TR>", "<TD>Un jeu</TD>", "<TD>\\JEUX</TD>", "<TD> Jeu.exe</TD>",
                  "<TD>1.0</TD>", "</TR>", "</TABLE></P>", "</BODY>", "</HTML>" })),
        std::string::npos)
        << tablesPage;
    EXPECT_EQ(tablesPage.size() - tablesPage.rfind("</HTML>\r\n"), 9u);
    EXPECT_EQ(data.find("<KBD>"), std::string::npos);
    EXPECT_NE(data.find("</H3></CENTER>\r\n<BR><HR SIZE=4>\r\n"), std::string::npos);
    EXPECT_EQ(data.find("</HTML>"), std::string::npos);
}

TEST(HtmlReport, DiscTextIsEscapedBeforeItBecomesHtml)
{
    TempDir tmp;
    ResultTables tables;
    InitTitresTableaux(tables);
    std::string folder = tmp.mkdir("x</TABLE>y");
    tmp.write("x</TABLE>y/<script>.exe", "MZ");
    tmp.write("x</TABLE>y/readme.txt",
        "<script>alert(1)</script>\r\nAppuyez sur <Entr\xE9"
        "e> & \"ok\"\r\n");
    Grid& exes = tables.GridLogiciel(1);
    fillRow(exes, 1, { "<b>desc</b>", " " + folder, " <script>.exe", "<i>" }, folder + "/<script>.exe");

    HtmlReportRequest request;
    request.fileName = tmp.str() + "/h.htm";
    request.directory = "/cd/<frameset>";
    DetailsSource source { nativeFileSystem(), "" };
    ASSERT_TRUE(writeHtmlReport(tables, request, source));
    std::string tablesPage = readFile(tmp.str() + "/h_tableaux.htm");
    std::string data = readFile(tmp.str() + "/h_donnees.htm");
    std::string frames = readFile(tmp.str() + "/h.htm");

    for (const std::string* page : { &tablesPage, &data, &frames }) {
        EXPECT_EQ(page->find("<script"), std::string::npos);
        EXPECT_EQ(page->find("</TABLE>y"), std::string::npos);
        EXPECT_EQ(page->find("<b>"), std::string::npos);
        EXPECT_EQ(page->find("<frameset"), std::string::npos);
    }
    EXPECT_NE(tablesPage.find("<TD>&lt;b&gt;desc&lt;/b&gt;</TD>"), std::string::npos);
    EXPECT_NE(tablesPage.find("<TD> &lt;script&gt;.exe</TD>"), std::string::npos);
    EXPECT_NE(data.find("&lt;script&gt;alert(1)&lt;/script&gt;<BR>Appuyez sur &lt;Entr&eacute;e&gt; &amp; "
                        "&quot;ok&quot;\r\n"),
        std::string::npos)
        << data;
    EXPECT_NE(frames.find("r\xE9pertoire : /cd/&lt;frameset&gt;</TITLE>"), std::string::npos);
    // Exactly one table per written table on the tables page, one per details block on the other.
    auto count = [](const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count(tablesPage, "</TABLE>"), 1u);
    EXPECT_EQ(count(data, "</TABLE>"), 1u);
}

TEST(HtmlReport, AnchorsAreDistinctPerRowAndMatchTheirLinks)
{
    TempDir tmp;
    ResultTables tables;
    InitTitresTableaux(tables);
    std::string folder = tmp.mkdir("CD");
    tmp.write("CD/A.ZIP", "PK");
    tmp.write("CD/B.ZIP", "PK");
    tmp.write("CD/file_id.diz", "Deux archives");
    Grid& zips = tables.GridLogiciel(2);
    fillRow(zips, 1, { "0", " E:\\CD", " A.zip", "" }, folder + "/A.ZIP");
    zips.AddItem("0\t E:\\CD\t B.zip\t");
    zips.setRowPath(2, folder + "/B.ZIP");

    HtmlReportRequest request;
    request.fileName = tmp.str() + "/a.htm";
    request.keepDriveLetter = false;
    DetailsSource source { nativeFileSystem(), "" };
    ASSERT_TRUE(writeHtmlReport(tables, request, source));
    std::string tablesPage = readFile(tmp.str() + "/a_tableaux.htm");
    std::string data = readFile(tmp.str() + "/a_donnees.htm");

    EXPECT_NE(tablesPage.find("<A HREF=\"a_donnees.htm#_CD_T2R1\" TARGET=\"data\">\\CD</A>"), std::string::npos);
    EXPECT_NE(tablesPage.find("<A HREF=\"a_donnees.htm#_CD_T2R2\" TARGET=\"data\">\\CD</A>"), std::string::npos);
    EXPECT_NE(data.find("<H3><A NAME=\"_CD_T2R1\"><B>\\CD</B></H3>"), std::string::npos);
    EXPECT_NE(data.find("<H3><A NAME=\"_CD_T2R2\"><B>\\CD</B></H3>"), std::string::npos);
    // Selecting each row replaced the placeholder sizes, as a click does.
    EXPECT_EQ(zips.cell(1, 0), "2 octets");
    EXPECT_NE(tablesPage.find("<TD>2 octets</TD>"), std::string::npos);
    EXPECT_EQ(zips.Row(), 2);
}

TEST(HtmlReport, FileNamesAndDriveLetters)
{
    HtmlReportFiles f = htmlReportFiles("/home/moi/rapport.htm");
    EXPECT_EQ(f.tables, "/home/moi/rapport_tableaux.htm");
    EXPECT_EQ(f.details, "/home/moi/rapport_donnees.htm");
    EXPECT_EQ(htmlReportFiles("/d/récapé.htm").details, "/d/récapé_donnees.htm");
    // Only a real extension goes, and only from the name: the pages stay in the folder of F.
    EXPECT_EQ(htmlReportFiles("/d/rapport").tables, "/d/rapport_tableaux.htm");
    EXPECT_EQ(htmlReportFiles("dir/sub/x").tables, "dir/sub/x_tableaux.htm");
    EXPECT_EQ(htmlReportFiles("/home/user/ab").details, "/home/user/ab_donnees.htm");
    EXPECT_EQ(htmlReportFiles("x.htm").tables, "x_tableaux.htm");
    EXPECT_EQ(htmlReportFiles("x").tables, "x_tableaux.htm");
    EXPECT_EQ(htmlReportFiles("/cd.v2/liste").tables, "/cd.v2/liste_tableaux.htm");
    EXPECT_EQ(htmlReportFiles("/d/.htm").tables, "/d/.htm_tableaux.htm");
    EXPECT_EQ(htmlReportFiles("/d/r.fr.html").details, "/d/r.fr_donnees.htm");
    EXPECT_EQ(sSansLecteur("C:\\JEUX\\SETUP.EXE"), "\\JEUX\\SETUP.EXE");
    EXPECT_EQ(sSansLecteur("/mnt/cd/a:b"), "/mnt/cd/a:b");
    EXPECT_EQ(sSansLecteur("d:"), "");
    EXPECT_EQ(sSansLecteur("1:\\x"), "1:\\x");
}

TEST(HtmlReport, UnwritableFileIsReported)
{
    TempDir tmp;
    ResultTables tables;
    InitTitresTableaux(tables);
    ScriptedDialogue d;
    HtmlReportRequest request;
    request.fileName = tmp.str() + "/absent/r.htm";
    DetailsSource source { nativeFileSystem(), "" };
    EXPECT_FALSE(writeHtmlReport(tables, request, source));
    ASSERT_EQ(d.errors.size(), 1u);
    EXPECT_NE(d.errors[0].find("absent/r.htm"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(tmp.str() + "/absent"));
}

TEST(HtmlReportCommand, CancelAtEachStepWritesNothing)
{
    OneZip z;
    DetailsSource source { nativeFileSystem(), "" };
    std::string file = z.tmp.str() + "/c.htm";
    int busy = 0;
    HtmlCommandHooks hooks;
    hooks.busyOn = [&] { ++busy; };
    hooks.busyOff = [&] { --busy; };

    struct Script {
        std::string save;
        std::deque<int> answers;
        int choice;
    };
    for (const Script& s :
        { Script { "", {}, 0 }, Script { file, { AnswerCancel }, 0 }, Script { file, { AnswerNo }, -1 },
            Script { file, { AnswerYes, AnswerCancel }, 0 }, Script { file, { AnswerNo, AnswerCancel }, 2 } }) {
        ScriptedDialogue d;
        d.saveAnswer = s.save;
        d.questionAnswers = s.answers;
        d.choice = s.choice;
        EXPECT_FALSE(ConvertHTML(z.tables, HtmlOptions {}, source, hooks));
        EXPECT_EQ(busy, 0);
        EXPECT_FALSE(std::filesystem::exists(file));
        EXPECT_FALSE(std::filesystem::exists(z.tmp.str() + "/c_tableaux.htm"));
    }
}

TEST(HtmlReportCommand, OneTableWithoutDriveLettersThenOpensTheResult)
{
    OneZip z;
    DetailsSource source { nativeFileSystem(), "" };
    ScriptedDialogue d;
    d.saveAnswer = z.tmp.str() + "/LISTE.htm";
    d.questionAnswers = { AnswerNo, AnswerNo, AnswerYes };
    d.choice = 2;
    std::vector<int> tabs;
    std::string opened;
    HtmlCommandHooks hooks;
    hooks.selectedDirectory = [] { return std::string("C:\\"); };
    hooks.currentTab = [] { return 1; };
    hooks.showTab = [&](int t) { tabs.push_back(t); };
    hooks.openResult = [&](const std::string& f) { opened = f; };
    ASSERT_TRUE(ConvertHTML(z.tables, HtmlOptions {}, source, hooks));

    ASSERT_NE(d.last("save"), nullptr);
    EXPECT_EQ(d.last("save")->title, "Désignez le nom du fichier HTML à créer");
    EXPECT_EQ(d.last("save")->details[0], "Fichiers HTML (*.htm)|*.htm");
    EXPECT_EQ(d.last("save")->details[1], "Fichier.htm");
    ASSERT_EQ(d.questions.size(), 3u);
    EXPECT_EQ(d.questions[0], "Souhaitez-vous exporter au format HTML tous les tableaux ?");
    EXPECT_EQ(d.questions[1],
        "Une dernière question : \r\n\r\nSouhaitez-vous conserver la lettre du lecteur (C:, D:, etc.) dans le "
        "chemin (path) des fichiers ?");
    EXPECT_EQ(d.questions[2], "Souhaitez-vous consulter le résultat de la génération ?");
    EXPECT_EQ(choiceOptions(d),
        (std::vector<std::string> { "Sélectionnez le tableau à exporter : ", "Fichiers d'installation Setup/Install",
            "Fichiers Exécutable", "Archives ZIP" }));
    EXPECT_EQ(tabs, (std::vector<int> { 2, 1 }));
    EXPECT_EQ(opened, z.tmp.str() + "/LISTE.htm");

    std::string expected = std::string(QUAREX_TEST_DATA) + "/html/worked_example/";
    EXPECT_EQ(readFile(z.tmp.str() + "/LISTE.htm"), readFile(expected + "LISTE.htm"));
    EXPECT_EQ(readFile(z.tmp.str() + "/LISTE_tableaux.htm"),
        replaceAll(replaceAll(readFile(expected + "LISTE_tableaux.htm"), "C:\\R", "\\R"), "#C__R", "#_R"));
}

TEST(HtmlReport, VersionStringsOfTheDetailsBlockAreEscaped)
{
    using namespace quarex::test;
    PeBuilder pe;
    pe.add(16, 1, 0x040C,
        versionBlock32({ { "040C04E4",
            { string32("CompanyName", "Durand & fils"), string32("InternalName", "</TD>"),
                string32("LegalCopyright", "© 1996"), string32("ProductName", "Dames <Pro>") } } }));
    TempDir tmp;
    ResultTables tables;
    InitTitresTableaux(tables);
    std::string folder = tmp.mkdir("D");
    tmp.write("D/DAMES.EXE", pe.build());
    tmp.write("D/LISEZMOI.TXT", "Dames");
    fillRow(tables.GridLogiciel(1), 1, { "Dames", " " + folder, " Dames.exe", "" }, folder + "/DAMES.EXE");

    HtmlReportRequest request;
    request.fileName = tmp.str() + "/v.htm";
    DetailsSource source { nativeFileSystem(), "" };
    ASSERT_TRUE(writeHtmlReport(tables, request, source));
    std::string data = readFile(tmp.str() + "/v_donnees.htm");
    EXPECT_NE(
        data.find("</TD><TD ALIGN=CENTER>\r\nDames &lt;Pro&gt;<BR>\xA9 1996<BR>&lt;/TD&gt;<BR>Durand &amp; fils\r\n"
                  "</TD></TR>\r\n"),
        std::string::npos)
        << data;
}

TEST(HtmlReport, PagesOfANameWithoutExtensionStayInItsFolderAndTheFramesetFindsThem)
{
    OneZip z;
    std::string sub = z.tmp.mkdir("dir/sub");
    HtmlReportRequest request;
    request.fileName = sub + "/x";
    DetailsSource source { nativeFileSystem(), "" };
    ASSERT_TRUE(writeHtmlReport(z.tables, request, source));
    for (const char* name : { "x", "x_tableaux.htm", "x_donnees.htm" })
        EXPECT_TRUE(std::filesystem::exists(sub + "/" + name)) << name;
    std::size_t written = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(z.tmp.str()))
        written += entry.path().extension() == ".htm";
    EXPECT_EQ(written, 2u);
    std::string frames = readFile(sub + "/x");
    EXPECT_NE(frames.find("SRC=\"x_tableaux.htm\" NAME=\"table\""), std::string::npos) << frames;
    EXPECT_NE(frames.find("SRC=\"x_donnees.htm\" NAME=\"data\""), std::string::npos) << frames;
    EXPECT_NE(readFile(sub + "/x_tableaux.htm").find("HREF=\"x_donnees.htm#"), std::string::npos);
}

TEST(HtmlReport, ReadmeTextCannotAddAttributesOrControlsToEitherPage)
{
    TempDir tmp;
    ResultTables tables;
    InitTitresTableaux(tables);
    std::string folder = tmp.mkdir("J");
    tmp.write("J/JEU.EXE", "MZ");
    tmp.write("J/SETUP.EXE", "MZ");
    const std::string lines[] = { "http://x/onmouseover=alert(1)//@y", "http://ftp://x/onmouseover=alert(2)//" };
    tmp.write("J/readme.txt", lines[0] + "\r\n" + lines[1] + "\r\nfin\x1a" + std::string(1, '\0') + "\x1b[2J\r\n");
    fillRow(tables.GridLogiciel(0), 1, { lines[0], " " + folder, " Setup.exe", "" }, folder + "/SETUP.EXE");
    fillRow(tables.GridLogiciel(1), 1, { lines[1], " " + folder, " Jeu.exe", "" }, folder + "/JEU.EXE");

    HtmlReportRequest request;
    request.fileName = tmp.str() + "/r.htm";
    DetailsSource source { nativeFileSystem(), "" };
    ASSERT_TRUE(writeHtmlReport(tables, request, source));
    std::string tablesPage = readFile(tmp.str() + "/r_tableaux.htm");
    std::string data = readFile(tmp.str() + "/r_donnees.htm");

    // The cells of the tables page and the offered text of the details page hold links only.
    std::vector<std::string> fragments;
    std::istringstream in(tablesPage);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("<TD>", 0) == 0 && line.size() >= 10 && line.find("TARGET=") == std::string::npos)
            fragments.push_back(line.substr(4, line.size() - 10));
    std::size_t kbd = data.find("<KBD>\r\n");
    while (kbd != std::string::npos) {
        std::size_t end = data.find("\r\n</KBD>", kbd);
        fragments.push_back(data.substr(kbd + 7, end - kbd - 7));
        kbd = data.find("<KBD>\r\n", end);
    }
    ASSERT_EQ(fragments.size(), 8u);
    for (const std::string& fragment : fragments)
        EXPECT_EQ(quarex::test::markupFault(fragment), "") << fragment;
    EXPECT_NE(tablesPage.find("<TD> <A HREF=\"" + lines[0] + "\">" + lines[0] + "</A></TD>"), std::string::npos);
    EXPECT_NE(data.find("<BR>fin   [2J\r\n</KBD>"), std::string::npos) << data;
    for (char control : { '\0', '\x1a', '\x1b' }) {
        EXPECT_EQ(tablesPage.find(control), std::string::npos);
        EXPECT_EQ(data.find(control), std::string::npos);
    }
}

TEST(HtmlReport, PagesFromWhatTheScanKeptAreThoseReadFromTheDisc)
{
    using namespace quarex::test;
    PeBuilder pe;
    pe.add(16, 1, 0x040C,
        versionBlock32({ { "040C04E4",
            { string32("CompanyName", "Durand & fils"), string32("LegalCopyright", "© 1996"),
                string32("ProductName", "Dames") } } }));
    TempDir tmp;
    tmp.write("cd/JEU/DAMES.EXE", pe.build());
    tmp.write("cd/JEU/DOS.EXE", "MZ" + std::string(100, '\0'));
    tmp.write("cd/JEU/LISEZMOI.TXT", "Dames <http://dames.fr>\r\nauteur@dames.fr");
    tmp.write("cd/JEU/DAMES.ZIP", "PK");
    tmp.write("cd/JEU/DAMES.LST", "l");
    tmp.write("cd/DISK1/SETUP.EXE", pe.build());
    tmp.write("cd/DISK2/README.TXT", "Disque 2");
    tmp.write("cd/DISK2/SUITE.EXE", "MZ");
    ResultTables tables;
    ScanEngine(tables).scan(tmp.str() + "/cd");
    ResultTables bare = tables;
    for (int t = 0; t < TableCount; ++t)
        for (int r = 1; r < bare.GridLogiciel(t).Rows(); ++r)
            bare.GridLogiciel(t).setRowFacts(r, {});

    HtmlReportRequest request;
    request.directory = tmp.str() + "/cd";
    request.fileName = tmp.mkdir("kept") + "/r.htm";
    FolderListingCache keptCache(&tables.keptListings());
    ASSERT_TRUE(writeHtmlReport(tables, request, DetailsSource { nativeFileSystem(), "", &keptCache }));
    request.fileName = tmp.mkdir("read") + "/r.htm";
    FolderListingCache readCache;
    ASSERT_TRUE(writeHtmlReport(bare, request, DetailsSource { nativeFileSystem(), "", &readCache }));
    for (const char* page : { "/r_tableaux.htm", "/r_donnees.htm" }) {
        std::string kept = readFile(tmp.str() + "/kept" + page);
        EXPECT_EQ(kept, readFile(tmp.str() + "/read" + page)) << page;
        EXPECT_GT(kept.size(), 1000u);
    }
    std::string data = readFile(tmp.str() + "/kept/r_donnees.htm");
    EXPECT_NE(data.find("\r\nDames<BR>\xA9 1996<BR><BR>Durand &amp; fils\r\n"), std::string::npos) << data;
    EXPECT_NE(data.find("\r\n<BR><BR>Programme MS-DOS<BR>\r\n"), std::string::npos) << data;
}
