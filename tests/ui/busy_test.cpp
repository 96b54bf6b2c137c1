// The busy state and the status line: MainMsg writes and repaints only on a change, BusyOn/BusyOff
// set and restore the pointer, a status bar without its "Msg" panel is reported.
#include "ui/busy_qt.h"
#include "text/string_table.h"
#include "ui_test_helpers.h"

#include <QLabel>
#include <QStatusBar>
#include <QtTest>
#include <QProgressBar>

using namespace quarex;

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class BusyTest : public QObject {
    Q_OBJECT

private:
    QStatusBar* m_bar = nullptr;
    QLabel* m_msg = nullptr;

private slots:
    void init()
    {
        m_bar = new QStatusBar;
        m_msg = new QLabel(QStringLiteral("départ"));
        m_msg->setObjectName(QStringLiteral("Msg"));
        m_bar->addWidget(m_msg, 1);
        m_bar->resize(400, 22);
        m_bar->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_bar));
        setMainStatusBar(m_bar);
    }

    void cleanup()
    {
        BusyOff();
        setMainStatusBar(nullptr);
        delete m_bar;
        m_bar = nullptr;
    }

    void sameTextTwiceRepaintsOnce()
    {
        QApplication::processEvents();
        PaintCounter counter;
        m_msg->installEventFilter(&counter);
        MainMsg("Exploration du répertoire : /cdrom...");
        QCOMPARE(counter.paints, 1); // painted at once, before the caller goes on
        QApplication::processEvents(); // the bar's own relayout for the longer text
        counter.paints = 0;
        MainMsg("Exploration du répertoire : /cdrom...");
        QApplication::processEvents();
        QCOMPARE(counter.paints, 0); // the same text again: neither written nor repainted
        QCOMPARE(QString::fromStdString(currentMainMsg()), QStringLiteral("Exploration du répertoire : /cdrom..."));
        MainMsg("autre");
        QCOMPARE(counter.paints, 1);
        m_msg->removeEventFilter(&counter);
    }

    void comparisonIsCaseSensitive()
    {
        MainMsg("Texte");
        PaintCounter counter;
        m_msg->installEventFilter(&counter);
        MainMsg("texte");
        QCOMPARE(counter.paints, 1);
        QCOMPARE(m_msg->text(), QStringLiteral("texte"));
        m_msg->removeEventFilter(&counter);
    }

    void busyOnShowsDefaultTextAndHourglass()
    {
        BusyOn();
        QCOMPARE(m_msg->text(), QStringLiteral("Traitement en cours, patientez s.v.p"));
        QCOMPARE(m_msg->text().toStdString(), sLoadString(295));
        QVERIFY(isBusy());
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }

    void busyOnWithEmptyTextStillSetsHourglass()
    {
        MainMsg("x");
        BusyOn(std::string());
        QCOMPARE(m_msg->text(), QString());
        QVERIFY(isBusy());
    }

    void busyOffClearsLineAndRestoresPointer()
    {
        MainMsg("x");
        BusyOn("travail");
        QCOMPARE(m_msg->text(), QStringLiteral("travail"));
        BusyOff();
        QCOMPARE(m_msg->text(), QString());
        QVERIFY(!isBusy());
        QVERIFY(!QApplication::overrideCursor());
    }

    void busyCallsDoNotNest()
    {
        BusyOn("dehors");
        BusyOn("dedans");
        BusyOn();
        BusyOff(); // the inner operation ends: the default pointer is back although the outer one runs
        QVERIFY(!QApplication::overrideCursor());
    }

    void statusBarWithoutMsgPanelIsReported()
    {
        test::RecordingDialogue dialogue;
        QStatusBar bare;
        setMainStatusBar(&bare);
        MainMsg("rien");
        QCOMPARE(dialogue.shown.size(), std::size_t(1));
        QCOMPARE(dialogue.shown[0].kind, std::string("error"));
        QCOMPARE(dialogue.shown[0].text, std::string("Error in MainMsg()"));
        QCOMPARE(dialogue.shown[0].title, std::string("Error message"));
        QCOMPARE(currentMainMsg(), std::string());
        setMainStatusBar(m_bar);
        QCOMPARE(m_msg->text(), QStringLiteral("départ")); // the real line was not touched
    }

    void noWindowMeansNoLine()
    {
        setMainStatusBar(nullptr);
        test::RecordingDialogue dialogue;
        MainMsg("perdu");
        BusyOn();
        QVERIFY(isBusy());
        BusyOff();
        QVERIFY(dialogue.shown.empty());
        QCOMPARE(m_msg->text(), QStringLiteral("départ"));
    }

    // A long task: the busy state, a bar in the status bar that follows the steps at a bounded pace
    // (each step that shows repaints the window), and nothing left once the task ends.
    void progressBarForALongTask()
    {
        {
            BusyProgress progress;
            QVERIFY(isBusy());
            QCOMPARE(currentMainMsg(), sLoadString(295));
            QProgressBar* bar = m_bar->findChild<QProgressBar*>(QStringLiteral("Progression"));
            QVERIFY(bar);
            QCOMPARE(progress.bar(), bar);
            QVERIFY(bar->isVisible());
            const int shown = progress.repaints();
            // Steps closer together than the period are only counted.
            for (int i = 0; i < 1000; ++i)
                progress.step(i, 1000);
            QVERIFY(progress.repaints() <= shown + 1);
            const int before = progress.repaints();
            QTest::qWait(120);
            progress.step(250, 1000);
            QCOMPARE(progress.repaints(), before + 1);
            QCOMPARE(bar->maximum(), 1000);
            QCOMPARE(bar->value(), 250);
            QTest::qWait(120);
            // Totals beyond an int, and a task that cannot count.
            progress.step(3'000'000'000LL, 6'000'000'000LL);
            QCOMPARE(bar->value(), 500);
            QTest::qWait(120);
            progress.step(5, 0);
            QCOMPARE(bar->maximum(), 0);
        }
        QVERIFY(!m_bar->findChild<QProgressBar*>(QStringLiteral("Progression")));
        // The busy state is the caller's to end.
        QVERIFY(isBusy());
        BusyOff();
        QVERIFY(!isBusy());
    }

    // A notice (what was launched) is not replaced by the help lines, but a new task's message replaces it.
    void noticeStaysUntilTheNextTask()
    {
        MainNotice("Lancement de SETUP.EXE avec wine", 30000);
        QCOMPARE(currentMainNotice(), std::string("Lancement de SETUP.EXE avec wine"));
        MainMsg("Aide sous la souris");
        QCOMPARE(currentMainNotice(), std::string("Lancement de SETUP.EXE avec wine"));
        BusyOff();
        QCOMPARE(currentMainNotice(), std::string("Lancement de SETUP.EXE avec wine"));
        BusyOn("Exploration du répertoire : /cd...");
        QCOMPARE(currentMainNotice(), std::string());
        QCOMPARE(m_msg->text(), QStringLiteral("Exploration du répertoire : /cd..."));
        QVERIFY(m_msg->isVisible());
    }

    void deletedStatusBarIsForgotten()
    {
        auto* bar = new QStatusBar;
        auto* label = new QLabel;
        label->setObjectName(QStringLiteral("Msg"));
        bar->addWidget(label);
        setMainStatusBar(bar);
        QCOMPARE(mainStatusBar(), bar);
        delete bar;
        QCOMPARE(mainStatusBar(), static_cast<QStatusBar*>(nullptr));
        MainMsg("après"); // must not touch freed memory
        QCOMPARE(currentMainMsg(), std::string());
    }
};

QTEST_MAIN(BusyTest)
#include "busy_test.moc"
