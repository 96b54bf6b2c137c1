// Print jobs: PrtPreview feeds a preview engine with a page set-up, titles and either a grid or lines of
// text; the engine lays the pages out and shows the preview from which the user prints.
#pragma once

#include "grid/grid.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quarex {

// Language of the preview engine's own texts (window title and the like).
enum class PreviewLanguage { French, English };

// Page orientations as the engine's orientation property holds them.
inline constexpr int kPortrait = 1;
inline constexpr int kLandscape = 2;

// The preview engine: properties that describe the current text and page, and the operations that add
// content to the document and show it. Setters are virtual so that an engine can follow each change.
class PreviewEngine {
public:
    virtual ~PreviewEngine() = default;

    // Path of the engine's temporary file.
    virtual void setWorkFile(const std::string& path) { m_workFile = path; }
    const std::string& workFile() const { return m_workFile; }
    // Title of the application printing.
    virtual void setApplicationTitle(const std::string& title) { m_applicationTitle = title; }
    const std::string& applicationTitle() const { return m_applicationTitle; }
    // 1 portrait, 2 landscape.
    virtual void setOrientation(int orientation) { m_orientation = orientation; }
    int orientation() const { return m_orientation; }
    // Main title of the job.
    virtual void setTitle(const std::string& title) { m_title = title; }
    const std::string& title() const { return m_title; }
    // Sub-title of a printed grid.
    virtual void setLabel(const std::string& label) { m_label = label; }
    const std::string& label() const { return m_label; }
    // Current font and text colour (0x00BBGGRR).
    virtual void setFontName(const std::string& name) { m_fontName = name; }
    const std::string& fontName() const { return m_fontName; }
    virtual void setFontSize(int points) { m_fontSize = points; }
    int fontSize() const { return m_fontSize; }
    virtual void setColor(std::int32_t color) { m_color = color; }
    std::int32_t color() const { return m_color; }
    // The three text style switches.
    virtual void setStyleA(bool on) { m_styleA = on; }
    bool styleA() const { return m_styleA; }
    virtual void setStyleB(bool on) { m_styleB = on; }
    bool styleB() const { return m_styleB; }
    virtual void setStyleC(bool on) { m_styleC = on; }
    bool styleC() const { return m_styleC; }

    // Lays out a whole grid under the title and label, then shows the preview.
    virtual void printGrid(const Grid& grid) = 0;
    // Prints a string on its own line with an alignment code (0 left, 1 centred, 2 right).
    virtual void printString(const std::string& text, int alignment) = 0;
    // Outputs raw text; each CR LF ends a line (a lone CR LF leaves an empty line).
    virtual void printRaw(const std::string& text) = 0;
    // Shows the preview of the document built so far; returns when the user closes it.
    virtual void showPreview() = 0;
    // Switches the engine's own texts to French or English.
    virtual void setLanguage(PreviewLanguage language) = 0;
    // Starts a new document: a non-zero clearMode discards what was laid out; pages are numbered from firstPage.
    virtual void prepare(int clearMode, int firstPage) = 0;

private:
    std::string m_workFile;
    std::string m_applicationTitle;
    int m_orientation = kPortrait;
    std::string m_title;
    std::string m_label;
    std::string m_fontName;
    int m_fontSize = 10;
    std::int32_t m_color = 0;
    bool m_styleA = false;
    bool m_styleB = false;
    bool m_styleC = false;
};

// The switches A, B and C that a text style code turns on (all off for codes outside 1..9).
struct StyleSwitches {
    bool a = false;
    bool b = false;
    bool c = false;
    bool operator==(const StyleSwitches&) const = default;
};
StyleSwitches styleSwitches(int flagType);

// The engine language for a program language code ("UK" and "US" give English, anything else French).
PreviewLanguage previewLanguageFor(const std::string& languageCode);

// Cuts the next line off `rest` at the first CR LF (or takes it all) and strips one leading and one
// trailing double quote from it.
std::string cutTextLine(std::string& rest);

// One print job on a preview engine: the caller creates it, calls one display operation and releases it.
class PrtPreview {
public:
    // Gives the engine a fresh work file (a scratch file created exclusively) and the application's title.
    explicit PrtPreview(PreviewEngine& engine);
    // Deletes the work file.
    ~PrtPreview();
    PrtPreview(const PrtPreview&) = delete;
    PrtPreview& operator=(const PrtPreview&) = delete;

    // Previews a grid in landscape.
    void DisplayGridLandscape(const Grid& laGrille, const std::optional<std::string>& leTitre = std::nullopt,
        const std::optional<std::string>& libelle = std::nullopt, std::optional<int> newSize = std::nullopt);
    // Previews a grid under a title and a label ("Tableau des données" by default).
    void DisplayGrid(const Grid& laGrille, const std::optional<std::string>& leTitre = std::nullopt,
        const std::optional<std::string>& leLibelle = std::nullopt, std::optional<int> lOrientation = std::nullopt,
        std::optional<int> fntSize = std::nullopt, const std::optional<std::string>& fntName = std::nullopt);
    // Previews a multi-line text in portrait.
    void DisplayTextBoxPortrait(const std::string& lesInfos, const std::optional<std::string>& leTitre = std::nullopt,
        std::optional<int> FlagType = std::nullopt, std::optional<int> FlagAlign = std::nullopt,
        std::optional<int> fntSize = std::nullopt, const std::optional<std::string>& fntName = std::nullopt,
        std::optional<std::int32_t> laColor = std::nullopt);
    // Previews a multi-line text.
    void DisplayTextBox(const std::string& lesInfos, const std::optional<std::string>& leTitre = std::nullopt,
        std::optional<int> FlagType = std::nullopt, std::optional<int> FlagAlign = std::nullopt,
        std::optional<int> fntSize = std::nullopt, const std::optional<std::string>& fntName = std::nullopt,
        std::optional<int> lOrientation = std::nullopt, std::optional<std::int32_t> laColor = std::nullopt);
    // Sends a title (bold, 14 points) and then the text line by line.
    void PutTextBox(const std::string& lesInfos, const std::optional<std::string>& leTitre = std::nullopt,
        std::optional<int> FlagType = std::nullopt, std::optional<int> FlagAlign = std::nullopt,
        std::optional<int> fntSize = std::nullopt, const std::optional<std::string>& fntName = std::nullopt,
        std::optional<std::int32_t> laColor = std::nullopt);
    // Prints one string in a style, font and colour, then puts the engine's font and colour back.
    void PutString(const std::string& LesData, std::optional<int> FlagType = std::nullopt,
        std::optional<int> FlagAlign = std::nullopt, std::optional<int> fntSize = std::nullopt,
        const std::optional<std::string>& fntName = std::nullopt, std::optional<std::int32_t> laColor = std::nullopt);
    // Shows the preview; the next display operation sends the page set-up again.
    void Display();

    bool pageReady() const { return m_pageReady; }
    const std::string& workFile() const { return m_workFile; }

private:
    void PreparePage(const std::optional<std::string>& leTitre, std::optional<int> lOrientation,
        std::optional<int> fntSize, const std::optional<std::string>& fntName);
    void setStyles(int flagType, bool on);

    PreviewEngine& m_preview;
    bool m_pageReady = false;
    std::string m_workFile;
};

// Title of the printed table for a tab of the result tables ("" for any other index).
std::string sPrintTableTitle(int tab);
// The print command of a table: one landscape job under the title, with the default label.
void previewTable(PreviewEngine& engine, const Grid& grid, const std::string& title);
// The print command of a text: one portrait job, no title, style, font or colour.
void previewText(PreviewEngine& engine, const std::string& text);

} // namespace quarex
