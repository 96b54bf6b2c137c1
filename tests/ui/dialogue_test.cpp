// Message boxes and small dialogs on Qt: the answers of a question, the choice window, the error
// report's title and text, the file dialogs and their filters, and Qt's own texts in French.
#include "ui/busy_qt.h"
#include "ui/dialogue_qt.h"
#include "messages/messages.h"
#include "ui_test_helpers.h"
#include "ui/save_folders.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace quarex;

namespace {

QMessageBox* asBox(QWidget* w) { return qobject_cast<QMessageBox*>(w); }

// Clicks the button of a box whose text contains `text` (translated texts carry an accelerator).
void clickButtonWithText(QWidget* box, const QString& text)
{
    for (QAbstractButton* b : box->findChildren<QAbstractButton*>()) {
        if (b->text().remove(QLatin1Char('&')) == text) {
            b->click();
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no button ") + text));
}

} // namespace

class DialogueTest : public QObject {
    Q_OBJECT

private:
    QtDialogue m_dialogue;

private slots:
    void initTestCase()
    {
        QVERIFY(loadQtFrenchTranslations(*qApp));
        setDialogue(&m_dialogue);
    }
    void cleanupTestCase() { setDialogue(nullptr); }
    void cleanup() { clearError(); }

    void questionClosedWithCloseBoxGivesCancel()
    {
        QString title;
        test::whenModalOpens([&](QWidget* w) {
            title = w->windowTitle();
            w->close();
        });
        QCOMPARE(iQuestion("Souhaitez-vous exporter au format HTML tous les tableaux ?"), 2);
        QCOMPARE(title, QStringLiteral("Répondez à la question"));
    }

    void questionAnswersAreSixAndSeven()
    {
        test::whenModalOpens([](QWidget* w) { clickButtonWithText(w, QStringLiteral("Oui")); });
        QCOMPARE(iQuestion("Confirmez-vous ?", "Titre"), 6);
        test::whenModalOpens([](QWidget* w) { clickButtonWithText(w, QStringLiteral("Non")); });
        QCOMPARE(iQuestion("Confirmez-vous ?"), 7);
        test::whenModalOpens([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(iQuestion("Confirmez-vous ?"), 2);
    }

    void qtButtonsSpeakFrench()
    {
        QStringList texts;
        test::whenModalOpens([&](QWidget* w) {
            for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
                texts << b->text().remove(QLatin1Char('&'));
            w->close();
        });
        iQuestion("Question ?");
        QVERIFY2(texts.contains(QStringLiteral("Oui")), qPrintable(texts.join(QLatin1Char(','))));
        QVERIFY(texts.contains(QStringLiteral("Non")));
        QVERIFY(texts.contains(QStringLiteral("Annuler")));
    }

    void questionTextLinesAreSplitOnCrLf()
    {
        QString text;
        test::whenModalOpens([&](QWidget* w) {
            text = asBox(w)->text();
            w->close();
        });
        iQuestion("Confirmez-vous l'execution du fichier ?\r\n/cdrom/SETUP.EXE");
        QCOMPARE(text, QStringLiteral("Confirmez-vous l'execution du fichier ?\n/cdrom/SETUP.EXE"));
    }

    void errorReportHasItsTitleAndTheErrorText()
    {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        test::whenModalOpens([&](QWidget* w) {
            title = w->windowTitle();
            text = asBox(w)->text();
            icon = asBox(w)->icon();
            asBox(w)->button(QMessageBox::Ok)->click();
        });
        raiseError(53, "File not found", "Quarex");
        AfficheErreur("GridExport()");
        QCOMPARE(title, QStringLiteral("Error message"));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(text, QStringLiteral("GridExport()\n\nError #53 by Quarex\nFile not found"));
        QCOMPARE(currentError().number, 0); // the report clears the error
    }

    void errorReportWithoutPendingErrorShowsContextOnly()
    {
        QString text;
        test::whenModalOpens([&](QWidget* w) {
            text = asBox(w)->text();
            w->close();
        });
        AfficheErreur("Error in MainMsg()");
        QCOMPARE(text, QStringLiteral("Error in MainMsg()"));
    }

    void informationHasDefaultTitleAndNoHourglass()
    {
        QString title;
        bool hourglass = true;
        test::whenModalOpens([&](QWidget* w) {
            title = w->windowTitle();
            hourglass = QApplication::overrideCursor() != nullptr;
            w->close();
        });
        BusyOn("long");
        AfficheInfo("Affichage annulé du fichier");
        QCOMPARE(title, QStringLiteral("Un message d'information"));
        QVERIFY(!hourglass); // a message never shows under the hourglass
    }

    void choiceWithTwoOptionsNeverShowsTheThird()
    {
        bool thirdVisible = true;
        bool firstChecked = false;
        QString question;
        test::whenModalOpens([&](QWidget* w) {
            auto* dlg = qobject_cast<Lib_SelectDlg*>(w);
            QVERIFY(dlg);
            thirdVisible = dlg->findChild<QRadioButton*>(QStringLiteral("SelOptions_2"))->isVisible();
            firstChecked = dlg->findChild<QRadioButton*>(QStringLiteral("SelOptions_0"))->isChecked();
            question = dlg->findChild<QLabel*>(QStringLiteral("Label"))->text();
            dlg->findChild<QPushButton*>(QStringLiteral("Oui"))->click();
        });
        QCOMPARE(iChoixOptions("Exporter le tableau courant au format ASCII :", "CSV", "PRN", 0), 0);
        QVERIFY(!thirdVisible);
        QVERIFY(firstChecked);
        QCOMPARE(question, QStringLiteral("Exporter le tableau courant au format ASCII :"));
    }

    void choiceOutOfRangeSelectionFallsBackToFirst()
    {
        // Selection 2 with only two options: the first is selected, and confirming gives 0.
        test::whenModalOpens([](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("Oui"))->click(); });
        QCOMPARE(iChoixOptions("Q", "a", "b", 2), 0);
    }

    void choiceReturnsTheOptionPicked()
    {
        const std::string third = "TXT";
        test::whenModalOpens([](QWidget* w) {
            auto* three = w->findChild<QRadioButton*>(QStringLiteral("SelOptions_2"));
            QVERIFY(three->isVisible());
            three->click();
            w->findChild<QPushButton*>(QStringLiteral("Oui"))->click();
        });
        QCOMPARE(iChoixOptions("Q", "CSV", "PRN", 0, &third), 2);
        test::whenModalOpens([](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("Oui"))->click(); });
        QCOMPARE(iChoixOptions("Q", "CSV", "PRN", 1, &third), 1); // confirmed unchanged: the default
    }

    void choiceCancelledOrClosedGivesMinusOne()
    {
        test::whenModalOpens([](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("Annuler"))->click(); });
        QCOMPARE(iChoixOptions("Q", "a", "b", 1), -1);
        test::whenModalOpens([](QWidget* w) { w->close(); });
        QCOMPARE(iChoixOptions("Q", "a", "b", 1), -1);
    }

    void fileErrorMinusFiftyShowsNothing()
    {
        bool opened = false;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget()) {
                opened = true;
                QApplication::activeModalWidget()->close();
            }
        });
        probe.start(5);
        AfficheErreurFichier("/tmp/x", -50);
        QTest::qWait(50);
        QVERIFY(!opened);
        QString text;
        test::whenModalOpens([&](QWidget* w) {
            text = asBox(w)->text();
            w->close();
        });
        probe.stop();
        AfficheErreurFichier("/tmp/x", -30);
        QCOMPARE(text, QStringLiteral("Fichier inexistant : /tmp/x"));
    }

    void filtersBecomeQtFilters()
    {
        QCOMPARE(qtFileFilter("Fichiers TXT (*.txt)|*.txt|Tous les fichiers (*.*)|*.*"),
            QStringLiteral("Fichiers TXT (*.txt);;Tous les fichiers (*)"));
        QCOMPARE(qtFileFilter("PRN File (*.prn)|*.prn"), QStringLiteral("PRN File (*.prn)"));
        QCOMPARE(qtFileFilter("Images|*.gif;*.bmp"), QStringLiteral("Images (*.gif *.bmp)"));
        QCOMPARE(qtFileFilter(""), QString());
        QCOMPARE(qtFileFilter("dangling"), QString());
    }

    void saveDialogAddsDefaultExtension()
    {
        QTemporaryDir dir;
        QString title;
        test::whenModalOpens([&](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            QVERIFY(dlg);
            title = dlg->windowTitle();
            dlg->setDirectory(dir.path());
            dlg->selectFile(dir.filePath(QStringLiteral("rapport")));
            static_cast<QDialog*>(dlg)->accept();
        });
        std::string chosen = dialogue().saveFileName(
            "Désignez le nom du fichier HTML à créer", "Fichiers HTML (*.htm)|*.htm", "Fichier.htm", ".htm");
        QCOMPARE(title, QStringLiteral("Désignez le nom du fichier HTML à créer"));
        QCOMPARE(QString::fromStdString(chosen), dir.filePath(QStringLiteral("rapport.htm")));
    }

    // Each kind of save dialog (report, export) opens where that kind last wrote, and remembers the
    // folder chosen; a folder gone since is not offered.
    void saveDialogOpensInTheFolderItsKindLastUsed()
    {
        QTemporaryDir html;
        QTemporaryDir exported;
        QTemporaryDir chosen;
        rememberSaveFolder(SaveKind::Html, html.filePath(QStringLiteral("a.htm")).toStdString());
        rememberSaveFolder(SaveKind::Export, exported.filePath(QStringLiteral("b.csv")).toStdString());
        QCOMPARE(lastSaveFolder(SaveKind::Html), html.path().toStdString());

        QString opened;
        test::whenModalOpens([&](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            QVERIFY(dlg);
            opened = dlg->directory().absolutePath();
            dlg->setDirectory(chosen.path());
            dlg->selectFile(chosen.filePath(QStringLiteral("rapport.htm")));
            static_cast<QDialog*>(dlg)->accept();
        });
        std::string file = dialogue().saveFileName(
            "Désignez le nom du fichier HTML à créer", "Fichiers HTML (*.htm)|*.htm", "Fichier.htm", ".htm");
        QCOMPARE(opened, html.path());
        QCOMPARE(QString::fromStdString(file), chosen.filePath(QStringLiteral("rapport.htm")));
        QCOMPARE(lastSaveFolder(SaveKind::Html), chosen.path().toStdString());
        // The export keeps its own folder.
        QCOMPARE(lastSaveFolder(SaveKind::Export), exported.path().toStdString());

        test::whenModalOpens([&](QWidget* w) {
            opened = qobject_cast<QFileDialog*>(w)->directory().absolutePath();
            qobject_cast<QDialog*>(w)->reject();
        });
        QCOMPARE(
            dialogue().saveFileName("Exporter", "Fichiers CSV (*.csv)|*.csv", "Fichier.csv", ".csv"), std::string());
        QCOMPARE(opened, exported.path());

        chosen.remove();
        QCOMPARE(lastSaveFolder(SaveKind::Html), std::string());
        QVERIFY(saveKindForExtension(".HTM") == SaveKind::Html);
        QVERIFY(saveKindForExtension("pdf") == SaveKind::Pdf);
        QVERIFY(saveKindForExtension(".prn") == SaveKind::Export);
    }

    void cancelledFileDialogGivesEmptyText()
    {
        test::whenModalOpens([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
        QCOMPARE(dialogue().openFileName("Sélectionnez un fichier", "Fichiers TXT (*.txt)|*.txt", "", ".txt"),
            std::string());
    }

    void textFileDialogOffersTextThenAllFiles()
    {
        QString title;
        QStringList filters;
        QString suffix;
        test::whenModalOpens([&](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            QVERIFY(dlg);
            title = dlg->windowTitle();
            filters = dlg->nameFilters();
            suffix = dlg->defaultSuffix();
            dlg->reject();
        });
        QCOMPARE(openTextFileName(), std::string());
        QCOMPARE(title, QStringLiteral("Sélectionnez un fichier"));
        QCOMPARE(
            filters, QStringList({ QStringLiteral("Fichiers TXT (*.txt)"), QStringLiteral("Tous les fichiers (*)") }));
        QCOMPARE(suffix, QStringLiteral("txt"));
    }

    void messageTextTurnsLineEndsIntoLineFeeds()
    {
        QCOMPARE(messageText("a\r\nb\rc\nd"), QStringLiteral("a\nb\nc\nd"));
    }
};

QTEST_MAIN(DialogueTest)
#include "dialogue_test.moc"
