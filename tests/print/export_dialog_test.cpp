#include "print/export_dialog.h"

#include "lib/messages.h"
#include "lib/string_table.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace quarex;

namespace {

// Answers the choice and the save dialog as a user would, and remembers what was asked.
class ScriptedDialogue : public Dialogue {
public:
    int choice = 0;
    std::string savePath;
    std::vector<std::string> asked;
    int offeredSelection = -2;
    bool offeredThird = false;

    void showError(const std::string& text, const std::string&) override { asked.push_back("error:" + text); }
    void showInformation(const std::string&, const std::string&) override { }
    int askQuestion(const std::string&, const std::string&) override { return AnswerCancel; }
    int chooseOption(const std::string& question, const std::string& option1, const std::string& option2, int selection,
        const std::string* option3) override
    {
        asked.push_back("choice:" + question + "|" + option1 + "|" + option2 + "|" + (option3 ? *option3 : ""));
        offeredSelection = selection;
        offeredThird = option3 != nullptr;
        return choice;
    }
    std::string openFileName(const std::string&, const std::string&, const std::string&, const std::string&) override
    {
        return {};
    }
    std::string saveFileName(const std::string& title, const std::string& filter, const std::string& defaultName,
        const std::string& ext) override
    {
        asked.push_back("save:" + title + "|" + filter + "|" + defaultName + "|" + ext);
        return savePath;
    }
};

struct DialogueGuard {
    explicit DialogueGuard(Dialogue* d) { setDialogue(d); }
    ~DialogueGuard() { setDialogue(nullptr); }
};

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
        ScriptedDialogue d;
        DialogueGuard guard(&d);
        d.choice = c.choice;
        d.savePath = dir.str() + "/table.out";
        BusyLog busy;
        EXPECT_EQ(ExportGridDialog(sampleGrid(), busy.hooks()), d.savePath);
        ASSERT_EQ(d.asked.size(), 2u);
        EXPECT_EQ(d.asked[0], "choice:Exporter le tableau courant au format ASCII :|CSV|PRN|TXT");
        EXPECT_EQ(d.offeredSelection, 0);
        EXPECT_TRUE(d.offeredThird);
        EXPECT_EQ(d.asked[1], c.save);
        EXPECT_EQ(test::readFile(d.savePath), c.bytes) << "form " << c.choice;
        EXPECT_EQ(busy.calls, (std::vector<std::string> { "on", "off" }));
    }
}

TEST(ExportGridDialog, CancellingEitherDialogWritesNothing)
{
    test::TempDir dir;
    {
        ScriptedDialogue d;
        DialogueGuard guard(&d);
        d.choice = -1;
        d.savePath = dir.str() + "/never.csv";
        BusyLog busy;
        EXPECT_EQ(ExportGridDialog(sampleGrid(), busy.hooks()), "");
        EXPECT_EQ(d.asked.size(), 1u); // no save dialog after a cancelled choice
        EXPECT_EQ(busy.calls, (std::vector<std::string> { "off" }));
    }
    for (const std::string answer : { "", "   " }) {
        ScriptedDialogue d;
        DialogueGuard guard(&d);
        d.choice = 2;
        d.savePath = answer;
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
    ScriptedDialogue d;
    DialogueGuard guard(&d);
    d.choice = 0;
    d.savePath = path;
    Grid grid(2, 4);
    grid.setCell(0, 2, " Fichier");
    EXPECT_EQ(ExportGridDialog(grid, {}), path);
    EXPECT_EQ(test::readFile(path), "\"\",\"\",\" Fichier\",\"\"\r\n\"\",\"\",\"\",\"\"\r\n");
}

TEST(ExportGridDialog, UnwritableFileIsReportedAndTheBusyStateEnds)
{
    test::TempDir dir;
    ScriptedDialogue d;
    DialogueGuard guard(&d);
    d.choice = 1;
    d.savePath = dir.str() + "/missing-folder/table.prn";
    BusyLog busy;
    EXPECT_EQ(ExportGridDialog(sampleGrid(), busy.hooks()), "");
    ASSERT_EQ(d.asked.size(), 3u);
    EXPECT_EQ(d.asked[2].rfind("error:" + sLoadString(284) + d.savePath, 0), 0u) << d.asked[2];
    EXPECT_EQ(busy.calls, (std::vector<std::string> { "on", "off" }));
    EXPECT_FALSE(std::filesystem::exists(d.savePath));
}
