// The options of the HTML report, as the options dialog holds them and section "html" of the settings file keeps them.
#pragma once

#include <string>

namespace quarex {

struct HtmlOptions {
    bool entete = false; // CheckEntete: page header on both pages
    bool cr = false; // CheckCR: line ends replaced by a tag (not used by the report)
    int car = 0; // the chosen OptionTag: 0 line break, 1 paragraph
    bool fin = false; // CheckFin: footer of the tables page
    bool frame = false; // CheckFrame (not used by the report)
    bool titre = false; // CheckTitre
    std::string texteTitre; // TextTitre
    bool fond = false; // CheckFond
    std::string couleurRGB; // CouleurRGB, normally "#" and six hexadecimal digits
    bool back = false; // CheckBack
    std::string imageBack; // ImageBack
    bool image = false; // CheckImage
    std::string imageDebut; // ImageDebut
    bool suffixe = false; // CheckSuffixe (not used by the report)
    std::string textSuffixe; // TextSuffixe
    bool ref = false; // CheckRef (not used by the report)
    std::string refHTML; // RefHTML

    bool operator==(const HtmlOptions&) const = default;
};

// Reads section "html" of a settings file over `current` (the controls' values are the defaults);
// nothing is read when the file does not exist.
HtmlOptions loadHtmlOptions(const std::string& settingsFile, const HtmlOptions& current = {});
// Writes the keys of section "html" in their fixed order; a text whose option is off is written as no value.
bool saveHtmlOptions(const HtmlOptions& options, const std::string& settingsFile);

// Key "affiche_aide" of section "Options": whether the help panels are shown (default true).
bool loadShowHelp(const std::string& settingsFile);

} // namespace quarex
