#include "print/export_dialog.h"

#include "messages/messages.h"
#include "text/string_table.h"
#include "support/recording_dialogue.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace quarex;

namespace {

// The error reports, choices and save dialogs shown, in order, as "kind:text|details".
std::vector<std::string> asked(const test::RecordingDialogue& d)
{
    std::vector<std::string> lines;
    for (const auto& shown : d.shown) {
        if (shown.kind == "error") {
            lines.push_back("error:" + shown.text);
        } else if (shown.kind == "choice") {
            std::string line = "choice:" + shown.text;
            for (std::size_t i = 0; i < 3; ++i)
                line += "|" + (i < shown.details.size() ? shown.details[i] : std::string());
            lines.push_back(line);
        } else if (shown.kind == "save") {
            lines.push_back(
                "save:" + shown.title + "|" + shown.details[0] + "|" + shown.details[1] + "|" + shown.details[2]);
        }
    }
    return lines;
}

Grid sampleGrid()
{
    Grid grid(2, 4);
    const char* cells[2][4] = { { " Description", " Emplacement", " Fichier", " Version" },
        { " Éditeur, texte", " D:/BUREAU/", " Setup.exe", " 1.0" } };
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 4; ++c)
            grid.setCell(r, c, cells[r][c]);
    return grid;
}

struct BusyLog {
    std::vector<std::string> calls;
    BusyHooks hooks()
    {
        return { [this] { calls.push_back("on"); }, [this] { calls.push_back("off"); } };
    }
};

} // namespace

TEST(ExportGridDialog, EachFormWritesItsFileWithTheFormsDialogValues)
{
    struct Expected {
        int choice;
        std::string save;
        std::string bytes;
    };
    // Windows-1252 text: "É" is 0xC9.
    const Expected cases[] = {
        { 0, "save:Exportation brute avec separateurs virgules.|Fichiers CSV (*.csv)|*.csv|Fichier.csv|.csv",
            "\" Description\",\" Emplacement\",\" Fichier\",\" Version\"\r\n"
            "\" \xC9"
            "diteur, texte\",\" D:/BUREAU/\",\" Setup.exe\",\" 1.0\"\r\n" },
        { 1, "save:Exportation brute avec separateurs espaces.|PRN File (*.prn)|*.prn|Fichier.prn|.prn",
            " Description  Emplacement  Fichier  Version\r\n"
            " \xC9"
            "diteur, texte  D:/BUREAU/  Setup.exe  1.0\r\n" },
        { 2, "save:Exportation brute avec separateurs tabulations.|Fichiers TXT (*.txt)|*.txt|Fichier.txt|.txt",
            "\" Description\"\t\" Emplacement\"\t\" Fichier\"\t\" Version\"\r\n"
            "\" \xC9"
            "diteur, texte\"\t\" D:/BUREAU/\"\t\" Setup.exe\"\t\" 1.0\"\r\n" },
    };
    for (const Expected& c : cases) {
        test::TempDir dir;
        test::RecordingDialogue d;
        d.choice = c.choice;
        d.saveAnswer = dir.str() + "/table.out";
        BusyLog busy;
        EXPECT_EQ(ExportGridDialog(sampleGrid(), busy.hooks()), d.saveAnswer);
        ASSERT_EQ(asked(d).size(), 2u);
        EXPECT_EQ(asked(d)[0], "choice:Exporter le tableau courant au format ASCII :|CSV|PRN|TXT");
        ASSERT_NE(d.last("choice"), nullptr);
        EXPECT_EQ(d.last("choice")->selection, 0);
        EXPECT_EQ(d.last("choice")->details.size(), 3u);
        EXPECT_EQ(asked(d)[1], c.save);
        EXPECT_EQ(test::readFile(d.saveAnswer), c.bytes) << "form " << c.choice;
        EXPECT_EQ(busy.calls, (std::vector<std::string> { "on", "off" }));
    }
}

TEST(ExportGridDialog, CancellingEitherDialogWritesNothing)
{
    test::TempDir dir;
    {
        test::RecordingDialogue d;
        d.choice = -1;
        d.saveAnswer = dir.str() + "/never.csv";
        BusyLog busy;
        EXPECT_EQ(ExportGridDialog(sampleGrid(), busy.hooks()), "");
        EXPECT_EQ(asked(d).size(), 1u); // no save dialog after a cancelled choice
        EXPECT_EQ(busy.calls, (std::vector<std::string> { "off" }));
    }
    for (const std::string answer : { "", "   " }) {
        test::RecordingDialogue d;
        d.choice = 2;
        d.saveAnswer = answer;
        BusyLog busy;
        EXPECT_EQ(ExportGridDialog(sampleGrid(), busy.hooks()), "");
        EXPECT_TRUE(busy.calls.empty());
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(ExportGridDialog, ExistingFileIsReplacedAndBlankRowGivesEmptyQuotedCells)
{
    test::TempDir dir;
    std::string path = dir.write("old.csv", "earlier content that is longer than the new one\r\n");
    test::RecordingDialogue d;
    d.choice = 0;
    d.saveAnswer = path;
    Grid grid(2, 4);
    grid.setCell(0, 2, " Fichier");
    EXPECT_EQ(ExportGridDialog(grid, {}), path);
    EXPECT_EQ(test::readFile(path), "\"\",\"\",\" Fichier\",\"\"\r\n\"\",\"\",\"\",\"\"\r\n");
}

TEST(ExportGridDialog, UnwritableFileIsReportedAndTheBusyStateEnds)
{
    test::TempDir dir;
    test::RecordingDialogue d;
    d.choice = 1;
    d.saveAnswer = dir.str() + "/missing-folder/table.prn";
    BusyLog busy;
    EXPECT_EQ(ExportGridDialog(sampleGrid(), busy.hooks()), "");
    ASSERT_EQ(asked(d).size(), 3u);
    EXPECT_EQ(asked(d)[2].rfind("error:" + sLoadString(284) + d.saveAnswer, 0), 0u) << asked(d)[2];
    EXPECT_EQ(busy.calls, (std::vector<std::string> { "on", "off" }));
    EXPECT_FALSE(std::filesystem::exists(d.saveAnswer));
}
