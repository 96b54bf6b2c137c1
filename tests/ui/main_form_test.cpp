// The main window: its controls under their names, the resize rules, the tab switch, the scan
// driver on a real temporary tree, the help lines under the mouse, the drive change and shut-down.
#include "settings/app_paths.h"
#include "settings/startup.h"
#include "support/memory_file_system.h"
#include "support/test_support.h"
#include "text/string_table.h"
#include "ui/busy_qt.h"
#include "ui/dir_list_box.h"
#include "ui/grid_model.h"
#include "ui/grid_view.h"
#include "ui/main_form.h"
#include "ui_test_helpers.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

#include <filesystem>
#include <map>
#include <sys/resource.h>

using namespace quarex;

namespace {

const char* const kControls[] = { "ListeDrive", "ListeRepertoire", "Explorer", "ConvertHTML", "Exporter", "Imprimer",
    "CommandOption", "Apropos", "Quitter", "ShapeOmbre_0", "ShapeOmbre_1", "ShapeOmbre_2", "ShapeOmbre_3",
    "ShapeOmbre_4", "ShapeOmbre_5", "ShapeOmbre_6", "Line1_0", "Line2", "Line1_1", "ImageAppli", "Label2_11",
    "Label2_20", "Label2_21", "Label2_22", "TextInfo_0", "TextInfo_1", "TextInfo_2", "TextInfo_3", "TextInfo_4",
    "TextInfo_5", "TextInfo_6", "IconeFichier", "ZoneDesTableaux", "GridLogiciel_0", "GridLogiciel_1", "GridLogiciel_2",
    "LabelInfo_1", "ListFichier", "LabelInfo_2", "PrintTexte", "ImageSelect", "PanelAide", "TypeProgramme" };

QWidget* control(const MainForm& form, const char* name) { return form.findChild<QWidget*>(QString::fromLatin1(name)); }

// Geometry of every named control directly on the form.
std::map<QString, QRect> geometries(const MainForm& form)
{
    std::map<QString, QRect> out;
    for (QWidget* w : form.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (!w->objectName().isEmpty())
            out[w->objectName()] = w->geometry();
    for (int t = 0; t < TableCount; ++t)
        out[form.gridLogiciel(t)->objectName()] = form.gridLogiciel(t)->geometry();
    return out;
}

// Names whose geometry differs between two snapshots.
QStringList changedControls(const std::map<QString, QRect>& before, const std::map<QString, QRect>& after)
{
    QStringList out;
    for (const auto& [name, rect] : before)
        if (after.at(name) != rect)
            out << name;
    out.sort();
    return out;
}

void moveMouseOver(QWidget* w)
{
    QPointF local(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, local, w->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

bool tableButtonsEnabled(const MainForm& form)
{
    bool html = control(form, "ConvertHTML")->isEnabled();
    bool exp = control(form, "Exporter")->isEnabled();
    bool print = control(form, "Imprimer")->isEnabled();
    if (html != exp || exp != print)
        qWarning("the three table commands differ");
    return html && exp && print;
}

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private:
    test::RecordingDialogue m_dialogue;

    // Scans a directory with the window, as a click on Explorer does.
    void explore(MainForm& form, const std::string& directory)
    {
        QVERIFY(form.selectDirectory(directory));
        qobject_cast<QAbstractButton*>(control(form, "Explorer"))->click();
    }

private slots:
    void initTestCase() { setDialogue(&m_dialogue); }
    void cleanupTestCase() { setDialogue(nullptr); }
    void init() { m_dialogue.shown.clear(); }

    void controlsCarryTheirNames()
    {
        MainForm form;
        for (const char* name : kControls)
            QVERIFY2(control(form, name), name);
        QCOMPARE(form.panelAide()->findChild<QLabel*>(QStringLiteral("Msg")) != nullptr, true);
        QCOMPARE(form.windowTitle(), QStringLiteral("Quarex 1.0.0 : ") + QString::fromStdString(sLoadString(10001)));
        QCOMPARE(form.zoneDesTableaux()->count(), 3);
        // Design geometry at 15 twips per pixel.
        QCOMPARE(control(form, "Explorer")->geometry(), QRect(180, 5, 66, 56));
        QCOMPARE(control(form, "ListeRepertoire")->geometry(), QRect(5, 30, 172, 111));
        QCOMPARE(control(form, "ShapeOmbre_2")->geometry(), QRect(185, 10, 66, 55));
        QCOMPARE(control(form, "ListeDrive")->geometry(), QRect(5, 5, 172, 21));
        QCOMPARE(control(form, "TextInfo_5")->geometry().topLeft(), QPoint(305, 153));
        QCOMPARE(control(form, "ZoneDesTableaux")->geometry().topLeft(), QPoint(2, 153));
        QCOMPARE(form.size(), QSize(design::kClientWidth, design::kClientHeight));
        // Before any exploration: blank detail zone, hidden viewer, commands that need data disabled.
        QVERIFY(form.textInfo(6)->text().isEmpty());
        QVERIFY(control(form, "TextInfo_0")->isHidden());
        QVERIFY(control(form, "PrintTexte")->isHidden());
        QVERIFY(control(form, "LabelInfo_2")->isHidden());
        QVERIFY(control(form, "ImageSelect")->isHidden());
        QVERIFY(!tableButtonsEnabled(form));
        QCOMPARE(form.tables().GridLogiciel(2).cell(0, 0), std::string(" Taille en Ko"));
        QCOMPARE(form.gridLogiciel(0)->columnWidth(1), 280); // 4200 twips
    }

    void loadRulesPutQuitterAtTheRightEdge()
    {
        MainForm form;
        QWidget* quitter = control(form, "Quitter");
        QWidget* shadow = control(form, "ShapeOmbre_0");
        QCOMPARE(shadow->geometry().right() + 1, form.width());
        QCOMPARE(quitter->x(), shadow->x() - 5);
        QCOMPARE(control(form, "ListFichier")->geometry().bottom() + 1, form.panelAide()->y());
        QCOMPARE(form.panelAide()->geometry().bottom() + 1, form.height());
    }

    void narrowerOrLowerSnapsBack()
    {
        MainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.resize(500, 600);
        QTRY_COMPARE(form.width(), design::kClientWidth);
        form.resize(800, 300);
        QTRY_COMPARE(form.height(), design::kClientHeight);
        QTRY_COMPARE(form.width(), 800);
    }

    void wideningMovesOnlyWhatTheRulesName()
    {
        MainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto before = geometries(form);
        const int W = design::kClientWidth + 200;
        form.resize(W, design::kClientHeight);
        QTRY_COMPARE(form.width(), W);
        auto after = geometries(form);

        QStringList expected { "GridLogiciel_0", "IconeFichier", "Line1_0", "PanelAide", "Quitter", "ShapeOmbre_0",
            "TextInfo_0", "TextInfo_1", "TextInfo_2", "TextInfo_3", "TextInfo_4", "TextInfo_5", "TextInfo_6",
            "TypeProgramme", "ZoneDesTableaux" };
        QCOMPARE(changedControls(before, after), expected);

        QWidget* zone = control(form, "ZoneDesTableaux");
        // The program type line keeps its left end and reaches the right edge of the tabs.
        QCOMPARE(after["TypeProgramme"].x(), before["TypeProgramme"].x());
        QCOMPARE(after["TypeProgramme"].right(), zone->geometry().right());
        QCOMPARE(after["ShapeOmbre_0"].right() + 1, W); // the shadow touches the right edge
        QCOMPARE(after["Quitter"].x(), after["ShapeOmbre_0"].x() - 5);
        QCOMPARE(zone->width(), W - 2 * zone->x());
        QCOMPARE(after["TextInfo_6"].right(), zone->geometry().right()); // right-aligned with the tabs
        QCOMPARE(after["TextInfo_5"].right() + 1, after["TextInfo_6"].x()); // the path box reaches it
        for (const char* name : { "TextInfo_1", "TextInfo_2", "TextInfo_3", "TextInfo_4" })
            QCOMPARE(after[QString::fromLatin1(name)].width(), after["TextInfo_5"].width());
        QCOMPARE(after["IconeFichier"].x(), zone->x() + after["TextInfo_6"].x());
        QCOMPARE(after["Line1_0"].right() + 1, W - zone->x());
        QCOMPARE(after["GridLogiciel_0"].width(), zone->width() - 2 * design::kGridLeft);
        QCOMPARE(after["TextInfo_0"].width(), zone->width() - after["TextInfo_0"].x());
        // Only widths and horizontal places changed: heights stay.
        for (const auto& [name, rect] : before)
            QCOMPARE(after[name].height(), rect.height());
    }

    void tallerGrowsOnlyTheListAndTheViewer()
    {
        MainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto before = geometries(form);
        const int H = design::kClientHeight + 120;
        form.resize(design::kClientWidth, H);
        QTRY_COMPARE(form.height(), H);
        auto after = geometries(form);

        QStringList expected { "ListFichier", "PanelAide", "TextInfo_0" };
        QCOMPARE(changedControls(before, after), expected);
        QCOMPARE(after["ListFichier"].height(), before["ListFichier"].height() + 120);
        QCOMPARE(after["ListFichier"].bottom() + 1, after["PanelAide"].y()); // ends at the status bar
        QCOMPARE(after["TextInfo_0"].height(), after["ListFichier"].height());
        QCOMPARE(after["PanelAide"].bottom() + 1, H);
        QCOMPARE(after["PanelAide"].height(), before["PanelAide"].height());
    }

    void hiddenTabGridKeepsItsWidthUntilShown()
    {
        MainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.zoneDesTableaux()->setCurrentIndex(0);
        int hiddenWidth = form.gridLogiciel(1)->width();
        const int W = design::kClientWidth + 150;
        form.resize(W, design::kClientHeight);
        QTRY_COMPARE(form.width(), W);
        int wanted = form.zoneDesTableaux()->width() - 2 * design::kGridLeft;
        QCOMPARE(form.gridLogiciel(0)->width(), wanted);
        QCOMPARE(form.gridLogiciel(1)->width(), hiddenWidth);
        QCOMPARE(form.gridLogiciel(2)->width(), hiddenWidth);
        form.zoneDesTableaux()->setCurrentIndex(1);
        QCOMPARE(form.gridLogiciel(1)->width(), wanted);
        QCOMPARE(form.gridLogiciel(2)->width(), hiddenWidth);
    }

    void gridsSitAtTheirPlaceInsideTheTabs()
    {
        MainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget* zone = form.zoneDesTableaux();
        QPoint topLeft = form.gridLogiciel(0)->mapTo(zone, QPoint(0, 0));
        QCOMPARE(topLeft.x(), design::kGridLeft);
        QVERIFY(topLeft.y() >= design::kGridTop - 6 && topLeft.y() <= design::kGridTop + 6);
        QVERIFY(form.gridLogiciel(0)->geometry().bottom() < zone->height());
    }

    void scanFillsTablesAndShowsTheLargest()
    {
        test::TempDir tree;
        tree.write("Jeux/SETUP.EXE", "MZ");
        tree.write("Jeux/Dames.exe", "MZ");
        tree.write("Outils/install.exe", "MZ");
        tree.write("Outils/outils.zip", "PK");
        tree.write("Outils/_MSSETUP.EXE", "MZ");
        tree.write("a.zip", std::string(1500, 'x'));
        tree.write("b.ZIP", "PK");
        MainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        explore(form, tree.str());

        Grid& setups = form.tables().GridLogiciel(0);
        Grid& programs = form.tables().GridLogiciel(1);
        Grid& archives = form.tables().GridLogiciel(2);
        QCOMPARE(setups.Rows(), 3);
        QCOMPARE(programs.Rows(), 2);
        QCOMPARE(archives.Rows(), 4);
        QCOMPARE(programs.cell(1, 2), std::string(" Dames.exe"));
        QCOMPARE(programs.cell(1, 1), " " + tree.str() + "/Jeux");
        QCOMPARE(archives.cell(0, 3), std::string(" Date"));
        // Step 8: the largest table is shown; its row count is written and the commands are on.
        QCOMPARE(form.zoneDesTableaux()->currentIndex(), 2);
        QCOMPARE(form.textInfo(6)->text(), QStringLiteral("3"));
        QVERIFY(tableButtonsEnabled(form));
        QCOMPARE(archives.Row(), 1);
        QCOMPARE(archives.Col(), 2);
        QCOMPARE(form.gridLogiciel(2)->currentIndex().row(), 0);
        // The views show the whole tables once the scan is over.
        QCOMPARE(form.gridModel(0)->rowCount(), 2);
        QCOMPARE(form.gridModel(2)->data(form.gridModel(2)->index(0, 2)).toString(), QStringLiteral(" A.zip"));
        QVERIFY(!isBusy());
        QCOMPARE(currentMainMsg(), std::string());
        QVERIFY(m_dialogue.shown.empty());
    }

    void unreadableFoldersStaySaidAfterTheScan()
    {
        test::TempDir tree;
        std::string chain;
        for (int i = 0; i < 30; ++i)
            chain += "a/";
        tree.write(chain + "deep.exe", "MZ");
        tree.write("top.exe", "MZ");
        MainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // With only a few descriptors left, the folders past the first few cannot be opened.
        std::size_t open = 0;
        for ([[maybe_unused]] auto& fd : std::filesystem::directory_iterator("/proc/self/fd"))
            ++open;
        rlimit saved {};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit tight = saved;
        tight.rlim_cur = open + 4;
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &tight), 0);
        explore(form, tree.str());
        ::setrlimit(RLIMIT_NOFILE, &saved);

        QCOMPARE(form.tables().GridLogiciel(1).cell(1, 2), std::string(" Top.exe"));
        std::string said = currentMainMsg();
        QVERIFY2(
            said.rfind("Exploration incompl\xC3\xA8te : r\xC3\xA9pertoire illisible : " + tree.str() + "/A/A", 0) == 0,
            said.c_str());
        QVERIFY(!isBusy());
    }

    void tableChoiceOnEqualCounts()
    {
        MainForm form;
        {
            test::TempDir tree; // one of each: the higher index wins
            tree.write("SETUP.EXE", "MZ");
            tree.write("jeu.exe", "MZ");
            tree.write("jeu.zip", "PK");
            explore(form, tree.str());
            QCOMPARE(form.zoneDesTableaux()->currentIndex(), 2);
        }
        {
            test::TempDir tree; // tables 0 and 1 equal and larger than 2: table 1
            tree.write("A/SETUP.EXE", "MZ");
            tree.write("B/INSTALL.EXE", "MZ");
            tree.write("a.exe", "MZ");
            tree.write("b.exe", "MZ");
            tree.write("c.zip", "PK");
            explore(form, tree.str());
            QCOMPARE(form.zoneDesTableaux()->currentIndex(), 1);
            QCOMPARE(form.textInfo(6)->text(), QStringLiteral("2"));
        }
        {
            test::TempDir tree; // a single installation program: its table, not an empty one
            tree.write("SETUP.EXE", "MZ");
            explore(form, tree.str());
            QCOMPARE(form.zoneDesTableaux()->currentIndex(), 0);
            QCOMPARE(form.textInfo(6)->text(), QStringLiteral("1"));
            QVERIFY(tableButtonsEnabled(form));
        }
        {
            test::TempDir tree; // table 0 largest
            tree.write("A/SETUP.EXE", "MZ");
            tree.write("B/setup.exe", "MZ");
            tree.write("a.exe", "MZ");
            explore(form, tree.str());
            QCOMPARE(form.zoneDesTableaux()->currentIndex(), 0);
            QCOMPARE(form.textInfo(6)->text(), QStringLiteral("2"));
        }
    }

    void emptyScanShowsZeroAndDisablesCommands()
    {
        test::TempDir tree;
        tree.write("lisezmoi.txt", "rien");
        tree.mkdir("vide");
        MainForm form;
        explore(form, tree.str());
        QCOMPARE(form.zoneDesTableaux()->currentIndex(), 2);
        QCOMPARE(form.textInfo(6)->text(), QStringLiteral("0"));
        QVERIFY(!tableButtonsEnabled(form));
        for (int t = 0; t < TableCount; ++t)
            QCOMPARE(form.tables().GridLogiciel(t).Rows(), 2); // one blank data row kept
    }

    // The window is painted on a clock during a scan, not once per folder (a paint costs far more than
    // a folder): a tree of many top-level folders gets few paints, and the tables are whole at the end.
    void scanPaintsOnAClockNotPerFolder()
    {
        test::TempDir tmp;
        for (int i = 0; i < 150; ++i) {
            std::string n = std::to_string(i);
            tmp.write("cd/JEU" + n + "/DISK1/SETUP.EXE", "MZ");
            tmp.write("cd/JEU" + n + "/DISK1/PROG" + n + ".EXE", "MZ");
        }
        MainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.selectDirectory(tmp.str() + "/cd"));
        QElapsedTimer clock;
        clock.start();
        form.findChild<QAbstractButton*>(QStringLiteral("Explorer"))->click();
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(form.scanRefreshCount() <= elapsed / MainForm::kScanRefreshMs + 1,
            qPrintable(QStringLiteral("%1 paints in %2 ms").arg(form.scanRefreshCount()).arg(elapsed)));
        QCOMPARE(form.tables().GridLogiciel(0).Rows(), 151);
        QCOMPARE(form.tables().GridLogiciel(1).Rows(), 151);
        QCOMPARE(form.gridModel(0)->rowCount(), 150);
        QVERIFY(!form.gridModel(0)->inBatch());
        QVERIFY(!isBusy());
    }

    void secondScanReplacesTheFirst()
    {
        test::TempDir first, second;
        for (int i = 0; i < 5; ++i)
            first.write("p" + std::to_string(i) + ".exe", "MZ");
        second.write("seul.exe", "MZ");
        MainForm form;
        explore(form, first.str());
        QCOMPARE(form.tables().GridLogiciel(1).Rows(), 6);
        explore(form, second.str());
        QCOMPARE(form.tables().GridLogiciel(1).Rows(), 2);
        QCOMPARE(form.gridModel(1)->rowCount(), 1);
        QCOMPARE(form.tables().GridLogiciel(1).cell(1, 2), std::string(" Seul.exe"));
        // Three tables of one row each, two of them blank: the one holding the file is shown.
        QCOMPARE(form.zoneDesTableaux()->currentIndex(), 1);
        QCOMPARE(form.textInfo(6)->text(), QStringLiteral("1"));
        form.zoneDesTableaux()->setCurrentIndex(2);
        QCOMPARE(form.textInfo(6)->text(), QStringLiteral("0"));
    }

    void explorerTakesTheSelectedEntry()
    {
        test::TempDir tree;
        tree.write("dehors.exe", "MZ");
        tree.write("Dedans/ici.exe", "MZ");
        MainForm form;
        QVERIFY(form.selectDirectory(tree.str()));
        form.listeRepertoire()->setListIndex(0); // the subdirectory "Dedans"
        qobject_cast<QAbstractButton*>(control(form, "Explorer"))->click();
        QCOMPARE(form.tables().GridLogiciel(1).Rows(), 2);
        QCOMPARE(form.tables().GridLogiciel(1).cell(1, 2), std::string(" Ici.exe"));
    }

    void tabSwitchWritesCountHeaderAndButtons()
    {
        test::TempDir tree;
        tree.write("SETUP.EXE", "MZ");
        tree.write("a.zip", "PK");
        tree.write("b.zip", "PK");
        MainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        explore(form, tree.str());
        QCOMPARE(form.zoneDesTableaux()->currentIndex(), 2);

        form.zoneDesTableaux()->setCurrentIndex(1); // empty table
        QCOMPARE(form.textInfo(6)->text(), QStringLiteral("0"));
        QVERIFY(!tableButtonsEnabled(form));
        QCOMPARE(form.tables().GridLogiciel(1).cell(0, 3), std::string(" Version"));
        QCOMPARE(form.tables().GridLogiciel(1).Col(), 2);

        form.zoneDesTableaux()->setCurrentIndex(0);
        QCOMPARE(form.textInfo(6)->text(), QStringLiteral("1"));
        QVERIFY(tableButtonsEnabled(form));
        QCOMPARE(form.gridModel(0)->headerData(3, Qt::Horizontal).toString(), QStringLiteral(" Version"));

        form.tables().GridLogiciel(2).setRow(2);
        form.zoneDesTableaux()->setCurrentIndex(2);
        QCOMPARE(form.tables().GridLogiciel(2).cell(0, 3), std::string(" Date"));
        QCOMPARE(form.tables().GridLogiciel(2).Row(), 2); // the selected row is kept
        QCOMPARE(form.textInfo(6)->text(), QStringLiteral("2"));
        QVERIFY(!isBusy());
    }

    void helpLinesUnderTheMouse()
    {
        MainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));

        moveMouseOver(control(form, "Explorer"));
        QCOMPARE(QString::fromStdString(currentMainMsg()),
            QStringLiteral("Lance l'exploration du répertoire sélectionné pour la recherche d'exécutables."));
        QVERIFY(control(form, "Explorer")->hasFocus()); // a command button takes the focus first

        moveMouseOver(control(form, "Apropos"));
        QCOMPARE(QString::fromStdString(currentMainMsg()),
            QStringLiteral("Affiche une fenêtre d'informations sur le logiciel")); // no period
        moveMouseOver(control(form, "CommandOption"));
        QCOMPARE(currentMainMsg(), std::string());

        moveMouseOver(form.gridLogiciel(0)->viewport());
        QCOMPARE(QString::fromStdString(currentMainMsg()),
            QStringLiteral("Liste des procédures d'installation : Setup et Install. Double-cliquez pour lancer "
                           "l'exécution."));
        moveMouseOver(form.listeRepertoire()->viewport());
        QCOMPARE(QString::fromStdString(currentMainMsg()),
            QStringLiteral("Liste des répertoires sélectionnables pour lancer l'exploration"));
        moveMouseOver(form.textViewer()->viewport());
        QCOMPARE(QString::fromStdString(currentMainMsg()),
            QStringLiteral("Zone d'affichage des fichiers ASCII sélectionnés"));
        moveMouseOver(form.panelAide());
        QCOMPARE(currentMainMsg(), sLoadString(255));
        moveMouseOver(form.textInfo(6));
        QCOMPARE(QString::fromStdString(currentMainMsg()),
            QStringLiteral("Zone d'affichage du nombre de ligne du tableau courant."));

        // A caption without help keeps the line; the window's background clears it.
        moveMouseOver(control(form, "Label2_11"));
        QCOMPARE(QString::fromStdString(currentMainMsg()),
            QStringLiteral("Zone d'affichage du nombre de ligne du tableau courant."));
        moveMouseOver(&form);
        QCOMPARE(currentMainMsg(), std::string());
    }

    void helpTextTable()
    {
        QCOMPARE(MainForm::helpText(QStringLiteral("ListFichier")),
            QStringLiteral("Liste de certains fichiers dans le même répertoire que l'exécutable."));
        QCOMPARE(MainForm::helpText(QStringLiteral("GridLogiciel_2")),
            QStringLiteral("Liste des fichiers Archive ZIP. Double-cliquez pour lancer l'exécution du programme "
                           "associé à l'extension."));
        QCOMPARE(MainForm::helpText(QStringLiteral("Quitter")), QStringLiteral("Permet de quitter l'application"));
        QCOMPARE(MainForm::helpText(QStringLiteral("TextInfo_3")), QString());
        QCOMPARE(MainForm::helpText(QStringLiteral("PrintTexte")).right(1), QStringLiteral("."));
    }

    void unreadableDriveRestoresTheDirectoryList()
    {
        test::MemoryFileSystem fs;
        fs.addDirectory("/home/moi/Jeux");
        fs.addDirectory("/media/cdrom");
        fs.makeUnreadable("/media/cdrom");
        MainForm form;
        form.setNavigationFileSystem(&fs);
        form.setVolumes({ { "/", "", "ext4", "" }, { "/media/cdrom", "/dev/sr0", "iso9660", "VIDE" } });
        QVERIFY(form.selectDirectory("/home/moi"));
        QCOMPARE(form.listeDrive()->currentIndex(), 0);
        m_dialogue.shown.clear();

        form.listeDrive()->setCurrentIndex(1);
        QCOMPARE(form.listeRepertoire()->Path(), std::string("/home/moi"));
        QCOMPARE(form.listeDrive()->currentIndex(), 1); // the drive list keeps the user's choice
        QCOMPARE(form.listeDrive()->currentText(), QStringLiteral("/media/cdrom [VIDE]"));
        QCOMPARE(m_dialogue.shown.size(), std::size_t(1));
        QCOMPARE(m_dialogue.shown[0].title, std::string("Error message"));
        const std::string& text = m_dialogue.shown[0].text;
        QVERIFY(text.rfind("Erreur lors du changement de lecteur.\r\n\r\nS'il s'agit d'un lecteur de CD-ROM ou d'un "
                           "lecteur ammovible,\r\nassurez-vous que le lecteur ne soit pas vide.",
                    0)
            == 0);

        m_dialogue.shown.clear();
        form.listeDrive()->setCurrentIndex(0); // a readable volume: the list follows
        QCOMPARE(form.listeRepertoire()->Path(), std::string("/"));
        QVERIFY(m_dialogue.shown.empty());
    }

    void selectingADirectoryPicksItsVolume()
    {
        test::MemoryFileSystem fs;
        fs.addDirectory("/media/cdrom/JEUX");
        MainForm form;
        form.setNavigationFileSystem(&fs);
        form.setVolumes({ { "/", "", "", "" }, { "/media/cdrom", "", "", "" } });
        QVERIFY(form.selectDirectory("/media/cdrom/JEUX"));
        QCOMPARE(form.listeDrive()->currentIndex(), 1);
        QCOMPARE(form.listeRepertoire()->selectedDirectory(), std::string("/media/cdrom/JEUX"));
        QVERIFY(!form.selectDirectory("/absent"));
        QCOMPARE(form.listeRepertoire()->Path(), std::string("/media/cdrom/JEUX"));
    }

    void aboutBoxShowsTitleVersionPlatformAndDescription()
    {
        MainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QMap<QString, QString> labels;
        bool busyWhileOpen = false;
        test::whenModalOpens([&](QWidget* box) {
            for (QLabel* label : box->findChildren<QLabel*>())
                labels[label->objectName()] = label->text();
            busyWhileOpen = isBusy();
            box->close();
        });
        qobject_cast<QAbstractButton*>(control(form, "Apropos"))->click();
        QCOMPARE(labels.value(QStringLiteral("LabelTitre")), QStringLiteral("Quarex"));
        QCOMPARE(labels.value(QStringLiteral("LabelVersion")), QStringLiteral("v1.0.0"));
        QCOMPARE(labels.value(QStringLiteral("LabelDescription")), QString::fromStdString(sLoadString(10001)));
        QCOMPARE(labels.value(QStringLiteral("LabelPlateforme")),
            QStringLiteral("Version %1 bits pour Linux").arg(QSysInfo::WordSize));
        QVERIFY(busyWhileOpen);
        QVERIFY(!isBusy());
    }

    void helpPanelFollowsTheOption()
    {
        MainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.panelAide()->isVisible());
        form.setHelpPanelVisible(false);
        QVERIFY(!form.panelAide()->isVisible());
    }

    void quittingDeletesTheScratchFileAndClosesOtherWindows()
    {
        test::TempDir home;
        StartupOptions options;
        options.programPath = home.str() + "/quarex";
        options.changeDirectory = false;
        initialiseLibrary(options);
        std::string scratch = scratchFilePath();
        QVERIFY(!scratch.empty());
        QVERIFY(std::filesystem::exists(scratch));
        std::filesystem::path settings = settingsFilePath();

        auto* form = new MainForm;
        form->show();
        QWidget other;
        other.setWindowTitle(QStringLiteral("Options et configuration HTML"));
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        qobject_cast<QAbstractButton*>(control(*form, "Quitter"))->click();
        QVERIFY(!std::filesystem::exists(scratch));
        QVERIFY(!other.isVisible());
        QVERIFY(!std::filesystem::exists(settings)); // nothing is written at shut-down
        delete form;
    }
};

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
