#include "print/prt_preview.h"

#include "settings/ini_store.h"
#include "settings/scratch_files.h"
#include "messages/messages.h"
#include "text/string_table.h"
#include "text/text.h"

#include <exception>
#include <filesystem>
#include <system_error>

namespace quarex {

namespace {

    const std::string kCrLf = "\r\n";

} // namespace

StyleSwitches styleSwitches(int flagType)
{
    switch (flagType) {
    case 1:
        return { true, false, false };
    case 3:
        return { false, true, false };
    case 4:
        return { true, true, false };
    case 5:
        return { false, false, true };
    case 6:
        return { true, false, true };
    case 8:
        return { false, true, true };
    case 9:
        return { true, true, true };
    default:
        return {};
    }
}

PreviewLanguage previewLanguageFor(const std::string& languageCode)
{
    std::string code = upperCase(languageCode);
    return code == "UK" || code == "US" ? PreviewLanguage::English : PreviewLanguage::French;
}

std::string cutTextLine(std::string& rest)
{
    std::string line;
    std::size_t end = rest.find(kCrLf);
    if (end == std::string::npos) {
        line = std::move(rest);
        rest.clear();
    } else {
        line = rest.substr(0, end);
        rest.erase(0, end + kCrLf.size());
    }
    if (!line.empty() && line.front() == '"')
        line.erase(0, 1);
    if (!line.empty() && line.back() == '"')
        line.pop_back();
    return line;
}

PrtPreview::PrtPreview(PreviewEngine& engine)
    : m_preview(engine)
    , m_workFile(createTempFile("Qrex"))
{
    m_preview.setWorkFile(m_workFile);
    m_preview.setApplicationTitle(sLoadString(10000));
}

PrtPreview::~PrtPreview()
{
    if (!m_workFile.empty()) {
        std::error_code ec;
        std::filesystem::remove(m_workFile, ec);
    }
}

void PrtPreview::PreparePage(const std::optional<std::string>& leTitre, std::optional<int> lOrientation,
    std::optional<int> fntSize, const std::optional<std::string>& fntName)
{
    if (m_pageReady)
        return;
    try {
        if (lOrientation)
            m_preview.setOrientation(*lOrientation);
        m_preview.prepare(2, 1);
        m_preview.setLanguage(previewLanguageFor(sLoadString(0)));
        m_preview.setTitle(leTitre.value_or(std::string()));
        if (fntName)
            m_preview.setFontName(*fntName);
        if (fntSize)
            m_preview.setFontSize(*fntSize);
        m_pageReady = true;
    } catch (const std::exception& e) {
        raiseError(1000, e.what(), "PrtPreview");
        AfficheErreur(sLoadString(425));
    }
}

void PrtPreview::DisplayGridLandscape(const Grid& laGrille, const std::optional<std::string>& leTitre,
    const std::optional<std::string>& libelle, std::optional<int> newSize)
{
    DisplayGrid(laGrille, leTitre, libelle, kLandscape, newSize);
}

void PrtPreview::DisplayGrid(const Grid& laGrille, const std::optional<std::string>& leTitre,
    const std::optional<std::string>& leLibelle, std::optional<int> lOrientation, std::optional<int> fntSize,
    const std::optional<std::string>& fntName)
{
    PreparePage(leTitre, lOrientation, fntSize, fntName);
    m_preview.setLabel(leLibelle.value_or("Tableau des données"));
    // The grid operation shows the preview itself: like Display(), it ends the job's page set-up, so that
    // a further display on this object starts a fresh document instead of printing this grid again.
    m_pageReady = false;
    m_preview.printGrid(laGrille);
}

void PrtPreview::DisplayTextBoxPortrait(const std::string& lesInfos, const std::optional<std::string>& leTitre,
    std::optional<int> FlagType, std::optional<int> FlagAlign, std::optional<int> fntSize,
    const std::optional<std::string>& fntName, std::optional<std::int32_t> laColor)
{
    DisplayTextBox(lesInfos, leTitre, FlagType, FlagAlign, fntSize, fntName, kPortrait, laColor);
}

void PrtPreview::DisplayTextBox(const std::string& lesInfos, const std::optional<std::string>& leTitre,
    std::optional<int> FlagType, std::optional<int> FlagAlign, std::optional<int> fntSize,
    const std::optional<std::string>& fntName, std::optional<int> lOrientation, std::optional<std::int32_t> laColor)
{
    PreparePage(leTitre, lOrientation, fntSize, fntName);
    PutTextBox(lesInfos, leTitre, FlagType, FlagAlign, fntSize, fntName, laColor);
    Display();
}

void PrtPreview::PutTextBox(const std::string& lesInfos, const std::optional<std::string>& leTitre,
    std::optional<int> FlagType, std::optional<int> FlagAlign, std::optional<int> fntSize,
    const std::optional<std::string>& fntName, std::optional<std::int32_t> laColor)
{
    if (leTitre)
        PutString(*leTitre, 1, std::nullopt, 14);
    std::string rest = lesInfos;
    // A rest of blanks only (a box of spaces, or spaces after the last CR LF) ends the text.
    while (!trim(rest).empty()) {
        std::string line = cutTextLine(rest);
        PutString(line, FlagType, FlagAlign, fntSize, fntName, laColor);
    }
}

void PrtPreview::setStyles(int flagType, bool on)
{
    StyleSwitches s = styleSwitches(flagType);
    if (s.a)
        m_preview.setStyleA(on);
    if (s.b)
        m_preview.setStyleB(on);
    if (s.c)
        m_preview.setStyleC(on);
}

void PrtPreview::PutString(const std::string& LesData, std::optional<int> FlagType, std::optional<int> FlagAlign,
    std::optional<int> fntSize, const std::optional<std::string>& fntName, std::optional<std::int32_t> laColor)
{
    const std::string oldName = m_preview.fontName();
    const int oldSize = m_preview.fontSize();
    const std::int32_t oldColor = m_preview.color();
    const int flag = FlagType.value_or(-1);

    setStyles(flag, true);
    if (fntName)
        m_preview.setFontName(*fntName);
    if (fntSize)
        m_preview.setFontSize(*fntSize);
    if (laColor)
        m_preview.setColor(*laColor);

    if (!trim(LesData).empty())
        m_preview.printString(LesData, FlagAlign.value_or(0));
    else
        m_preview.printRaw(kCrLf);

    setStyles(flag, false);
    if (fntName)
        m_preview.setFontName(oldName);
    if (fntSize)
        m_preview.setFontSize(oldSize);
    if (laColor)
        m_preview.setColor(oldColor);
}

void PrtPreview::Display()
{
    m_pageReady = false;
    m_preview.showPreview();
}

std::string sPrintTableTitle(int tab)
{
    switch (tab) {
    case 0:
        return "Liste des procédures d'installation.";
    case 1:
        return "Liste des exécutables.";
    case 2:
        return "Liste des Archives ZIP.";
    default:
        return {};
    }
}

void previewTable(PreviewEngine& engine, const Grid& grid, const std::string& title)
{
    PrtPreview job(engine);
    job.DisplayGridLandscape(grid, title);
}

void previewText(PreviewEngine& engine, const std::string& text)
{
    PrtPreview job(engine);
    job.DisplayTextBoxPortrait(text);
}

} // namespace quarex
