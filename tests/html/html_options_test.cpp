#include "html/html_options.h"

#include "settings/ini_store.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace quarex;
using quarex::test::readFile;
using quarex::test::TempDir;

TEST(HtmlOptionsSettings, NoFileKeepsTheDesignedValues)
{
    TempDir tmp;
    HtmlOptions designed;
    designed.entete = true;
    designed.texteTitre = "Titre";
    designed.titre = true;
    EXPECT_EQ(loadHtmlOptions(tmp.str() + "/Quarex.ini", designed), designed);
    EXPECT_TRUE(loadShowHelp(tmp.str() + "/Quarex.ini"));
}

TEST(HtmlOptionsSettings, RoundTripOfEveryKeyInOrder)
{
    TempDir tmp;
    std::string ini = tmp.str() + "/Quarex.ini";
    HtmlOptions o;
    o.entete = true;
    o.fin = false;
    o.frame = true;
    o.cr = true;
    o.car = 1;
    o.titre = true;
    o.texteTitre = "Mon CD-ROM à moi";
    o.fond = true;
    o.couleurRGB = "#FF8000";
    o.back = true;
    o.imageBack = "/img/fond.gif";
    o.image = true;
    o.imageDebut = "/img/logo.gif";
    o.suffixe = true;
    o.textSuffixe = "images/";
    o.ref = true;
    o.refHTML = "/doc/biblio.htm";
    ASSERT_TRUE(saveHtmlOptions(o, ini));
    EXPECT_EQ(loadHtmlOptions(ini), o);

    std::string text = readFile(ini);
    std::size_t last = 0;
    for (const char* key : { "html_entete=-1", "html_fin=0", "html_frame=-1", "html_cr=-1", "html_car=1", "html_titre=",
             "html_couleur=#FF8000", "html_back=", "html_image=", "html_prefixe=images/", "html_ref=" }) {
        std::size_t at = text.find(key);
        ASSERT_NE(at, std::string::npos) << key;
        EXPECT_GT(at, last) << key;
        last = at;
    }
}

TEST(HtmlOptionsSettings, SwitchedOffTextsAreSavedAsNoValue)
{
    TempDir tmp;
    std::string ini = tmp.str() + "/Quarex.ini";
    PutIniString("Options", "affiche_aide", "0", ini);
    HtmlOptions o;
    o.titre = false;
    o.texteTitre = "Titre oublié";
    o.fond = false;
    o.couleurRGB = "#000000";
    o.ref = true;
    o.refHTML = "   ";
    ASSERT_TRUE(saveHtmlOptions(o, ini));
    EXPECT_EQ(GetIniString("html", "html_titre", "absent", ini), "absent");
    EXPECT_EQ(GetIniString("html", "html_couleur", "absent", ini), "absent");

    // A title saved while the option was off loads blank, and the option stays off.
    HtmlOptions loaded = loadHtmlOptions(ini);
    EXPECT_FALSE(loaded.titre);
    EXPECT_EQ(loaded.texteTitre, "");
    EXPECT_FALSE(loaded.fond);
    EXPECT_FALSE(loaded.ref);
    EXPECT_FALSE(loadShowHelp(ini));
    EXPECT_EQ(GetIniString("Options", "affiche_aide", "", ini), "0");
}

TEST(HtmlOptionsSettings, HandWrittenFileAndUnusedKeys)
{
    TempDir tmp;
    std::string ini = tmp.write("Quarex.ini",
        "[html]\r\nhtml_entete=-1\r\nhtml_car=7\r\nhtml_titre=   \r\nhtml_prefixe=img/\r\nhtml_frame=1\r\n"
        "autre=gard\xE9\r\n[Options]\r\naffiche_aide=-1\r\n");
    HtmlOptions current;
    current.car = 1;
    current.fin = true;
    HtmlOptions o = loadHtmlOptions(ini, current);
    EXPECT_TRUE(o.entete);
    EXPECT_TRUE(o.fin); // absent key: the control keeps its state
    EXPECT_TRUE(o.frame);
    EXPECT_EQ(o.car, 1); // not an option number
    EXPECT_FALSE(o.titre);
    EXPECT_TRUE(o.suffixe);
    EXPECT_EQ(o.textSuffixe, "img/");
    ASSERT_TRUE(saveHtmlOptions(o, ini));
    EXPECT_EQ(GetIniString("html", "autre", "", ini), "gard\xC3\xA9");
    EXPECT_EQ(GetIniString("html", "html_car", "", ini), "1");
    EXPECT_EQ(loadHtmlOptions(ini), o);
}
