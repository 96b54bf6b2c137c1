// The HTML options window: captions and help texts, enabling rules, loading and saving the
// settings file, the pickers.
#include "ui/options_html_qt.h"
#include "ui/rgb_form_qt.h"
#include "settings/ini_store.h"
#include "support/test_support.h"
#include "ui_test_helpers.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

#include <filesystem>

using namespace quarex;
using quarex::test::RecordingDialogue;
using quarex::test::TempDir;
using quarex::test::whenModalOpens;

namespace {

// The last open or save dialog shown (an empty one when none was).
RecordingDialogue::Shown lastFileDialog(const RecordingDialogue& d)
{
    for (auto it = d.shown.rbegin(); it != d.shown.rend(); ++it)
        if (it->kind == "open" || it->kind == "save")
            return *it;
    return { {}, {}, {}, { {}, {}, {} }, -1 };
}

template <typename T> T* child(QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qFatal("missing control %s", name);
    return c;
}

} // namespace

class OptionsHtmlTest : public QObject {
    Q_OBJECT

private slots:
    void captionsAndHelpTexts()
    {
        TempDir tmp;
        Lib_OptionsHTML w(tmp.str() + "/Quarex.ini");
        QCOMPARE(w.windowTitle(), QStringLiteral("Options et configuration HTML"));
        QCOMPARE(child<QCheckBox>(w, "CheckEntete")->text(), QStringLiteral("Insérer l'entête <HTML><HEAD>"));
        QCOMPARE(child<QCheckBox>(w, "CheckFin")->text(), QStringLiteral("Insérer la fin de fichier </BODY></HTML>"));
        QCOMPARE(child<QCheckBox>(w, "CheckFond")->text(),
            QStringLiteral("Insérer une couleur de fond <BGCOLOR>, RGB Hexa :"));
        QCOMPARE(child<QRadioButton>(w, "OptionTag_1")->text(), QStringLiteral("paragraphe"));
        QCOMPARE(child<QLabel>(w, "LabelNom_0")->text(), QStringLiteral("Nom :"));
        QCOMPARE(child<QLabel>(w, "LabelNom_1")->text(), QStringLiteral("Nom :"));
        QCOMPARE(child<QPushButton>(w, "Fermer")->text(), QStringLiteral("Fermer"));
        QCOMPARE(child<QPushButton>(w, "LaCouleur")->text(), QStringLiteral("Couleur..."));

        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(child<QRadioButton>(w, "OptionTag_0"), &enter);
        QCOMPARE(w.panelAide()->text(), QStringLiteral("Tag HTML : retour chariot"));
        QApplication::sendEvent(child<QLineEdit>(w, "CouleurRGB"), &enter);
        QCOMPARE(w.panelAide()->text(), QStringLiteral("Champ de saisie de la couleur RGB."));
        QApplication::sendEvent(child<QPushButton>(w, "Fermer"), &enter);
        QCOMPARE(w.panelAide()->text(), QStringLiteral("Ferme la fenêtre."));
        QVERIFY(!w.panelAide()->isHidden());
    }

    void enablingRules()
    {
        TempDir tmp;
        Lib_OptionsHTML w(tmp.str() + "/Quarex.ini");
        struct Rule {
            const char* check;
            std::vector<const char*> controls;
        };
        const Rule rules[] = {
            { "CheckBack", { "ImageBack", "Limage", "LabelNom_0" } },
            { "CheckFond", { "CouleurRGB", "LaCouleur" } },
            { "CheckImage", { "ImageDebut", "LeFichier", "LabelNom_1" } },
            { "CheckRef", { "RefHTML", "FichierHTML" } },
            { "CheckSuffixe", { "TextSuffixe" } },
            { "CheckTitre", { "TextTitre" } },
            { "CheckCR", { "OptionTag_0", "OptionTag_1" } },
        };
        for (const Rule& r : rules) {
            QCheckBox* box = child<QCheckBox>(w, r.check);
            QVERIFY(!box->isChecked());
            for (const char* c : r.controls)
                QVERIFY2(!child<QWidget>(w, c)->isEnabled(), c);
            box->click();
            for (const char* c : r.controls)
                QVERIFY2(child<QWidget>(w, c)->isEnabled(), c);
            box->click();
            for (const char* c : r.controls)
                QVERIFY2(!child<QWidget>(w, c)->isEnabled(), c);
        }
    }

    void noFileThenFermerWritesIt()
    {
        TempDir tmp;
        std::string ini = tmp.str() + "/Quarex.ini";
        Lib_OptionsHTML w(ini);
        QCOMPARE(w.options(), HtmlOptions {});
        child<QCheckBox>(w, "CheckEntete")->click();
        child<QCheckBox>(w, "CheckTitre")->click();
        child<QLineEdit>(w, "TextTitre")->setText(QStringLiteral("Mon CD"));
        child<QRadioButton>(w, "OptionTag_1")->setChecked(true);
        w.show();
        child<QPushButton>(w, "Fermer")->click();
        QVERIFY(!w.isVisible());
        QVERIFY(std::filesystem::exists(ini));
        QCOMPARE(GetIniString("html", "html_entete", "", ini), std::string("-1"));
        QCOMPARE(GetIniString("html", "html_titre", "", ini), std::string("Mon CD"));
        QCOMPARE(GetIniString("html", "html_car", "", ini), std::string("1"));

        Lib_OptionsHTML again(ini);
        QVERIFY(child<QCheckBox>(again, "CheckEntete")->isChecked());
        QVERIFY(child<QCheckBox>(again, "CheckTitre")->isChecked());
        QVERIFY(child<QLineEdit>(again, "TextTitre")->isEnabled());
        QVERIFY(child<QRadioButton>(again, "OptionTag_1")->isChecked());
        QCOMPARE(again.options(), w.options());
    }

    // Escape (or the close box) saves nothing: the window gives back the options it opened with, so the
    // report and the next opening see what the settings file holds.
    void escapeRestoresTheSavedOptions()
    {
        TempDir tmp;
        std::string ini = tmp.str() + "/Quarex.ini";
        Lib_OptionsHTML w(ini);
        w.show();
        child<QCheckBox>(w, "CheckTitre")->click();
        child<QLineEdit>(w, "TextTitre")->setText(QStringLiteral("Gardé"));
        child<QPushButton>(w, "Fermer")->click();
        const HtmlOptions saved = w.options();
        QVERIFY(saved.titre);

        for (bool closeBox : { false, true }) {
            w.show();
            child<QCheckBox>(w, "CheckTitre")->click();
            child<QCheckBox>(w, "CheckEntete")->click();
            child<QRadioButton>(w, "OptionTag_1")->setChecked(true);
            QVERIFY(!(w.options() == saved));
            if (closeBox)
                w.close();
            else
                QTest::keyClick(&w, Qt::Key_Escape);
            QVERIFY(!w.isVisible());
            QVERIFY2(w.options() == saved, closeBox ? "close box" : "Escape");
            QVERIFY(child<QCheckBox>(w, "CheckTitre")->isChecked());
            QVERIFY(child<QLineEdit>(w, "TextTitre")->isEnabled());
            QCOMPARE(GetIniString("html", "html_titre", "", ini), std::string("Gardé"));
            QCOMPARE(GetIniString("html", "html_entete", "", ini), std::string("0"));
        }
    }

    void savedSettingsApplyWithoutOpening()
    {
        TempDir tmp;
        std::string ini = tmp.write("Quarex.ini",
            "[html]\r\nhtml_titre=Oublié\r\nhtml_couleur=#00FF00\r\nhtml_back=  \r\n[Options]\r\naffiche_aide=0\r\n");
        PutIniString("html", "html_titre", std::nullopt, ini);
        Lib_OptionsHTML w(ini);
        QVERIFY(!w.isVisible());
        HtmlOptions o = w.options();
        QVERIFY(!o.titre);
        QCOMPARE(o.texteTitre, std::string());
        QVERIFY(o.fond);
        QCOMPARE(o.couleurRGB, std::string("#00FF00"));
        QVERIFY(!o.back);
        QVERIFY(!child<QLineEdit>(w, "ImageBack")->isEnabled());
        QVERIFY(w.panelAide()->isHidden());
    }

    void pickers()
    {
        TempDir tmp;
        Lib_OptionsHTML w(tmp.str() + "/Quarex.ini");
        RecordingDialogue d;
        child<QCheckBox>(w, "CheckImage")->click();
        child<QLineEdit>(w, "ImageDebut")->setText(QStringLiteral("ancien.gif"));
        child<QPushButton>(w, "LeFichier")->click();
        QCOMPARE(child<QLineEdit>(w, "ImageDebut")->text(), QStringLiteral("ancien.gif"));
        d.openAnswer = d.saveAnswer = "/img/logo.gif";
        child<QPushButton>(w, "LeFichier")->click();
        QCOMPARE(child<QLineEdit>(w, "ImageDebut")->text(), QStringLiteral("/img/logo.gif"));
        QCOMPARE(lastFileDialog(d).title, std::string("Sélection d'une image GIF."));
        QCOMPARE(lastFileDialog(d).details[0], std::string("Compuserve GIF (*.gif)|*.gif|Tous les fichiers (*.*)|*.*"));
        QCOMPARE(lastFileDialog(d).details[2], std::string(".gif"));

        child<QCheckBox>(w, "CheckBack")->click();
        child<QPushButton>(w, "Limage")->click();
        QCOMPARE(child<QLineEdit>(w, "ImageBack")->text(), QStringLiteral("/img/logo.gif"));

        child<QCheckBox>(w, "CheckRef")->click();
        d.openAnswer = d.saveAnswer = "/doc/biblio.htm";
        child<QPushButton>(w, "FichierHTML")->click();
        QCOMPARE(child<QLineEdit>(w, "RefHTML")->text(), QStringLiteral("/doc/biblio.htm"));
        QCOMPARE(lastFileDialog(d).title, std::string("Sélection d'un nom de fichier HTML."));
        QCOMPARE(lastFileDialog(d).details[2], std::string(".htm"));
    }

    void colourPicker()
    {
        TempDir tmp;
        Lib_OptionsHTML w(tmp.str() + "/Quarex.ini");
        child<QCheckBox>(w, "CheckFond")->click();
        QLineEdit* colour = child<QLineEdit>(w, "CouleurRGB");
        colour->setText(QStringLiteral("#102030"));

        whenModalOpens([](QWidget* m) { qobject_cast<Lib_RGBForm*>(m)->annulerButton()->click(); });
        child<QPushButton>(w, "LaCouleur")->click();
        QCOMPARE(colour->text(), QStringLiteral("#102030"));

        int startRed = -1;
        whenModalOpens([&](QWidget* m) {
            auto* form = qobject_cast<Lib_RGBForm*>(m);
            startRed = form->scroll(0)->value();
            form->scroll(0)->setValue(255);
            form->validerButton()->click();
        });
        child<QPushButton>(w, "LaCouleur")->click();
        QCOMPARE(startRed, 0x10);
        QCOMPARE(colour->text(), QStringLiteral("#FF2030"));
    }
};

QTEST_MAIN(OptionsHtmlTest)
#include "options_html_test.moc"
