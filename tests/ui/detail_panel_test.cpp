// The detail zone of the main window: header and blank rows, the "0" placeholders, version strings, the
// icon and its tooltip, the related files with the offered text, and the row double-click.
#include "grid/grid.h"
#include "text/text.h"
#include "support/fake_launch_platform.h"
#include "support/scanned_row.h"
#include "support/test_support.h"
#include "ui/detail_panel.h"
#include "ui/grid_view.h"
#include "ui/main_form.h"
#include "ui/text_viewer.h"
#include "ui_test_helpers.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QtTest>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include <filesystem>
#include <memory>

using namespace quarex;
using quarex::test::FakeLaunchPlatform;
using quarex::test::RecordingDialogue;
using quarex::test::ScopedLaunchPlatform;
using quarex::test::TempDir;

namespace {

std::string fixture(const std::string& name) { return test::readFile(std::string(QUAREX_TEST_DATA) + "/exe/" + name); }

// A row as the scan writes it: description (or size), location, proper-case name, real path.
int addRow(Grid& grid, const std::string& folder, const std::string& rawName, const std::string& first = " 0")
{
    return test::addScannedRow(grid, folder, rawName, first);
}

std::string plainDosProgram() { return "MZ" + std::string(62, '\0') + "\xB4\x4C\xCD\x21"; }

struct Window {
    MainForm form;
    Window()
    {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }
    std::string info(int i) const { return form.textInfo(i)->text().toStdString(); }
    QLabel* icon() const { return form.findChild<QLabel*>(QStringLiteral("IconeFichier")); }
    QListWidget* list() const { return form.findChild<QListWidget*>(QStringLiteral("ListFichier")); }
    QStringList entries() const
    {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names << list()->item(i)->text();
        return names;
    }
};

} // namespace

class DetailPanelTest : public QObject {
    Q_OBJECT

private:
    RecordingDialogue m_messages;

private slots:
    void init()
    {
        m_messages.shown.clear();
        setDialogue(&m_messages);
    }
    void cleanup() { setDialogue(nullptr); }

    void versionStringsIconAndFirstClick()
    {
        TempDir tmp;
        std::string folder = tmp.mkdir("WIN95/COLLEC");
        tmp.write("WIN95/COLLEC/FR32.EXE", fixture("fr32.exe"));
        Window w;
        Grid& g = w.form.tables().GridLogiciel(1);
        int r = addRow(g, folder, "FR32.EXE");
        w.form.showRowDetails(1, r);

        QCOMPARE(w.info(5), folder + "/Fr32.exe");
        QCOMPARE(w.info(4), std::string("Collectionneur — Œuvres complètes"));
        QCOMPARE(w.info(1), std::string("© 1996-1998 Éditions Àlacarte. Tous droits réservés."));
        QCOMPARE(w.info(2), std::string("FR32"));
        QCOMPARE(w.info(3), std::string("Éditions Àlacarte & Cie"));
        // The "0" of column 0 became the description on this first click.
        std::string description = g.cell(r, 0);
        QVERIFY(description.find("Gestionnaire de collections") != std::string::npos);

        // The file's own icon, with its header kind and program type as the tooltip.
        QVERIFY(!w.icon()->pixmap().isNull());
        QCOMPARE(w.icon()->pixmap().size(), QSize(32, 32));
        QVERIFY(w.icon()->toolTip().contains(QStringLiteral("Exécutable Win32 (PE, i386, graphique)")));
        QVERIFY(w.icon()->toolTip().contains(QStringLiteral("Programme Windows 95")));

        // Only a "0" is replaced: a later click leaves the cell as it is.
        g.setCell(r, 0, " Ma description");
        w.form.showRowDetails(1, r);
        QCOMPARE(g.cell(r, 0), std::string(" Ma description"));
        QVERIFY(m_messages.shown.empty());
    }

    // The program type guessed from the path is written in the zone, beside the header kind; a row
    // whose path suggests nothing shows the kind alone, and a cleared zone shows neither.
    void programTypeBesideTheHeaderKind()
    {
        TempDir tmp;
        std::string win95 = tmp.mkdir("WIN95/COLLEC");
        tmp.write("WIN95/COLLEC/FR32.EXE", fixture("fr32.exe"));
        std::string plain = tmp.mkdir("OUTILS");
        tmp.write("OUTILS/PROG.EXE", plainDosProgram());
        Window w;
        auto* type = w.form.findChild<QLabel*>(QStringLiteral("TypeProgramme"));
        QVERIFY(type);
        Grid& g = w.form.tables().GridLogiciel(1);
        int guessed = addRow(g, win95, "FR32.EXE");
        int unknown = addRow(g, plain, "PROG.EXE");

        w.form.showRowDetails(1, guessed);
        QVERIFY(type->isVisible());
        QVERIFY2(
            type->text().contains(QStringLiteral("Exécutable Win32 (PE, i386, graphique)")), qPrintable(type->text()));
        QVERIFY2(type->text().contains(QStringLiteral("Programme Windows 95")), qPrintable(type->text()));
        // Wholly on screen, within the window.
        QVERIFY(type->fontMetrics().horizontalAdvance(type->text()) <= type->width());
        QVERIFY(type->geometry().right() < w.form.width());

        w.form.showRowDetails(1, unknown);
        QVERIFY(!type->text().isEmpty());
        QVERIFY2(!type->text().contains(QStringLiteral("Programme Windows")), qPrintable(type->text()));

        w.form.detailPanel()->clear();
        QVERIFY(type->text().isEmpty());
    }

    // The path box shows names in proper case, which may not exist on a case-sensitive disc; its menu
    // copies the path the file really has.
    void pathBoxMenuCopiesTheRealPath()
    {
        TempDir tmp;
        std::string folder = tmp.mkdir("JEUX");
        tmp.write("JEUX/SETUP.EXE", plainDosProgram());
        Window w;
        Grid& g = w.form.tables().GridLogiciel(0);
        auto* path = w.form.textInfo(5);
        std::unique_ptr<QMenu> empty(w.form.detailPanel()->createPathMenu(path));
        QAction* copy = empty->findChild<QAction*>(QStringLiteral("CopierCheminReel"));
        QVERIFY(copy);
        QVERIFY(!copy->isEnabled());

        int r = addRow(g, folder, "SETUP.EXE");
        w.form.showRowDetails(0, r);
        const std::string shown = path->text().toStdString();
        QCOMPARE(shown, folder + "/Setup.exe");
        QVERIFY(!std::filesystem::exists(shown));

        QGuiApplication::clipboard()->clear();
        std::unique_ptr<QMenu> menu(w.form.detailPanel()->createPathMenu(path));
        copy = menu->findChild<QAction*>(QStringLiteral("CopierCheminReel"));
        QVERIFY(copy);
        QCOMPARE(copy->text(), QStringLiteral("Copier le chemin réel"));
        QVERIFY(copy->isEnabled());
        // The box's own commands stay (copy of the shown text among them).
        QVERIFY(menu->actions().size() > 2);
        copy->trigger();
        const QString copied = QGuiApplication::clipboard()->text();
        QCOMPARE(copied.toStdString(), folder + "/SETUP.EXE");
        QVERIFY(std::filesystem::exists(copied.toStdString()));
        // The box still shows the display form.
        QCOMPARE(path->text().toStdString(), shown);
    }

    void headerBlankAndPlaceholderRows()
    {
        TempDir tmp;
        std::string folder = tmp.mkdir("A");
        tmp.write("A/SETUP.EXE", plainDosProgram());
        tmp.write("A/readme.txt", "bonjour");
        Window w;
        Grid& g = w.form.tables().GridLogiciel(0);
        int r = addRow(g, folder, "SETUP.EXE");
        w.form.showRowDetails(0, r);
        QCOMPARE(w.info(5), folder + "/Setup.exe");

        // The header row changes nothing.
        w.form.showRowDetails(0, 0);
        QCOMPARE(w.info(5), folder + "/Setup.exe");
        QCOMPARE(w.entries(), QStringList { QStringLiteral("readme.txt") });

        // A row without a file name only clears the zone.
        int blank = iGetClearLineGrid(g, 2, true, "");
        g.setCell(blank, 1, " " + folder);
        w.form.showRowDetails(0, blank);
        QCOMPARE(w.info(5), std::string());
        QCOMPARE(w.list()->count(), 0);
        QVERIFY(w.icon()->pixmap().isNull());
        QVERIFY(w.form.textViewer()->isHidden());
        QCOMPARE(g.cell(blank, 1), " " + folder);

        // A "0" location is blanked, and nothing is described.
        int placeholder = addRow(g, "0", "OTHER.EXE");
        g.setCell(placeholder, 1, " 0");
        w.form.showRowDetails(0, placeholder);
        QCOMPARE(g.cell(placeholder, 1), std::string());
        QCOMPARE(w.info(5), std::string());
        QCOMPARE(g.cell(placeholder, 0), std::string(" 0"));
    }

    void programsWithoutIcons()
    {
        TempDir tmp;
        std::string folder = tmp.mkdir("DOS");
        tmp.write("DOS/JEU.EXE", plainDosProgram());
        tmp.write("DOS/OUTIL64.EXE", fixture("langs64.exe"));
        Window w;
        Grid& g = w.form.tables().GridLogiciel(1);
        int dos = addRow(g, folder, "JEU.EXE");
        int pe = addRow(g, folder, "OUTIL64.EXE");

        // A plain MS-DOS program: the generic program icon, and it says what it is.
        w.form.showRowDetails(1, dos);
        QVERIFY(!w.icon()->pixmap().isNull());
        QCOMPARE(w.info(2), std::string("Programme MS-DOS"));
        QVERIFY(w.icon()->toolTip().contains(QStringLiteral("MS-DOS")));

        // A 64-bit program without an icon nor an internal name is not called an MS-DOS program.
        w.form.showRowDetails(1, pe);
        QVERIFY(!w.icon()->pixmap().isNull());
        QCOMPARE(w.info(2), std::string());
        QVERIFY(w.icon()->toolTip().contains(QStringLiteral("Win64")));
    }

    void archivesRelatedFilesAndTheOfferedText()
    {
        TempDir tmp;
        std::string folder = tmp.mkdir("ZIPS");
        tmp.write("ZIPS/TOOLS.ZIP", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
        tmp.write("ZIPS/TOOLS.TXT", "Outils divers");
        tmp.write("ZIPS/file_id.diz", "Outils \xE9pat\xE9s");
        tmp.write("ZIPS/README.TXT", "lisez");
        Window w;
        Grid& g = w.form.tables().GridLogiciel(2);
        int r = addRow(g, folder, "TOOLS.ZIP");
        w.form.showRowDetails(2, r);

        // Every archive gets an icon; it is not an MS-DOS program.
        QVERIFY(!w.icon()->pixmap().isNull());
        QVERIFY(!w.icon()->toolTip().isEmpty());
        QCOMPARE(w.info(2), std::string());
        // Its size replaced the "0".
        QVERIFY(g.cell(r, 0) != " 0");

        // The archive's base name finds more than the archive itself: that is the list (the archive left out).
        QCOMPARE(w.entries(), QStringList { QStringLiteral("TOOLS.TXT") });
        QCOMPARE(w.form.detailPanel()->viewer().folder(), folder);

        // Without the base-name files, the fixed patterns apply and file_id.diz is shown at once.
        std::filesystem::remove(tmp.path() / "ZIPS/TOOLS.TXT");
        w.form.showRowDetails(2, r);
        QCOMPARE(w.entries(), (QStringList { QStringLiteral("file_id.diz"), QStringLiteral("README.TXT") }));
        QVERIFY(!w.form.textViewer()->isHidden());
        QCOMPARE(w.form.textViewer()->toPlainText(), QStringLiteral("Outils épatés"));
        QCOMPARE(w.list()->currentItem()->text(), QStringLiteral("file_id.diz"));
    }

    void diskSetsListTheNextDisk()
    {
        TempDir tmp;
        std::string disk1 = tmp.mkdir("PRODUIT/DISK1");
        tmp.write("PRODUIT/DISK1/SETUP.EXE", plainDosProgram());
        tmp.write("PRODUIT/Disk2/LISEZMOI.TXT", "Disquette 2");
        Window w;
        Grid& g = w.form.tables().GridLogiciel(0);
        int r = addRow(g, disk1, "SETUP.EXE");
        w.form.showRowDetails(0, r);
        QCOMPARE(w.entries(), QStringList { QStringLiteral("LISEZMOI.TXT") });
        QCOMPARE(w.form.detailPanel()->viewer().folder(), tmp.str() + "/PRODUIT/Disk2");
        QCOMPARE(w.form.textViewer()->toPlainText(), QStringLiteral("Disquette 2"));
    }

    void windowsFolderOfTheWinePrefix()
    {
        TempDir tmp;
        std::string windows = tmp.mkdir("prefix/drive_c/windows");
        tmp.write("prefix/drive_c/windows/NOTEPAD.EXE", plainDosProgram());
        tmp.write("prefix/drive_c/windows/NOTEPAD.TXT", "aide");
        tmp.write("prefix/drive_c/windows/README.TXT", "autre");
        QByteArray saved = qgetenv("WINEPREFIX");
        qputenv("WINEPREFIX", QByteArray::fromStdString(tmp.str() + "/prefix"));
        Window w;
        int r = addRow(w.form.tables().GridLogiciel(1), windows, "NOTEPAD.EXE");
        w.form.showRowDetails(1, r);
        QStringList listed = w.entries();
        if (saved.isNull())
            qunsetenv("WINEPREFIX");
        else
            qputenv("WINEPREFIX", saved);
        // Only the files of the program's own name: the Windows folder's many texts stay out.
        QCOMPARE(listed, QStringList { QStringLiteral("NOTEPAD.TXT") });
    }

    void doubleClickRunsAfterTheQuestionOrOpensTheArchive()
    {
        TempDir tmp;
        std::string folder = tmp.mkdir("Mon CD");
        std::string exe = tmp.write("Mon CD/SETUP.EXE", plainDosProgram());
        std::string zip = tmp.write("Mon CD/DATA.ZIP", "PK");
        FakeLaunchPlatform platform;
        platform.runner = { "/opt/runner", "%f" };
        ScopedLaunchPlatform scoped(platform);
        Window w;
        int r0 = addRow(w.form.tables().GridLogiciel(0), folder, "SETUP.EXE");
        int r2 = addRow(w.form.tables().GridLogiciel(2), folder, "DATA.ZIP");

        // Answering no starts nothing.
        m_messages.answer = AnswerNo;
        emit w.form.gridLogiciel(0)->rowDoubleClicked(r0);
        QCOMPARE(m_messages.shown.size(), std::size_t(1));
        QCOMPARE(m_messages.shown[0].kind, std::string("question"));
        QCOMPARE(m_messages.shown[0].text, "Confirmez-vous l'execution du fichier ?\r\n" + exe);
        QVERIFY(platform.starts.empty());

        // Yes runs it, in its own folder.
        m_messages.answer = AnswerYes;
        emit w.form.gridLogiciel(0)->rowDoubleClicked(r0);
        QCOMPARE(platform.starts.size(), std::size_t(1));
        QCOMPARE(platform.starts[0].program, std::string("/opt/runner"));
        QCOMPARE(platform.starts[0].arguments, std::vector<std::string> { exe });
        QCOMPARE(platform.starts[0].workingDirectory, folder);

        // An archive opens at once.
        m_messages.shown.clear();
        emit w.form.gridLogiciel(2)->rowDoubleClicked(r2);
        QVERIFY(m_messages.shown.empty());
        QCOMPARE(platform.opened, std::vector<std::string> { zip });

        // A row without a file asks nothing.
        int blank = iGetClearLineGrid(w.form.tables().GridLogiciel(1), 2, true, "");
        emit w.form.gridLogiciel(1)->rowDoubleClicked(blank);
        QVERIFY(m_messages.shown.empty());
    }
};

QTEST_MAIN(DetailPanelTest)
#include "detail_panel_test.moc"
