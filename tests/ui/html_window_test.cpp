// The HTML commands of the main window: ConvertHTML writes the report of the explored tables,
// CommandOption opens the options window modally.
#include "ui/options_html_qt.h"
#include "messages/messages.h"
#include "support/test_support.h"
#include "ui/main_form.h"
#include "ui_test_helpers.h"
#include "html/html_report.h"
#include "ui/busy_qt.h"
#include "ui/grid_view.h"

#include <QAbstractButton>
#include <QTabWidget>
#include <QtTest>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>

#include <deque>
#include <filesystem>
#include <utility>
#include <vector>

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

    // The report selects every row in turn; afterwards the row the user had selected is selected again,
    // and the detail zone (and the text that PrintTexte prints) still describes that row.
    void reportKeepsTheSelectedRowAndItsDetails()
    {
        TempDir tmp;
        for (const char* game : { "UN", "DEUX", "TROIS" }) {
            tmp.write(std::string("cd/") + game + "/JEU.EXE", "MZ");
            tmp.write(std::string("cd/") + game + "/lisezmoi.txt", std::string("Notes du jeu ") + game);
        }
        std::string out = tmp.mkdir("out");
        test::RecordingDialogue d;
        MainForm form;
        form.show();
        QVERIFY(form.selectDirectory(tmp.str() + "/cd"));
        button(form, "Explorer")->click();
        const int table = form.zoneDesTableaux()->currentIndex();
        Grid& grid = form.tables().GridLogiciel(table);
        QCOMPARE(grid.Rows(), 4);
        GridView* view = form.gridLogiciel(table);
        view->setCurrentIndex(view->model()->index(1, 2)); // grid row 2, as a click does
        QCOMPARE(grid.Row(), 2);
        const std::string described = form.textInfo(5)->text().toStdString();
        const QString text = form.textViewer()->toPlainText();
        QVERIFY(text.startsWith(QStringLiteral("Notes du jeu")));

        Lib_OptionsHTML::instance().setOptions(HtmlOptions {});
        d.saveAnswer = out + "/rapport.htm";
        d.questionAnswers = { AnswerYes, AnswerYes, AnswerNo };
        button(form, "ConvertHTML")->click();
        QVERIFY(std::filesystem::exists(out + "/rapport_tableaux.htm"));
        QCOMPARE(grid.Row(), 2);
        QCOMPARE(view->currentIndex().row(), 1);
        QCOMPARE(view->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(view->selectionModel()->selectedRows().first().row(), 1);
        QCOMPARE(form.textInfo(5)->text().toStdString(), described);
        QCOMPARE(form.textViewer()->toPlainText(), text);
        // No progress bar is left behind.
        QVERIFY(!form.findChild<QProgressBar*>(QStringLiteral("Progression")));
    }

    // A file in a folder that does not exist (or cannot be written) is refused at once, before the
    // questions; nothing is written.
    void reportRefusesAFolderThatCannotTakeIt()
    {
        TempDir tmp;
        tmp.write("cd/JEUX/SETUP.EXE", "MZ");
        tmp.write("cd/OUTILS.ZIP", "PK");
        test::RecordingDialogue d;
        MainForm form;
        QVERIFY(form.selectDirectory(tmp.str() + "/cd"));
        button(form, "Explorer")->click();
        QVERIFY(button(form, "ConvertHTML")->isEnabled());
        d.saveAnswer = tmp.str() + "/absent/rapport.htm";
        d.questionAnswers = { AnswerYes, AnswerYes, AnswerNo };
        button(form, "ConvertHTML")->click();
        QVERIFY(d.questions.empty());
        QCOMPARE(d.errors.size(), std::size_t(1));
        QVERIFY2(d.errors[0].find(d.saveAnswer) != std::string::npos, d.errors[0].c_str());
        QVERIFY(!std::filesystem::exists(tmp.str() + "/absent"));
        QVERIFY(!quarex::isBusy());
    }

    // The pages report their progress row by row, up to the rows of the tables written.
    void reportTellsItsProgress()
    {
        TempDir tmp;
        tmp.write("cd/A/SETUP.EXE", "MZ");
        tmp.write("cd/B/PROG.EXE", "MZ");
        tmp.write("cd/C/OUTIL.EXE", "MZ");
        std::string out = tmp.mkdir("out");
        ResultTables tables;
        ScanEngine(tables).scan(tmp.str() + "/cd");
        HtmlReportRequest request;
        request.fileName = out + "/r.htm";
        std::vector<std::pair<int, int>> steps;
        request.progress = [&](int done, int total) { steps.emplace_back(done, total); };
        FolderListingCache cache;
        DetailsSource source { nativeFileSystem(), std::string(), &cache };
        QVERIFY(writeHtmlReport(tables, request, source));
        QCOMPARE(sRowCountText(tables.GridLogiciel(2)), std::string("0")); // no archive: a table not written
        const int rows = tables.GridLogiciel(0).Rows() + tables.GridLogiciel(1).Rows();
        QCOMPARE(static_cast<int>(steps.size()), rows);
        for (std::size_t i = 0; i < steps.size(); ++i) {
            QCOMPARE(steps[i].first, static_cast<int>(i) + 1);
            QCOMPARE(steps[i].second, rows);
        }
        // One table only: the total is that table's rows.
        steps.clear();
        request.table = 1;
        QVERIFY(writeHtmlReport(tables, request, source));
        QCOMPARE(steps.back(), std::make_pair(tables.GridLogiciel(1).Rows(), tables.GridLogiciel(1).Rows()));
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
