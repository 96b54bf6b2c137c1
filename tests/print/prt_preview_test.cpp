#include "print/prt_preview.h"

#include "settings/ini_store.h"
#include "settings/scratch_files.h"
#include "messages/messages.h"
#include "text/string_table.h"
#include "support/recording_dialogue.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

using namespace quarex;

namespace {

// Stands in for the preview engine: writes every property change and operation into a log.
class RecordingEngine : public PreviewEngine {
public:
    std::vector<std::string> log;
    bool failOnOrientation = false;
    std::string workFileSeenWhileShowing;

    void setWorkFile(const std::string& path) override
    {
        PreviewEngine::setWorkFile(path);
        log.push_back("workFile");
    }
    void setApplicationTitle(const std::string& title) override
    {
        PreviewEngine::setApplicationTitle(title);
        log.push_back("appTitle=" + title);
    }
    void setOrientation(int orientation) override
    {
        if (failOnOrientation)
            throw std::runtime_error("no printer");
        PreviewEngine::setOrientation(orientation);
        log.push_back("orientation=" + std::to_string(orientation));
    }
    void setTitle(const std::string& title) override
    {
        PreviewEngine::setTitle(title);
        log.push_back("title=" + title);
    }
    void setLabel(const std::string& label) override
    {
        PreviewEngine::setLabel(label);
        log.push_back("label=" + label);
    }
    void setFontName(const std::string& name) override
    {
        PreviewEngine::setFontName(name);
        log.push_back("font=" + name);
    }
    void setFontSize(int points) override
    {
        PreviewEngine::setFontSize(points);
        log.push_back("size=" + std::to_string(points));
    }
    void setColor(std::int32_t color) override
    {
        PreviewEngine::setColor(color);
        log.push_back("color=" + std::to_string(color));
    }
    void setStyleA(bool on) override
    {
        PreviewEngine::setStyleA(on);
        log.push_back(std::string("A=") + (on ? "on" : "off"));
    }
    void setStyleB(bool on) override
    {
        PreviewEngine::setStyleB(on);
        log.push_back(std::string("B=") + (on ? "on" : "off"));
    }
    void setStyleC(bool on) override
    {
        PreviewEngine::setStyleC(on);
        log.push_back(std::string("C=") + (on ? "on" : "off"));
    }
    void printGrid(const Grid& grid) override { log.push_back("grid rows=" + std::to_string(grid.Rows())); }
    void printString(const std::string& text, int alignment) override
    {
        log.push_back("print[" + text + "]" + std::to_string(alignment));
    }
    void printRaw(const std::string& text) override
    {
        log.push_back(text == "\r\n" ? "raw[CRLF]" : "raw[" + text + "]");
    }
    void showPreview() override
    {
        workFileSeenWhileShowing = workFile();
        log.push_back("show");
    }
    void setLanguage(PreviewLanguage language) override
    {
        log.push_back(language == PreviewLanguage::French ? "lang=FR" : "lang=EN");
    }
    void prepare(int clearMode, int firstPage) override
    {
        log.push_back("prepare(" + std::to_string(clearMode) + "," + std::to_string(firstPage) + ")");
    }

    // The operations that put something on paper or show it, in order.
    std::vector<std::string> output() const
    {
        std::vector<std::string> out;
        for (const std::string& entry : log)
            if (entry.rfind("print[", 0) == 0 || entry.rfind("raw[", 0) == 0 || entry == "show"
                || entry.rfind("grid", 0) == 0)
                out.push_back(entry);
        return out;
    }
};

// The page set-up of a display operation with nothing but defaults, as sent to the engine.
const std::vector<std::string> kDefaultSetUp = { "prepare(2,1)", "lang=FR", "title=" };

std::vector<std::string> afterConstruction(const RecordingEngine& engine)
{
    // The first two entries are the work file and the application title.
    return std::vector<std::string>(engine.log.begin() + 2, engine.log.end());
}

} // namespace

TEST(PrtPreviewText, ThreeLinesWithEmptyMiddleSendLineBreakForTheEmptyOne)
{
    RecordingEngine engine;
    {
        PrtPreview job(engine);
        job.DisplayTextBoxPortrait("ligne 1\r\n\r\nligne 3");
    }
    std::vector<std::string> expected = { "orientation=1" };
    expected.insert(expected.end(), kDefaultSetUp.begin(), kDefaultSetUp.end());
    expected.insert(expected.end(), { "print[ligne 1]0", "raw[CRLF]", "print[ligne 3]0", "show" });
    EXPECT_EQ(afterConstruction(engine), expected);
}

TEST(PrtPreviewText, QuotesAroundLinesAreStrippedOnce)
{
    RecordingEngine engine;
    PrtPreview job(engine);
    job.DisplayTextBoxPortrait("\"abc\"\r\n\"abc\r\nabc\"\r\n\"\"x\"\"\r\n\"\"");
    std::vector<std::string> expected
        = { "print[abc]0", "print[abc]0", "print[abc]0", "print[\"x\"]0", "raw[CRLF]", "show" };
    EXPECT_EQ(engine.output(), expected);
}

TEST(PrtPreviewText, FinalLineBreakAndTrailingBlanksAddNoEmptyLine)
{
    RecordingEngine engine;
    PrtPreview job(engine);
    job.DisplayTextBoxPortrait("un\r\ndeux\r\n");
    EXPECT_EQ(engine.output(), (std::vector<std::string> { "print[un]0", "print[deux]0", "show" }));

    engine.log.clear();
    job.DisplayTextBoxPortrait("un\r\n   ");
    EXPECT_EQ(engine.output(), (std::vector<std::string> { "print[un]0", "show" }));

    // A line of blanks in the middle keeps its place as an empty line.
    engine.log.clear();
    job.DisplayTextBoxPortrait("un\r\n  \r\ntrois");
    EXPECT_EQ(engine.output(), (std::vector<std::string> { "print[un]0", "raw[CRLF]", "print[trois]0", "show" }));

    // A lone LF is not a line end: the line is sent whole.
    engine.log.clear();
    job.DisplayTextBoxPortrait("a\nb");
    EXPECT_EQ(engine.output(), (std::vector<std::string> { "print[a\nb]0", "show" }));
}

TEST(PrtPreviewText, EmptyOrBlankBoxSendsOnlyTheSetUpAndThePreview)
{
    for (const std::string text : { "", "    " }) {
        RecordingEngine engine;
        PrtPreview job(engine);
        job.DisplayTextBoxPortrait(text);
        std::vector<std::string> expected = { "orientation=1" };
        expected.insert(expected.end(), kDefaultSetUp.begin(), kDefaultSetUp.end());
        expected.push_back("show");
        EXPECT_EQ(afterConstruction(engine), expected) << '"' << text << '"';
    }
}

TEST(PrtPreviewText, TitleIsPrintedBoldAtFourteenPointsBeforeTheText)
{
    RecordingEngine engine;
    engine.setFontSize(9);
    engine.log.clear();
    PrtPreview job(engine);
    job.DisplayTextBox("corps", std::string("Titre"), 3, 2, 11, std::string("Courier"), 2, 255);
    std::vector<std::string> expected
        = { "orientation=2", "prepare(2,1)", "lang=FR", "title=Titre", "font=Courier", "size=11",
              // the title: style 1 (A), size 14, no alignment; font and size put back afterwards
              "A=on", "size=14", "print[Titre]0", "A=off", "size=11",
              // the line: style 3 (B), font, size, colour, alignment 2; everything put back afterwards
              "B=on", "font=Courier", "size=11", "color=255", "print[corps]2", "B=off", "font=Courier", "size=11",
              "color=0", "show" };
    EXPECT_EQ(afterConstruction(engine), expected);
}

TEST(PrtPreviewString, StyleTableSwitchesOnBeforeAndOffAfter)
{
    struct Case {
        int flag;
        bool a, b, c;
    };
    const Case cases[] = { { 1, true, false, false }, { 2, false, false, false }, { 3, false, true, false },
        { 4, true, true, false }, { 5, false, false, true }, { 6, true, false, true }, { 7, false, false, false },
        { 8, false, true, true }, { 9, true, true, true }, { 0, false, false, false }, { 10, false, false, false },
        { -1, false, false, false } };
    for (const Case& c : cases) {
        EXPECT_EQ(styleSwitches(c.flag), (StyleSwitches { c.a, c.b, c.c })) << c.flag;

        RecordingEngine engine;
        PrtPreview job(engine);
        engine.log.clear();
        job.PutString("x", c.flag);
        std::vector<std::string> expected;
        if (c.a)
            expected.push_back("A=on");
        if (c.b)
            expected.push_back("B=on");
        if (c.c)
            expected.push_back("C=on");
        expected.push_back("print[x]0");
        if (c.a)
            expected.push_back("A=off");
        if (c.b)
            expected.push_back("B=off");
        if (c.c)
            expected.push_back("C=off");
        EXPECT_EQ(engine.log, expected) << "FlagType " << c.flag;
    }
}

TEST(PrtPreviewString, SwitchesSetBeforehandAreLeftAloneByCodesThatDoNotNameThem)
{
    RecordingEngine engine;
    engine.setStyleB(true);
    PrtPreview job(engine);
    job.PutString("x", 1);
    EXPECT_FALSE(engine.styleA());
    EXPECT_TRUE(engine.styleB());
    job.PutString("x");
    EXPECT_TRUE(engine.styleB());
}

TEST(PrtPreviewString, OnlyTheGivenFontPropertiesAreChangedAndRestored)
{
    RecordingEngine engine;
    engine.setFontName("Times");
    engine.setFontSize(12);
    engine.setColor(42);
    PrtPreview job(engine);
    engine.log.clear();
    job.PutString("x", std::nullopt, 1, std::nullopt, std::nullopt, 0xFF0000);
    EXPECT_EQ(engine.log, (std::vector<std::string> { "color=16711680", "print[x]1", "color=42" }));
    EXPECT_EQ(engine.fontName(), "Times");
    EXPECT_EQ(engine.fontSize(), 12);
    EXPECT_EQ(engine.color(), 42);
}

TEST(PrtPreviewGrid, DefaultLabelEmptyTitleAndLandscape)
{
    Grid grid(3, 4);
    RecordingEngine engine;
    {
        PrtPreview job(engine);
        job.DisplayGridLandscape(grid);
    }
    EXPECT_EQ(afterConstruction(engine),
        (std::vector<std::string> {
            "orientation=2", "prepare(2,1)", "lang=FR", "title=", "label=Tableau des données", "grid rows=3" }));

    RecordingEngine other;
    PrtPreview job(other);
    job.DisplayGrid(grid, std::string("Liste"), std::string("Sous-titre"), std::nullopt, 8, std::string("Arial"));
    EXPECT_EQ(afterConstruction(other),
        (std::vector<std::string> {
            "prepare(2,1)", "lang=FR", "title=Liste", "font=Arial", "size=8", "label=Sous-titre", "grid rows=3" }));
}

TEST(PrtPreviewJob, SecondDisplaySendsTheSetUpAgain)
{
    RecordingEngine engine;
    PrtPreview job(engine);
    job.DisplayTextBoxPortrait("a");
    EXPECT_FALSE(job.pageReady());
    engine.log.clear();
    job.DisplayTextBoxPortrait("b");
    std::vector<std::string> expected = { "orientation=1" };
    expected.insert(expected.end(), kDefaultSetUp.begin(), kDefaultSetUp.end());
    expected.insert(expected.end(), { "print[b]0", "show" });
    EXPECT_EQ(engine.log, expected);

    // Two grids on one object: each one is a job of its own with its own set-up.
    engine.log.clear();
    Grid grid;
    job.DisplayGridLandscape(grid, std::string("Un"));
    job.DisplayGridLandscape(grid, std::string("Deux"));
    EXPECT_EQ(std::count(engine.log.begin(), engine.log.end(), "prepare(2,1)"), 2);
    EXPECT_NE(std::find(engine.log.begin(), engine.log.end(), "title=Deux"), engine.log.end());
}

TEST(PrtPreviewJob, BuildingBlocksWithoutDisplayDoNotRepeatTheSetUp)
{
    RecordingEngine engine;
    PrtPreview job(engine);
    job.DisplayTextBox("a", std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 1);
    engine.log.clear();
    job.PutTextBox("b");
    job.PutTextBox("c");
    job.Display();
    EXPECT_EQ(engine.log, (std::vector<std::string> { "print[b]0", "print[c]0", "show" }));
}

TEST(PrtPreviewJob, FailedSetUpIsReportedAndTheContentStillGoesOut)
{
    quarex::test::RecordingDialogue dialogue;
    RecordingEngine engine;
    engine.failOnOrientation = true;
    PrtPreview job(engine);
    Grid grid;
    job.DisplayGridLandscape(grid, std::string("T"));

    ASSERT_EQ(dialogue.errors.size(), 1u);
    EXPECT_EQ(dialogue.errors[0].rfind(sLoadString(425), 0), 0u) << dialogue.errors[0];
    EXPECT_NE(dialogue.errors[0].find("no printer"), std::string::npos);
    EXPECT_EQ(sLoadString(425), "Erreur d'initialisation pour l'aperçu avant impression");
    EXPECT_FALSE(job.pageReady());
    EXPECT_EQ(engine.output(), (std::vector<std::string> { "grid rows=2" }));
    EXPECT_EQ(currentError().number, 0);
}

TEST(PrtPreviewJob, WorkFileExistsDuringTheJobAndIsDeletedAtRelease)
{
    RecordingEngine engine;
    std::string path, otherPath;
    {
        PrtPreview job(engine);
        path = job.workFile();
        EXPECT_EQ(engine.workFile(), path);
        EXPECT_EQ(engine.applicationTitle(), sLoadString(10000));
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(std::filesystem::path(path).parent_path(), std::filesystem::path(temporaryDirectory()));
        std::string name = std::filesystem::path(path).filename().string();
        EXPECT_EQ(name.rfind("~Qrex", 0), 0u) << name;
        EXPECT_TRUE(std::filesystem::exists(path));

        // A second job at the same time never gets the same file.
        PrtPreview other(engine);
        otherPath = other.workFile();
        EXPECT_NE(otherPath, path);
        EXPECT_TRUE(std::filesystem::exists(otherPath));
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(otherPath));
}

TEST(PrtPreviewLanguage, EnglishOnlyForUkAndUs)
{
    EXPECT_EQ(previewLanguageFor("FR"), PreviewLanguage::French);
    EXPECT_EQ(previewLanguageFor("uk"), PreviewLanguage::English);
    EXPECT_EQ(previewLanguageFor("US"), PreviewLanguage::English);
    EXPECT_EQ(previewLanguageFor("DE"), PreviewLanguage::French);
    EXPECT_EQ(previewLanguageFor(""), PreviewLanguage::French);
    EXPECT_EQ(sLoadString(0), "FR");
}

TEST(PrintCommands, TableTitlesAndJobs)
{
    EXPECT_EQ(sPrintTableTitle(0), "Liste des procédures d'installation.");
    EXPECT_EQ(sPrintTableTitle(1), "Liste des exécutables.");
    EXPECT_EQ(sPrintTableTitle(2), "Liste des Archives ZIP.");
    EXPECT_EQ(sPrintTableTitle(3), "");
    EXPECT_EQ(sPrintTableTitle(-1), "");

    // A table holding its header and one blank row still goes to the preview.
    Grid grid(2, 4);
    RecordingEngine engine;
    previewTable(engine, grid, sPrintTableTitle(2));
    EXPECT_EQ(afterConstruction(engine),
        (std::vector<std::string> { "orientation=2", "prepare(2,1)", "lang=FR", "title=Liste des Archives ZIP.",
            "label=Tableau des données", "grid rows=2" }));
    EXPECT_FALSE(std::filesystem::exists(engine.workFile()));

    RecordingEngine text;
    previewText(text, "\"Lisez-moi\"\r\n");
    EXPECT_EQ(text.output(), (std::vector<std::string> { "print[Lisez-moi]0", "show" }));
    EXPECT_EQ(text.orientation(), kPortrait);
    EXPECT_FALSE(std::filesystem::exists(text.workFile()));
    EXPECT_FALSE(text.workFileSeenWhileShowing.empty());
}
