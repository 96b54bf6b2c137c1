// The window explores a floppy image: the scan, the detail zone and the related files read inside the image.
#include "html/html_report.h"
#include "messages/messages.h"
#include "support/test_support.h"
#include "ui/busy_qt.h"
#include "ui/dir_list_box.h"
#include "ui/main_form.h"
#include "ui/options_html_qt.h"
#include "ui/window_images.h"
#include "ui_test_helpers.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QtTest>

#include <cstdlib>
#include <filesystem>

using namespace quarex;

namespace {

std::string fixture(const std::string& name) { return test::readFile(std::string(QUAREX_TEST_DATA) + "/exe/" + name); }

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

bool floppyToolsPresent()
{
    return !QStandardPaths::findExecutable(QStringLiteral("mkfs.fat"), { "/usr/sbin", "/sbin", "/usr/bin" }).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("mcopy")).isEmpty();
}

// An empty 1.44 MB FAT floppy image at `image`.
bool makeFloppy(const std::string& image) { return run("PATH=$PATH:/usr/sbin:/sbin mkfs.fat -C '" + image + "' 1440"); }

// The row of `grid` whose real path is `path`, or -1.
int rowOfPath(const Grid& grid, const std::string& path)
{
    for (int r = 1; r < grid.Rows(); ++r)
        if (grid.rowPath(r) == path)
            return r;
    return -1;
}

} // namespace

class ImageWindowTest : public QObject {
    Q_OBJECT

private:
    test::RecordingDialogue m_dialogue;

    void explore(MainForm& form, const std::string& directory)
    {
        QVERIFY(form.selectDirectory(directory));
        form.findChild<QAbstractButton*>(QStringLiteral("Explorer"))->click();
    }

private slots:
    void initTestCase() { setDialogue(&m_dialogue); }
    void cleanupTestCase() { setDialogue(nullptr); }
    void init() { m_dialogue.shown.clear(); }

    void floppyImageIsExploredAndItsFilesDescribed()
    {
        if (!floppyToolsPresent())
            QSKIP("mkfs.fat or mcopy missing");
        test::TempDir tmp;
        const std::string setup = tmp.write("src/SETUP.EXE", fixture("fr32.exe"));
        const std::string readme = tmp.write("src/LISEZMOI.TXT", "Bonjour de la disquette\r\n");
        const std::string zip = tmp.write("src/DAMES.ZIP", "PK\x05\x06" + std::string(18, '\0'));
        const std::string image = tmp.str() + "/JEUX.IMG";
        QVERIFY(makeFloppy(image));
        QVERIFY(run("mmd -i '" + image + "' ::/JEUX"));
        QVERIFY(run("mcopy -i '" + image + "' '" + setup + "' '" + readme + "' ::/"));
        QVERIFY(run("mcopy -i '" + image + "' '" + zip + "' ::/JEUX/"));

        MainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        explore(form, image);
        QCOMPARE(form.listeRepertoire()->Path(), image);
        QCOMPARE(&form.scanFileSystem(), &form.images().fileSystem());

        const Grid& setups = form.tables().GridLogiciel(0);
        const Grid& archives = form.tables().GridLogiciel(2);
        QCOMPARE(setups.Rows(), 2);
        int setupRow = rowOfPath(setups, image + "/SETUP.EXE");
        QCOMPARE(setupRow, 1);
        QCOMPARE(setups.cell(1, 1), " " + image);
        QCOMPARE(archives.Rows(), 2);
        QCOMPARE(rowOfPath(archives, image + "/JEUX/DAMES.ZIP"), 1);

        // The detail zone reads the program's version strings and the offered text inside the image.
        form.zoneDesTableaux()->setCurrentIndex(0);
        form.showRowDetails(0, setupRow);
        QCOMPARE(form.textInfo(5)->text().toStdString().rfind(image + "/", 0), std::size_t(0));
        QCOMPARE(form.textInfo(4)->text(), QStringLiteral("Collectionneur — Œuvres complètes"));
        QCOMPARE(form.textInfo(2)->text(), QStringLiteral("FR32"));
        QVERIFY2(form.textViewer()->toPlainText().contains(QStringLiteral("Bonjour de la disquette")),
            qPrintable(form.textViewer()->toPlainText()));
        QVERIFY(m_dialogue.shown.empty());

        // The folder holding the image: the image stays a file there, and the details go back to the disk.
        tmp.write("AUTRE/INSTALL.EXE", fixture("fr32.exe"));
        explore(form, tmp.str());
        QCOMPARE(&form.scanFileSystem(), &nativeFileSystem());
        QCOMPARE(rowOfPath(form.tables().GridLogiciel(0), image + "/SETUP.EXE"), -1);
        int install = rowOfPath(form.tables().GridLogiciel(0), tmp.str() + "/AUTRE/INSTALL.EXE");
        QVERIFY(install > 0);
        form.showRowDetails(0, install);
        QCOMPARE(form.textInfo(2)->text(), QStringLiteral("FR32"));
    }

    void fileThatIsNoImageIsNotSelected()
    {
        test::TempDir tmp;
        const std::string fake = tmp.write("FAUX.IMG", std::string(4096, 'x'));
        MainForm form;
        QVERIFY(form.selectDirectory(tmp.str()));
        QVERIFY(!form.selectDirectory(fake));
        QCOMPARE(form.listeRepertoire()->Path(), tmp.str());
        std::string why;
        QVERIFY(!form.images().opensAsImage(fake, why));
        QVERIFY(!why.empty());
    }

    // The HTML report of an image's tables quotes the texts read inside the image.
    void reportReadsInsideTheImage()
    {
        if (!floppyToolsPresent())
            QSKIP("mkfs.fat or mcopy missing");
        test::TempDir tmp;
        const std::string setup = tmp.write("src/SETUP.EXE", "MZ");
        const std::string readme = tmp.write("src/README.TXT", "Lisez-moi de la disquette");
        const std::string image = tmp.str() + "/JEU.IMG";
        QVERIFY(makeFloppy(image));
        QVERIFY(run("mcopy -i '" + image + "' '" + setup + "' '" + readme + "' ::/"));
        const std::string out = tmp.mkdir("out");
        MainForm form;
        explore(form, image);
        QVERIFY(form.findChild<QAbstractButton*>(QStringLiteral("ConvertHTML"))->isEnabled());
        Lib_OptionsHTML::instance().setOptions(HtmlOptions {});
        m_dialogue.saveAnswer = out + "/rapport.htm";
        m_dialogue.questionAnswers = { AnswerYes, AnswerYes, AnswerNo };
        form.findChild<QAbstractButton*>(QStringLiteral("ConvertHTML"))->click();
        const std::string data = test::readFile(out + "/rapport_donnees.htm");
        QVERIFY2(data.find("<KBD>\r\nLisez-moi de la disquette\r\n</KBD>") != std::string::npos, data.c_str());
    }

    // Damage met inside the image stays said on the status line once the scan is over.
    void damageInsideTheImageIsSaid()
    {
        if (!floppyToolsPresent())
            QSKIP("mkfs.fat or mcopy missing");
        test::TempDir tmp;
        const std::string setup = tmp.write("src/SETUP.EXE", fixture("fr32.exe"));
        const std::string image = tmp.str() + "/COUPE.IMG";
        QVERIFY(makeFloppy(image));
        QVERIFY(run("mmd -i '" + image + "' ::/JEUX"));
        QVERIFY(run("mcopy -i '" + image + "' '" + setup + "' ::/JEUX/"));
        std::filesystem::resize_file(image, 40000); // the folder JEUX and the program lie beyond
        MainForm form;
        explore(form, image);
        const std::vector<std::string> problems = form.images().problems();
        QVERIFY(!problems.empty());
        QCOMPARE(currentMainMsg(), problems.front());
        QCOMPARE(currentMainMsg().rfind(image + " : ", 0), std::size_t(0));

        // A sound folder explored next leaves the line clear.
        tmp.write("sain/PROG.EXE", "MZ");
        explore(form, tmp.str() + "/sain");
        QCOMPARE(currentMainMsg(), std::string());
    }

    // The last entry of the drive list asks for an image: chosen, it is selected; cancelled or unreadable, the
    // list shows the current folder's volume again.
    void driveListOffersAnImage()
    {
        if (!floppyToolsPresent())
            QSKIP("mkfs.fat or mcopy missing");
        test::TempDir tmp;
        const std::string image = tmp.str() + "/DISQ.IMA";
        QVERIFY(makeFloppy(image));
        const std::string fake = tmp.write("FAUX.ISO", std::string(4096, 'x'));
        MainForm form;
        form.setVolumes({ { "/", "", "ext4", "" } });
        QVERIFY(form.selectDirectory(tmp.str()));
        QComboBox* drives = form.listeDrive();
        QCOMPARE(drives->count(), 2);
        QCOMPARE(drives->itemText(1), QStringLiteral("Image disque…"));

        m_dialogue.openAnswer.clear();
        drives->setCurrentIndex(1);
        QCOMPARE(m_dialogue.shown.size(), std::size_t(1));
        QCOMPARE(m_dialogue.shown[0].kind, std::string("open"));
        QVERIFY(m_dialogue.shown[0].details[0].find("*.iso") != std::string::npos);
        QCOMPARE(drives->currentIndex(), 0);
        QCOMPARE(form.listeRepertoire()->Path(), tmp.str());

        m_dialogue.shown.clear();
        m_dialogue.openAnswer = fake;
        drives->setCurrentIndex(1);
        QCOMPARE(drives->currentIndex(), 0);
        QCOMPARE(form.listeRepertoire()->Path(), tmp.str());
        QCOMPARE(m_dialogue.shown.size(), std::size_t(2));
        QCOMPARE(m_dialogue.shown[1].kind, std::string("information"));
        QVERIFY2(
            m_dialogue.shown[1].text.find("Image illisible : " + fake + " (") == 0, m_dialogue.shown[1].text.c_str());

        m_dialogue.shown.clear();
        m_dialogue.openAnswer = image;
        drives->setCurrentIndex(1);
        QCOMPARE(form.listeRepertoire()->Path(), image);
        QCOMPARE(drives->currentIndex(), 0);
        QCOMPARE(m_dialogue.shown.size(), std::size_t(1));
    }
};

QTEST_MAIN(ImageWindowTest)
#include "image_window_test.moc"
