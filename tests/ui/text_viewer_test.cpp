// The related-files list and the viewer: texts in any case of name and line end, the empty-file message, icons
// hiding the text, help files and documents handed to their programs, clicks and double-clicks on the list.
#include "scan/viewer_text.h"
#include "support/fake_launch_platform.h"
#include "support/test_support.h"
#include "ui/text_viewer.h"
#include "ui_test_helpers.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QtTest>

using namespace quarex;
using quarex::test::FakeLaunchPlatform;
using quarex::test::RecordingDialogue;
using quarex::test::ScopedLaunchPlatform;
using quarex::test::TempDir;

namespace {

std::string icoBytes(QColor colour, int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "ico");
    writer.write(image);
    return bytes.toStdString();
}

// The viewer's controls on one shown window.
struct ViewerWindow {
    QWidget window;
    QListWidget* list = new QListWidget(&window);
    QPlainTextEdit* text = new QPlainTextEdit(&window);
    QLabel* caption = new QLabel(QStringLiteral("Affichage des fichiers ASCII :"), &window);
    QToolButton* print = new QToolButton(&window);
    QLabel* image = new QLabel(&window);
    TextViewer viewer { TextViewer::Controls { list, text, caption, print, image } };

    ViewerWindow()
    {
        list->setGeometry(0, 0, 150, 200);
        text->setGeometry(160, 20, 400, 180);
        window.resize(600, 220);
        window.show();
        viewer.clear();
    }
    bool textShown() const { return !text->isHidden() && !caption->isHidden() && !print->isHidden(); }
    bool textHidden() const { return text->isHidden() && caption->isHidden() && print->isHidden(); }
    int rowOf(const QString& name) const
    {
        auto found = list->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? -1 : list->row(found.first());
    }
};

std::vector<RelatedFile> entries(std::initializer_list<const char*> names)
{
    std::vector<RelatedFile> out;
    for (const char* n : names)
        out.push_back({ n, n });
    return out;
}

} // namespace

class TextViewerTest : public QObject {
    Q_OBJECT

private slots:
    void loadJoinsLinesAndDecodes()
    {
        TempDir tmp;
        QPlainTextEdit box;
        box.setPlainText(QStringLiteral("ancien texte"));
        std::string cp1252 = tmp.write("a.txt", "Caf\xE9 cr\xE8me\r\nligne 2\r\n");
        QVERIFY(ChargeFichierTexte(cp1252, &box, false));
        QCOMPARE(box.toPlainText(), QStringLiteral("Café crème\nligne 2"));

        std::string noEnd = tmp.write("b.txt", "Caf\xC3\xA9 cr\xC3\xA8me\r\nligne 2");
        QVERIFY(ChargeFichierTexte(noEnd, &box, true));
        QCOMPARE(box.toPlainText(), QStringLiteral("Café crème\nligne 2"));

        // Many lines, with empty ones, across the pieces the box takes: nothing lost, nothing doubled.
        std::string bytes;
        QStringList expected;
        for (int i = 0; i < 7301; ++i) {
            QString line = i % 7 == 0 ? QString() : QStringLiteral("ligne %1").arg(i);
            expected << line;
            bytes += line.toStdString() + "\r\n";
        }
        QVERIFY(ChargeFichierTexte(tmp.write("c.txt", bytes), &box, true));
        QCOMPARE(box.blockCount(), 7301);
        QCOMPARE(box.toPlainText(), expected.join(QLatin1Char('\n')));

        // A blank name does nothing; a missing file is reported by the open routine and leaves the box alone.
        RecordingDialogue messages;
        QVERIFY(!ChargeFichierTexte("  ", &box, false));
        QVERIFY(messages.shown.empty());
        QVERIFY(!ChargeFichierTexte(tmp.str() + "/absent.txt", &box, false));
        QCOMPARE(messages.shown.size(), std::size_t(1));
        QCOMPARE(messages.shown[0].kind, std::string("error"));
        QVERIFY(messages.shown[0].text.find("absent.txt") != std::string::npos);
    }

    void namesThatAreNotUtf8KeepTheirBytes()
    {
        TempDir tmp;
        const std::string folder = tmp.str() + "/Jeux \xE9t\xE9";
        std::string readme = tmp.write("Jeux \xE9t\xE9/LISEZ\xC9.TXT", "Bonne lecture");
        ViewerWindow w;
        w.viewer.setEntries({ { "Lisezé.txt", "LISEZ\xC9.TXT" } }, folder, folder);
        QCOMPARE(w.viewer.folder(), folder);
        QCOMPARE(w.viewer.entryPath(0), readme);
        w.viewer.showEntry(0);
        QCOMPARE(w.text->toPlainText(), QStringLiteral("Bonne lecture"));
    }

    void textsShowWhateverTheCaseOfTheirName()
    {
        TempDir tmp;
        tmp.write("CD/README.TXT", "Lisez-moi\r\nd'abord");
        tmp.write("CD/file_id.diz", "Outil \xE9tonnant");
        ViewerWindow w;
        w.viewer.setEntries(entries({ "README.TXT", "file_id.diz" }), tmp.str() + "/CD", tmp.str() + "/CD");
        QCOMPARE(w.viewer.folder(), tmp.str() + "/CD");
        QVERIFY(w.textHidden());

        w.viewer.showEntry(w.rowOf("README.TXT"));
        QVERIFY(w.textShown());
        QVERIFY(w.image->isHidden());
        QCOMPARE(w.text->toPlainText(), QStringLiteral("Lisez-moi\nd'abord"));

        w.viewer.showEntry(w.rowOf("file_id.diz"));
        QCOMPARE(w.text->toPlainText(), QStringLiteral("Outil étonnant"));
    }

    void emptyFileIsNotLoaded()
    {
        TempDir tmp;
        std::string empty = tmp.write("CD/VIDE.TXT", "");
        tmp.write("CD/plein.txt", "du texte");
        RecordingDialogue messages;
        ViewerWindow w;
        w.viewer.setEntries(entries({ "plein.txt", "VIDE.TXT" }), tmp.str() + "/CD", "");
        w.viewer.showEntry(0);
        QVERIFY(w.textShown());

        w.viewer.showEntry(1);
        QVERIFY(w.text->isHidden());
        QVERIFY(w.caption->isHidden());
        QCOMPARE(messages.shown.size(), std::size_t(1));
        QCOMPARE(messages.shown[0].kind, std::string("information"));
        QCOMPARE(messages.shown[0].text, sMessageFichierVide(empty, 0));
        QVERIFY(messages.shown[0].text.find("Affichage annulé du fichier") != std::string::npos);
    }

    void iconHidesTheText()
    {
        TempDir tmp;
        tmp.write("CD/lisez.txt", "texte");
        tmp.write("CD/PROG.ICO", icoBytes(Qt::red, 32));
        tmp.write("CD/abime.ico", "\0\0\1\0\xFF\xFF garbage");
        RecordingDialogue messages;
        ViewerWindow w;
        w.viewer.setEntries(entries({ "abime.ico", "lisez.txt", "PROG.ICO" }), tmp.str() + "/CD", "");
        w.viewer.showEntry(1);
        QVERIFY(w.textShown());

        w.viewer.showEntry(2);
        QVERIFY(w.textHidden());
        QVERIFY(!w.image->isHidden());
        QImage shown = w.image->pixmap().toImage();
        QCOMPARE(shown.size(), QSize(32, 32));
        QCOMPARE(shown.pixelColor(16, 16), QColor(Qt::red));
        QVERIFY2(messages.shown.empty(), messages.shown.empty() ? "" : messages.shown[0].text.c_str());

        // Showing a text again hides the picture.
        w.viewer.showEntry(1);
        QVERIFY(w.image->isHidden());

        // A damaged icon is reported and changes nothing.
        w.viewer.showEntry(0);
        QCOMPARE(messages.shown.size(), std::size_t(1));
        QCOMPARE(messages.shown[0].kind, std::string("error"));
        QVERIFY(w.textShown());
        QVERIFY(w.image->isHidden());
    }

    void iconOfTheNearestSize()
    {
        // An .ico holding 16, 32 and 48 pixel images gives its 32 pixel one.
        QImage a(16, 16, QImage::Format_ARGB32), b(32, 32, QImage::Format_ARGB32), c(48, 48, QImage::Format_ARGB32);
        a.fill(Qt::red);
        b.fill(Qt::green);
        c.fill(Qt::blue);
        // ICONDIR, three ICONDIRENTRY records, then the images as PNG, as Windows Vista icons store them.
        QList<QImage> images { a, b, c };
        std::string multi;
        {
            std::vector<QByteArray> pngs;
            for (const QImage& img : images) {
                QByteArray png;
                QBuffer pb(&png);
                pb.open(QIODevice::WriteOnly);
                img.save(&pb, "PNG");
                pngs.push_back(png);
            }
            auto le16 = [&](int v) {
                multi += static_cast<char>(v & 0xFF);
                multi += static_cast<char>((v >> 8) & 0xFF);
            };
            auto le32 = [&](quint32 v) {
                for (int i = 0; i < 4; ++i)
                    multi += static_cast<char>((v >> (8 * i)) & 0xFF);
            };
            le16(0);
            le16(1);
            le16(3);
            quint32 offset = 6 + 16 * 3;
            for (int i = 0; i < 3; ++i) {
                multi += static_cast<char>(images[i].width());
                multi += static_cast<char>(images[i].height());
                multi += '\0';
                multi += '\0';
                le16(1);
                le16(32);
                le32(static_cast<quint32>(pngs[static_cast<std::size_t>(i)].size()));
                le32(offset);
                offset += static_cast<quint32>(pngs[static_cast<std::size_t>(i)].size());
            }
            for (const QByteArray& png : pngs)
                multi += png.toStdString();
        }
        QPixmap picked = pixmapFromIcon(QByteArray::fromStdString(multi), 32);
        QVERIFY(!picked.isNull());
        QCOMPARE(picked.toImage().pixelColor(5, 5), QColor(Qt::green));
        QVERIFY(pixmapFromIcon(QByteArray("not an icon"), 32).isNull());
        QVERIFY(pixmapFromIcon(QByteArray(), 32).isNull());
    }

    void helpAndDocumentsGoToTheirPrograms()
    {
        TempDir tmp;
        std::string wri = tmp.write("CD/GUIDE.WRI", "w");
        std::string hlp = tmp.write("CD/AIDE.HLP", "h");
        std::string txt = tmp.write("CD/lisez.txt", "t");
        FakeLaunchPlatform platform;
        ScopedLaunchPlatform scopedPlatform(platform);
        platform.associations[wri] = "/usr/bin/true";
        platform.associations[txt] = "/usr/bin/true";
        RecordingDialogue messages;
        ViewerWindow w;
        w.viewer.setEntries(entries({ "AIDE.HLP", "GUIDE.WRI", "lisez.txt" }), tmp.str() + "/CD", "");

        w.viewer.showEntry(1);
        QCOMPARE(platform.starts.size(), std::size_t(1));
        QCOMPARE(platform.starts[0].arguments, std::vector<std::string> { wri });
        QVERIFY(w.textHidden());

        // No program for help files: the help message, nothing started.
        w.viewer.showEntry(0);
        QCOMPARE(platform.starts.size(), std::size_t(1));
        QCOMPARE(messages.shown.size(), std::size_t(1));
        QVERIFY(messages.shown[0].text.rfind("Impossible de lancer la visualisation du fichier d'aide : ", 0) == 0);
        platform.associations[hlp] = "/usr/bin/true";
        w.viewer.showEntry(0);
        QCOMPARE(platform.starts.size(), std::size_t(2));
        QCOMPARE(platform.starts[1].arguments, std::vector<std::string> { hlp });

        // A double-click opens even a text with its program.
        w.viewer.openEntry(2);
        QCOMPARE(platform.starts.size(), std::size_t(3));
        QCOMPARE(platform.starts[2].arguments, std::vector<std::string> { txt });
    }

    void clicksOnTheList()
    {
        TempDir tmp;
        std::string txt = tmp.write("CD/a.txt", "premier");
        std::string doc = tmp.write("CD/b.wri", "w");
        FakeLaunchPlatform platform;
        ScopedLaunchPlatform scopedPlatform(platform);
        platform.associations[doc] = "/usr/bin/true";
        platform.associations[txt] = "/usr/bin/true";
        ViewerWindow w;
        w.viewer.setEntries(entries({ "a.txt", "b.wri" }), tmp.str() + "/CD", "");
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        auto centre = [&](int row) { return w.list->visualItemRect(w.list->item(row)).center(); };

        // The list taking the focus makes an entry current but selects nothing: nothing is shown or opened.
        w.list->setFocus(Qt::TabFocusReason);
        QVERIFY(w.text->toPlainText().isEmpty());
        QVERIFY(platform.starts.empty());

        QTest::mouseClick(w.list->viewport(), Qt::LeftButton, {}, centre(0));
        QCOMPARE(w.text->toPlainText(), QStringLiteral("premier"));
        QTest::mouseClick(w.list->viewport(), Qt::LeftButton, {}, centre(1));
        QCOMPARE(platform.starts.size(), std::size_t(1));
        // A second click on the selected document opens it again.
        QTest::mouseClick(w.list->viewport(), Qt::LeftButton, {}, centre(1));
        QCOMPARE(platform.starts.size(), std::size_t(2));
        // A double-click (press, release, double-click, release) opens it once, not once more for its click.
        auto doubleClick = [&](int row) {
            QTest::mouseClick(w.list->viewport(), Qt::LeftButton, {}, centre(row));
            QTest::mouseDClick(w.list->viewport(), Qt::LeftButton, {}, centre(row));
            QTest::mouseRelease(w.list->viewport(), Qt::LeftButton, {}, centre(row));
        };
        doubleClick(1);
        QCOMPARE(platform.starts.size(), std::size_t(3));
        QCOMPARE(platform.starts.back().arguments, std::vector<std::string> { doc });
        // On a text, the click shows it and the double-click hands it to its program.
        doubleClick(0);
        QCOMPARE(platform.starts.size(), std::size_t(4));
        QCOMPARE(platform.starts.back().arguments, std::vector<std::string> { txt });
        QCOMPARE(w.text->toPlainText(), QStringLiteral("premier"));

        // Selecting by program (the offered text) shows it.
        w.text->clear();
        w.list->setCurrentRow(1);
        w.list->setCurrentRow(0);
        QCOMPARE(w.text->toPlainText(), QStringLiteral("premier"));
    }

    void entriesAreFoundWhereTheyReallyAre()
    {
        TempDir tmp;
        std::string real = tmp.write("CD/Disk1/LISEZMOI.TXT", "ici");
        ViewerWindow w;
        // The list shows a proper-case name whose file is in the selected file's folder.
        w.viewer.setEntries({ { "Lisezmoi.txt", "Lisezmoi.txt" } }, tmp.str() + "/CD/Disk2", tmp.str() + "/CD/Disk1");
        QCOMPARE(w.viewer.entryPath(0), real);
        w.viewer.showEntry(0);
        QCOMPARE(w.text->toPlainText(), QStringLiteral("ici"));
        QCOMPARE(w.viewer.entryPath(5), std::string());
    }
};

QTEST_MAIN(TextViewerTest)
#include "text_viewer_test.moc"
