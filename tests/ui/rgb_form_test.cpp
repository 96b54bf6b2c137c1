// The colour picker: typing rules of the value boxes, Enter and leaving, the answer, Escape.
#include "ui/rgb_form_qt.h"
#include "text/string_table.h"
#include "ui_test_helpers.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

using namespace quarex;
using quarex::test::RecordingDialogue;
using quarex::test::whenModalOpens;

class RgbFormTest : public QObject {
    Q_OBJECT

private slots:
    void typedTextKeepsItsDecimalValue()
    {
        QCOMPARE(rgbValueText(QStringLiteral("300")), QStringLiteral("300"));
        QCOMPARE(rgbValueText(QStringLiteral("12ab")), QStringLiteral("12"));
        QCOMPARE(rgbValueText(QStringLiteral("abc")), QStringLiteral("0"));
        QCOMPARE(rgbValueText(QString()), QStringLiteral("0"));
        QCOMPARE(rgbValueText(QStringLiteral("1234")), QStringLiteral("123"));
        QCOMPARE(rgbValueText(QStringLiteral("  007 ")), QStringLiteral("7"));
        QCOMPARE(rgbValueText(QStringLiteral("-5")), QStringLiteral("-5"));

        Lib_RGBForm form;
        QLineEdit* red = form.findChild<QLineEdit*>(QStringLiteral("R_Value"));
        QVERIFY(red);
        red->selectAll();
        QTest::keyClicks(red, QStringLiteral("2x"));
        QCOMPARE(red->text(), QStringLiteral("2"));
        QTest::keyClicks(red, QStringLiteral("5"));
        QCOMPARE(red->text(), QStringLiteral("25"));
        QTest::keyClicks(red, QStringLiteral("5512"));
        QCOMPARE(red->text(), QStringLiteral("255"));
    }

    void enterAcceptsZeroTo255AndRejectsTheRest()
    {
        RecordingDialogue d;
        Lib_RGBForm form;
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QLineEdit* green = form.value(1);
        QScrollBar* bar = form.findChild<QScrollBar*>(QStringLiteral("HScroll_G"));
        QCOMPARE(bar, form.scroll(1));

        green->setFocus();
        green->selectAll();
        QTest::keyClicks(green, QStringLiteral("128"));
        QTest::keyClick(green, Qt::Key_Return);
        QCOMPARE(bar->value(), 128);
        QCOMPARE(form.hexLabel()->text(), QStringLiteral("008000"));
        QCOMPARE(form.sample()->palette().color(QPalette::Window), QColor(0, 128, 0));
        QVERIFY(d.shown.empty());

        green->selectAll();
        QTest::keyClicks(green, QStringLiteral("300"));
        QTest::keyClick(green, Qt::Key_Enter);
        QCOMPARE(bar->value(), 128);
        QCOMPARE(d.shown.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(d.shown[0].text),
            QStringLiteral("La valeur RGB doit être supérieure ou égale à 1 et inférieure ou égale à 255"));
        QVERIFY(form.isVisible());

        green->selectAll();
        QTest::keyClicks(green, QStringLiteral("0"));
        QTest::keyClick(green, Qt::Key_Return);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(d.shown.size(), std::size_t(1));

        // Leaving the box validates it as Enter does.
        green->setFocus();
        green->selectAll();
        QTest::keyClicks(green, QStringLiteral("64"));
        form.value(2)->setFocus();
        QCOMPARE(bar->value(), 64);
        QCOMPARE(form.colourText(), std::string("004000"));
    }

    void scrollBarsRefreshTheWindow()
    {
        Lib_RGBForm form;
        form.scroll(0)->setValue(255);
        form.scroll(2)->setValue(10);
        QCOMPARE(form.value(0)->text(), QStringLiteral("255"));
        QCOMPARE(form.value(2)->text(), QStringLiteral("10"));
        QCOMPARE(form.hexLabel()->text(), QStringLiteral("FF000A"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Sélection d'une couleur RGB (RVB)"));
        QCOMPARE(form.validerButton()->text(), QStringLiteral("Valider"));
        QCOMPARE(form.annulerButton()->text(), QStringLiteral("Annuler"));
        QVERIFY(!form.findChild<QLabel*>(QStringLiteral("reponse"))->isVisible());

        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(form.sample(), &enter);
        QCOMPARE(form.panelAide()->text(), QStringLiteral("Zone d'affichage de la couleur."));
        QApplication::sendEvent(form.findChild<QLabel*>(QStringLiteral("LabelB")), &enter);
        QCOMPARE(form.panelAide()->text(), QStringLiteral("Canal Bleu"));
    }

    void dialogStartsAtTheGivenColourAndAnswers()
    {
        int seen[3] = { -1, -1, -1 };
        whenModalOpens([&](QWidget* w) {
            auto* form = qobject_cast<Lib_RGBForm*>(w);
            QVERIFY(form);
            for (int c = 0; c < 3; ++c)
                seen[c] = form->scroll(c)->value();
            form->scroll(2)->setValue(1);
            form->validerButton()->click();
        });
        QCOMPARE(sGetDialogRGBbyString("#FF8000"), std::string("FF8001"));
        QCOMPARE(seen[0], 255);
        QCOMPARE(seen[1], 128);
        QCOMPARE(seen[2], 0);

        // Not a colour: the picker starts at black.
        whenModalOpens([&](QWidget* w) {
            auto* form = qobject_cast<Lib_RGBForm*>(w);
            for (int c = 0; c < 3; ++c)
                seen[c] = form->scroll(c)->value();
            form->validerButton()->click();
        });
        QCOMPARE(sGetDialogRGBbyString("12G456"), std::string("000000"));
        QCOMPARE(seen[0] + seen[1] + seen[2], 0);
    }

    void cancelEscapeAndCloseGiveNothing()
    {
        whenModalOpens([](QWidget* w) { qobject_cast<Lib_RGBForm*>(w)->annulerButton()->click(); });
        QCOMPARE(sGetDialogRGBbyString("00FF00"), std::string());

        whenModalOpens([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(sGetDialogRGBbyString("00FF00"), std::string());

        whenModalOpens([](QWidget* w) {
            auto* form = qobject_cast<Lib_RGBForm*>(w);
            QTest::keyClick(form->value(0), Qt::Key_Escape);
        });
        QCOMPARE(sGetDialogRGBbyString("00FF00"), std::string());

        Lib_RGBForm form;
        form.show();
        form.annulerButton()->click();
        QCOMPARE(form.reponse(), QStringLiteral("0"));
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(RgbFormTest)
#include "rgb_form_test.moc"
