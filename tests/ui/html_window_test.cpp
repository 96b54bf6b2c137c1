// The HTML commands of the main window: ConvertHTML writes the report of the explored tables,
// CommandOption opens the options window modally.
#include "ui/options_html_qt.h"
#include "messages/messages.h"
#include "support/test_support.h"
#include "ui/main_form.h"
#include "ui_test_helpers.h"

#include <QAbstractButton>
#include <QTabWidget>
#include <QtTest>

#include <deque>
#include <filesystem>

using namespace quarex;
using quarex::test::readFile;
using quarex::test::TempDir;

namespace {

QAbstractButton* button(MainForm& form, const char* name)
{
    return form.findChild<QAbstractButton*>(QString::fromLatin1(name));
}

} // namespace

class HtmlWindowTest : public QObject {
    Q_OBJECT

private slots:
    void convertHtmlWritesTheReportOfTheTables()
    {
        TempDir tmp;
        tmp.write("cd/JEUX/SETUP.EXE", "MZ");
        tmp.write("cd/JEUX/readme.txt", "Un jeu");
        tmp.write("cd/OUTILS.ZIP", "PK");
        std::string out = tmp.mkdir("out");
        test::RecordingDialogue d;
        MainForm form;
        QVERIFY(form.selectDirectory(tmp.str() + "/cd"));
        button(form, "Explorer")->click();
        QVERIFY(button(form, "ConvertHTML")->isEnabled());
        Lib_OptionsHTML::instance().setOptions(HtmlOptions {});
        int tab = form.zoneDesTableaux()->currentIndex();

        // Cancel at the first question writes nothing.
        d.saveAnswer = out + "/rapport.htm";
        d.questionAnswers = { AnswerCancel };
        button(form, "ConvertHTML")->click();
        QVERIFY(!std::filesystem::exists(d.saveAnswer));

        d.questions.clear();
        d.questionAnswers = { AnswerYes, AnswerYes, AnswerNo };
        button(form, "ConvertHTML")->click();
        QCOMPARE(d.questions.size(), std::size_t(3));
        QVERIFY(d.errors.empty());
        std::string frames = readFile(d.saveAnswer);
        QVERIFY(frames.find("pertoire : " + tmp.str() + "/cd</TITLE>") != std::string::npos);
        std::string tables = readFile(out + "/rapport_tableaux.htm");
        std::string data = readFile(out + "/rapport_donnees.htm");
        QVERIFY(tables.find("#SETUPINSTALL\"") != std::string::npos);
        QVERIFY(tables.find("#ZIP\"") != std::string::npos);
        QVERIFY(data.find("<KBD>\r\nUn jeu\r\n</KBD>") != std::string::npos);
        QCOMPARE(form.zoneDesTableaux()->currentIndex(), tab);
    }

    void commandOptionOpensTheOptionsModally()
    {
        MainForm form;
        bool seen = false;
        test::whenModalOpens([&](QWidget* w) {
            seen = qobject_cast<Lib_OptionsHTML*>(w) != nullptr;
            w->close();
        });
        button(form, "CommandOption")->click();
        QVERIFY(seen);
        QVERIFY(!Lib_OptionsHTML::instance().isVisible());
    }
};

QTEST_MAIN(HtmlWindowTest)
#include "html_window_test.moc"
