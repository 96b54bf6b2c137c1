#include "html/html_options.h"

#include "settings/ini_store.h"
#include "text/text.h"

#include <sys/stat.h>

namespace quarex {

namespace {

    constexpr const char* kSection = "html";

    bool fileExists(const std::string& path)
    {
        struct stat st { };
        return !path.empty() && ::stat(path.c_str(), &st) == 0;
    }

    // A text option: its check box is on exactly when the text read is not blank.
    void loadText(const std::string& file, const char* key, bool& check, std::string& text)
    {
        text = GetIniString(kSection, key, text, file);
        check = !trim(text).empty();
    }

    bool saveText(const std::string& file, const char* key, bool check, const std::string& text)
    {
        return PutIniString(kSection, key, check ? std::optional<std::string_view>(text) : std::nullopt, file);
    }

} // namespace

HtmlOptions loadHtmlOptions(const std::string& settingsFile, const HtmlOptions& current)
{
    HtmlOptions o = current;
    if (!fileExists(settingsFile))
        return o;
    o.entete = GetIniBoolean(kSection, "html_entete", o.entete, settingsFile);
    o.fin = GetIniBoolean(kSection, "html_fin", o.fin, settingsFile);
    o.frame = GetIniBoolean(kSection, "html_frame", o.frame, settingsFile);
    o.cr = GetIniBoolean(kSection, "html_cr", o.cr, settingsFile);
    std::string car = GetIniString(kSection, "html_car", std::to_string(o.car), settingsFile);
    if (car == "0" || car == "1")
        o.car = car[0] - '0';
    loadText(settingsFile, "html_titre", o.titre, o.texteTitre);
    loadText(settingsFile, "html_couleur", o.fond, o.couleurRGB);
    loadText(settingsFile, "html_back", o.back, o.imageBack);
    loadText(settingsFile, "html_image", o.image, o.imageDebut);
    loadText(settingsFile, "html_prefixe", o.suffixe, o.textSuffixe);
    loadText(settingsFile, "html_ref", o.ref, o.refHTML);
    return o;
}

bool saveHtmlOptions(const HtmlOptions& o, const std::string& settingsFile)
{
    // The first failure has been reported; the keys after it are not tried, so one fault gives one message.
    return PutIniBoolean(kSection, "html_entete", o.entete, settingsFile)
        && PutIniBoolean(kSection, "html_fin", o.fin, settingsFile)
        && PutIniBoolean(kSection, "html_frame", o.frame, settingsFile)
        && PutIniBoolean(kSection, "html_cr", o.cr, settingsFile)
        && PutIniString(kSection, "html_car", std::to_string(o.car), settingsFile)
        && saveText(settingsFile, "html_titre", o.titre, o.texteTitre)
        && saveText(settingsFile, "html_couleur", o.fond, o.couleurRGB)
        && saveText(settingsFile, "html_back", o.back, o.imageBack)
        && saveText(settingsFile, "html_image", o.image, o.imageDebut)
        && saveText(settingsFile, "html_prefixe", o.suffixe, o.textSuffixe)
        && saveText(settingsFile, "html_ref", o.ref, o.refHTML);
}

bool loadShowHelp(const std::string& settingsFile)
{
    return GetIniBoolean("Options", "affiche_aide", true, settingsFile);
}

} // namespace quarex
