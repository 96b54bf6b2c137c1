#include "print/grid_export.h"

#include "messages/messages.h"
#include "support/recording_dialogue.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quarex;

namespace {
Grid sample()
{
    Grid g(2, 2, 1, 0);
    g.setCell(0, 0, " Description");
    g.setCell(0, 1, " Emplacement");
    g.setCell(1, 0, "Setup");
    g.setCell(1, 1, "D:\\");
    return g;
}
std::string exported(const Grid& g, int form)
{
    std::ostringstream out;
    writeGrid(g, out, exportForm(form).separator, exportForm(form).quote);
    return out.str();
}
} // namespace

TEST(GridExport, ThreeFormsWithCrLfOnEveryLine)
{
    Grid g = sample();
    EXPECT_EQ(exported(g, 0), "\" Description\",\" Emplacement\"\r\n\"Setup\",\"D:\\\"\r\n");
    EXPECT_EQ(exported(g, 1), " Description  Emplacement\r\nSetup D:\\\r\n");
    EXPECT_EQ(exported(g, 2), "\" Description\"\t\" Emplacement\"\r\n\"Setup\"\t\"D:\\\"\r\n");
    EXPECT_EQ(exportForm(0).proposedName, "Fichier.csv");
    EXPECT_EQ(exportForm(1).filter, "PRN File (*.prn)|*.prn");
}

TEST(GridExport, QuotesAreDoubledOnlyInQuotedFormsAndCommasStayBare)
{
    Grid g(2, 2, 1, 0);
    g.setCell(1, 0, "Le \"grand\" jeu");
    g.setCell(1, 1, "a,b");
    std::string csv = exported(g, 0);
    EXPECT_EQ(csv.substr(csv.find("\r\n") + 2), "\"Le \"\"grand\"\" jeu\",\"a,b\"\r\n");
    std::string prn = exported(g, 1);
    EXPECT_EQ(prn.substr(prn.find("\r\n") + 2), "Le \"grand\" jeu a,b\r\n");
    // Header row plus the blank row of an empty table: two lines of empty quoted cells.
    Grid empty(2, 4, 1, 0);
    EXPECT_EQ(exported(empty, 0), "\"\",\"\",\"\",\"\"\r\n\"\",\"\",\"\",\"\"\r\n");
}

TEST(GridExport, FileIsWindows1252AndUnwritableTargetIsReported)
{
    quarex::test::TempDir tmp;
    Grid g(2, 1, 1, 0);
    g.setCell(1, 0, "Été");
    std::string file = tmp.str() + "/out.txt";
    ASSERT_TRUE(GridExport(g, file));
    EXPECT_EQ(quarex::test::readFile(file), "\r\n\xc9t\xe9\r\n");

    quarex::test::RecordingDialogue capture;
    EXPECT_FALSE(GridExport(g, tmp.str() + "/no/such/dir/out.csv"));
    ASSERT_FALSE(capture.errors.empty());
    EXPECT_EQ(
        capture.errors.back().rfind("Erreur d'écriture sur le fichier : " + tmp.str() + "/no/such/dir/out.csv", 0), 0u);
}

TEST(GridExport, FullDiscKeepsThePreviousExport)
{
    quarex::test::TempDir tmp;
    const std::string before = "previous export\r\n";
    std::string file = tmp.write("out.csv", before);
    Grid g(1, 4, 1, 0);
    for (int r = 0; r < 2000; ++r)
        g.AddItem("Setup\t D:\\JEUX\t SETUP.EXE\t1.0");
    // The export runs in a child whose files cannot grow past 4 KiB; it must fail and say so.
    pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small { 4096, 4096 };
        ::setrlimit(RLIMIT_FSIZE, &small);
        quarex::test::RecordingDialogue capture;
        bool written = GridExport(g, file, ",", "\"");
        ::_exit(!written && capture.errors.size() == 1 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(quarex::test::readFile(file), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.str()), std::filesystem::directory_iterator()), 1);

    // With room, the new export replaces the old one whole.
    ASSERT_TRUE(GridExport(g, file, ",", "\""));
    EXPECT_EQ(quarex::test::readFile(file), exported(g, 0));
}
