// Launching for real through the desktop's associations: a private desktop (mimeapps.list, desktop entries)
// whose "associated programs" are small scripts that record their working folder and their arguments.
#include "ui/launch_qt.h"
#include "text/string_table.h"
#include "support/test_support.h"
#include "ui_test_helpers.h"
#include "ui/busy_qt.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <QLabel>
#include <QStatusBar>

#include <filesystem>

using namespace quarex;
using quarex::test::RecordingDialogue;
using quarex::test::TempDir;

namespace {

const char* const kVariables[]
    = { "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP", "WINEPREFIX" };

// What a recording script saw: its working folder, then its arguments.
struct Recorded {
    QString folder;
    QStringList arguments;
};

} // namespace

class LaunchQtTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> m_tmp;
    std::unique_ptr<TempDir> m_system; // the system data folders of the test: the MIME database only
    std::map<std::string, QByteArray> m_saved;
    QString m_bin;
    QtLaunchPlatform m_platform { QtLaunchPlatform::Options { false } };
    RecordingDialogue m_messages;

    // A script that writes its folder and arguments to <name>.rec beside itself, all at once.
    std::string recorder(const std::string& name)
    {
        std::string path = m_tmp->write("bin dir/" + name,
            "#!/bin/sh\n"
            "out=\"$(dirname \"$0\")/"
                + name
                + ".rec\"\n"
                  "{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$out.part\"\n"
                  "mv \"$out.part\" \"$out\"\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }

    std::optional<Recorded> waitFor(const std::string& name)
    {
        QString file = m_bin + "/" + QString::fromStdString(name) + ".rec";
        for (int i = 0; i < 500 && !QFile::exists(file); ++i)
            QTest::qWait(10);
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return std::nullopt;
        QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
        f.close();
        QFile::remove(file);
        if (lines.size() < 2)
            return std::nullopt;
        lines.removeLast(); // after the last line end
        Recorded r { lines.takeFirst(), lines };
        return r;
    }

    void desktopEntry(const std::string& id, const std::string& program, const std::string& arguments)
    {
        m_tmp->write("home/applications/" + id,
            "[Desktop Entry]\nType=Application\nName=Essai\nExec=\"" + program + "\" " + arguments + "\n");
    }

private slots:
    void initTestCase()
    {
        for (const char* v : kVariables)
            m_saved[v] = qgetenv(v);
        // The machine's MIME database, without the machine's applications and their associations.
        m_system = std::make_unique<TempDir>();
        std::error_code ec;
        std::filesystem::create_directory_symlink("/usr/share/mime", m_system->path() / "mime", ec);
        qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(m_system->str()));
    }

    void cleanupTestCase()
    {
        for (const auto& [name, value] : m_saved) {
            if (value.isNull())
                qunsetenv(name.c_str());
            else
                qputenv(name.c_str(), value);
        }
        m_system.reset();
    }

    void init()
    {
        m_tmp = std::make_unique<TempDir>();
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_tmp->mkdir("config")));
        qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(m_tmp->mkdir("etc")));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(m_tmp->mkdir("home")));
        qputenv("WINEPREFIX", QByteArray::fromStdString(m_tmp->str() + "/no-prefix"));
        qunsetenv("XDG_CURRENT_DESKTOP");
        m_bin = QString::fromStdString(m_tmp->mkdir("bin dir"));

        desktopEntry("archives.desktop", recorder("archiver"), "%f");
        desktopEntry("vendor/winrun.desktop", recorder("winrun"), "start /unix %f");
        m_tmp->write("config/mimeapps.list",
            "[Default Applications]\n"
            "application/zip=archives.desktop\n"
            "application/x-ms-dos-executable=vendor-winrun.desktop\n");
        setLaunchPlatform(&m_platform);
        m_messages.shown.clear();
        setDialogue(&m_messages);
    }

    void cleanup()
    {
        setDialogue(nullptr);
        setLaunchPlatform(nullptr);
        m_tmp.reset();
    }

    void documentWithBlanksArrivesAsOneArgument()
    {
        std::string zip = m_tmp->write("Mon CD/Mes Outils/TOOLS 2.ZIP", std::string("PK\x03\x04", 4) + "data");
        QString before = QDir::currentPath();

        QCOMPARE(QString::fromStdString(sGetExecutableAssocie(zip)), QStringLiteral("\"%1/archiver\"").arg(m_bin));
        QVERIFY(LanceDocument(zip, true));
        auto seen = waitFor("archiver");
        QVERIFY(seen);
        QCOMPARE(seen->arguments, QStringList { QString::fromStdString(zip) });
        // The program ran in its own folder; ours did not move.
        QCOMPARE(seen->folder, m_bin);
        QCOMPARE(QDir::currentPath(), before);
        QVERIFY(m_messages.shown.empty());
    }

    void windowsProgramsRunThroughTheirApplication()
    {
        std::string exe = m_tmp->write("Mon CD/Jeu Complet/JEU.EXE", "MZ" + std::string(62, '\0'));
        QCOMPARE(sGetExecutableAssocie(exe), exe);
        QVERIFY(LanceDocument(exe, true));
        auto seen = waitFor("winrun");
        QVERIFY(seen);
        QCOMPARE(seen->arguments, (QStringList { "start", "/unix", QString::fromStdString(exe) }));
        QCOMPARE(seen->folder, QString::fromStdString(m_tmp->str() + "/Mon CD/Jeu Complet"));

        // With nothing to run Windows programs, the user is told instead of nothing happening.
        m_tmp->write("config/mimeapps.list", "[Default Applications]\napplication/zip=archives.desktop\n");
        QVERIFY(m_platform.windowsProgramRunner().empty());
        QCOMPARE(iExecuteShellWin(exe, 1), std::int64_t(0));
        QCOMPARE(m_messages.shown.size(), std::size_t(1));
        QCOMPARE(m_messages.shown[0].kind, std::string("information"));
        QCOMPARE(m_messages.shown[0].title, sLoadString(282));
        QVERIFY(m_messages.shown[0].text.find(exe) != std::string::npos);
    }

    void openThroughTheDesktop()
    {
        std::string zip = m_tmp->write("CD/DATA.ZIP", std::string("PK\x03\x04", 4) + "data");
        QVERIFY(OuvreDocument(zip) > 32);
        auto seen = waitFor("archiver");
        QVERIFY(seen);
        QCOMPARE(seen->arguments, QStringList { QString::fromStdString(zip) });
        QVERIFY(m_messages.shown.empty());

        // Nothing knows the type: the shell's "no association" message.
        std::string odd = m_tmp->write("CD/NOTES.QQQ", "\x01\x02\x03");
        QCOMPARE(OuvreDocument(odd), 31);
        QCOMPARE(m_messages.shown.size(), std::size_t(1));
        QCOMPARE(m_messages.shown[0].text,
            "Lancement document : " + odd + "\r\nPas d'association pour cette extension de fichier");
        QVERIFY(!LanceDocument(odd, true));
        QCOMPARE(m_messages.shown.size(), std::size_t(2));
        QCOMPARE(m_messages.shown[1].text, sMessageSansAssociation(odd));
    }

    void processStartsAndFailures()
    {
        std::string script = recorder("direct");
        QString before = QDir::currentPath();
        StartResult ok = m_platform.startDetached(script, { "a b", "" }, m_tmp->str());
        QVERIFY(ok.started);
        QVERIFY(ok.processId > 0);
        auto seen = waitFor("direct");
        QVERIFY(seen);
        QCOMPARE(seen->arguments, (QStringList { "a b", "" }));
        QCOMPARE(seen->folder, QString::fromStdString(m_tmp->str()));
        QCOMPARE(QDir::currentPath(), before);

        StartResult missing = m_platform.startDetached(m_tmp->str() + "/absent", {}, "");
        QVERIFY(!missing.started);
        QVERIFY(missing.error.find("introuvable") != std::string::npos);
        std::string data = m_tmp->write("plain.txt", "x");
        QVERIFY(!m_platform.startDetached(data, {}, "").started);
    }

    // A started program is named on the status line with what runs it; Wine's slow first start is said.
    void launchIsToldOnTheStatusLine()
    {
        std::string wine = sLaunchNotice("/usr/bin/wine", { "Z:\\cd\\JEUX\\SETUP.EXE" });
        QVERIFY2(wine.find("SETUP.EXE avec wine (/usr/bin/wine)") != std::string::npos, wine.c_str());
        QVERIFY2(wine.find("Wine prépare son environnement") != std::string::npos, wine.c_str());
        std::string viewer = sLaunchNotice("/usr/bin/xdg-open", { "/cd/DOCS/lisez moi.txt" });
        QVERIFY2(viewer.find("lisez moi.txt avec xdg-open") != std::string::npos, viewer.c_str());
        QVERIFY(viewer.find("Wine") == std::string::npos);

        QStatusBar bar;
        auto* msg = new QLabel(&bar);
        msg->setObjectName(QStringLiteral("Msg"));
        bar.addWidget(msg, 1);
        setMainStatusBar(&bar);
        std::string script = recorder("told");
        QVERIFY(m_platform.startDetached(script, { m_tmp->str() + "/PROG.EXE" }, m_tmp->str()).started);
        std::string notice = currentMainNotice();
        setMainStatusBar(nullptr);
        QVERIFY(waitFor("told"));
        QVERIFY2(notice.find("PROG.EXE avec ") != std::string::npos, notice.c_str());
        QVERIFY2(notice.find(script) != std::string::npos, notice.c_str());
        // A start that fails says nothing of a launch.
        setMainStatusBar(&bar);
        bar.clearMessage();
        QVERIFY(!m_platform.startDetached(m_tmp->str() + "/absent", {}, "").started);
        QCOMPARE(currentMainNotice(), std::string());
        setMainStatusBar(nullptr);
    }

    void mimeTypesOfFiles()
    {
        std::string zip = m_tmp->write("a.zip", std::string("PK\x03\x04", 4));
        std::string readme = m_tmp->write("README.TXT", "bonjour");
        QCOMPARE(QtLaunchPlatform::mimeTypesOf(zip).front(), std::string("application/zip"));
        auto types = QtLaunchPlatform::mimeTypesOf(readme);
        QVERIFY(std::find(types.begin(), types.end(), "text/plain") != types.end());
    }
};

QTEST_MAIN(LaunchQtTest)
#include "launch_qt_test.moc"
