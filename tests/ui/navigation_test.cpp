// Drive and directory navigation: the volumes offered by the drive list, and the directory list box
// (ancestors, sorted subdirectories, ListIndex, entering a directory, unreadable directories).
#include "support/memory_file_system.h"
#include "ui/dir_list_box.h"
#include "ui/volumes.h"

#include <QSignalSpy>
#include <QtTest>

using namespace quarex;

namespace {

const char* const kMounts = "proc /proc proc rw 0 0\n"
                            "sysfs /sys sysfs rw 0 0\n"
                            "tmpfs /run tmpfs rw 0 0\n"
                            "/dev/sda2 /home ext4 rw 0 0\n"
                            "overlay / overlay rw 0 0\n"
                            "/dev/sr0 /media/CD\\040ROM iso9660 ro 0 0\n"
                            "/dev/sda1 /etc/hosts ext4 rw 0 0\n"
                            "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
                            "//serveur/partage /mnt/net cifs rw 0 0\n"
                            "/dev/sdb1 /mnt/usb vfat rw 0 0\n"
                            "/dev/sdc1 /mnt/usb ext4 rw 0 0\n"
                            "\n"
                            "short line\n";

std::vector<std::string> itemTexts(const QListWidget& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.count(); ++i)
        out.push_back(list.item(i)->text().toStdString());
    return out;
}

} // namespace

class NavigationTest : public QObject {
    Q_OBJECT

private slots:
    void realFileSystemsOnlyRootFirst()
    {
        std::map<std::string, std::string> labels { { "/dev/sr0", "JEUX_95" } };
        auto volumes = listVolumes(kMounts, labels, [](const std::string& p) { return p != "/etc/hosts"; });
        std::vector<std::string> points;
        for (const Volume& v : volumes)
            points.push_back(v.mountPoint);
        std::vector<std::string> expected { "/", "/home", "/media/CD ROM", "/mnt/net", "/mnt/usb" };
        QCOMPARE(points, expected);
        QCOMPARE(volumes[2].label, std::string("JEUX_95"));
        QCOMPARE(volumes[2].type, std::string("iso9660"));
        QCOMPARE(volumes[4].type, std::string("ext4")); // the later mount on the same point wins
        QCOMPARE(volumeCaption(volumes[2]), std::string("/media/CD ROM [JEUX_95]"));
        QCOMPARE(volumeCaption(volumes[1]), std::string("/home"));
    }

    void rootIsOfferedEvenWhenNotListed()
    {
        auto volumes = listVolumes("/dev/sr0 /media/cdrom iso9660 ro 0 0\n", {}, {});
        QCOMPARE(volumes.size(), std::size_t(2));
        QCOMPARE(volumes[0].mountPoint, std::string("/"));
        QCOMPARE(listVolumes("", {}, {}).size(), std::size_t(1));
    }

    void mountFieldEscapes()
    {
        QCOMPARE(decodeMountField("/media/CD\\040ROM"), std::string("/media/CD ROM"));
        QCOMPARE(decodeMountField("a\\134b"), std::string("a\\b"));
        QCOMPARE(decodeMountField("trailing\\04"), std::string("trailing\\04")); // incomplete escape kept
        QCOMPARE(decodeMountField("\\9xy"), std::string("\\9xy"));
    }

    void volumeOfAPathIsTheLongestMountPoint()
    {
        std::vector<Volume> volumes { { "/", "", "", "" }, { "/media/cdrom", "", "", "" },
            { "/media/cd", "", "", "" } };
        QCOMPARE(volumeOfPath(volumes, "/media/cdrom/JEUX"), 1);
        QCOMPARE(volumeOfPath(volumes, "/media/cdrom"), 1);
        QCOMPARE(volumeOfPath(volumes, "/media/cdromx"), 0);
        QCOMPARE(volumeOfPath(volumes, "/media/cd/a"), 2);
        QCOMPARE(volumeOfPath(volumes, "relative"), -1);
    }

    void listShowsAncestorsThenSortedSubdirectories()
    {
        test::MemoryFileSystem fs;
        fs.addDirectory("/media/cdrom/Zeta");
        fs.addDirectory("/media/cdrom/alpha");
        fs.addDirectory("/media/cdrom/Beta");
        fs.addFile("/media/cdrom/readme.txt", "texte");
        DirListBox list;
        list.setFileSystem(&fs);
        QVERIFY(list.setPath("/media/cdrom"));
        std::vector<std::string> expected { "/", "media", "cdrom", "alpha", "Beta", "Zeta" };
        QCOMPARE(itemTexts(list), expected);
        QCOMPARE(list.ListIndex(), -1);
        QCOMPARE(list.ListCount(), 3);
        QCOMPARE(list.List(-1), std::string("/media/cdrom"));
        QCOMPARE(list.List(-2), std::string("/media"));
        QCOMPARE(list.List(-3), std::string("/"));
        QCOMPARE(list.List(-4), std::string());
        QCOMPARE(list.List(0), std::string("/media/cdrom/alpha"));
        QCOMPARE(list.List(2), std::string("/media/cdrom/Zeta"));
        QCOMPARE(list.List(3), std::string());
        QCOMPARE(list.selectedDirectory(), std::string("/media/cdrom"));
        list.setListIndex(1);
        QCOMPARE(list.ListIndex(), 1);
        QCOMPARE(list.selectedDirectory(), std::string("/media/cdrom/Beta"));
        list.setListIndex(-3);
        QCOMPARE(list.selectedDirectory(), std::string("/"));
        list.setListIndex(7); // out of range: the selection stays
        QCOMPARE(list.ListIndex(), -3);
    }

    void pathIsNormalised()
    {
        test::MemoryFileSystem fs;
        fs.addDirectory("/a/b/c");
        DirListBox list;
        list.setFileSystem(&fs);
        QVERIFY(list.setPath("/a/b/c/../"));
        QCOMPARE(list.Path(), std::string("/a/b"));
        QVERIFY(list.setPath("/"));
        QCOMPARE(list.Path(), std::string("/"));
        std::vector<std::string> expected { "/", "a" };
        QCOMPARE(itemTexts(list), expected);
    }

    void unreadableOrMissingDirectoryChangesNothing()
    {
        test::MemoryFileSystem fs;
        fs.addDirectory("/disc/Jeux");
        fs.addDirectory("/disc/Prive");
        fs.makeUnreadable("/disc/Prive");
        DirListBox list;
        list.setFileSystem(&fs);
        QVERIFY(list.setPath("/disc"));
        QSignalSpy changed(&list, &DirListBox::pathChanged);
        QVERIFY(!list.setPath("/disc/Prive"));
        QVERIFY(!list.setPath("/nulle/part"));
        QVERIFY(!list.setPath(""));
        QCOMPARE(list.Path(), std::string("/disc"));
        QCOMPARE(list.count(), 4);
        QCOMPARE(changed.count(), 0);
    }

    void doubleClickEntersAndReportsFailure()
    {
        test::MemoryFileSystem fs;
        fs.addDirectory("/disc/Jeux/Dames");
        fs.addDirectory("/disc/Prive");
        fs.makeUnreadable("/disc/Prive");
        DirListBox list;
        list.setFileSystem(&fs);
        list.resize(200, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QVERIFY(list.setPath("/disc"));
        QSignalSpy failed(&list, &DirListBox::enterFailed);

        emit list.itemActivated(list.item(2)); // "Jeux"
        QCOMPARE(list.Path(), std::string("/disc/Jeux"));
        QCOMPARE(list.ListIndex(), -1);
        std::vector<std::string> expected { "/", "disc", "Jeux", "Dames" };
        QCOMPARE(itemTexts(list), expected);

        emit list.itemActivated(list.item(1)); // back up to "disc"
        QCOMPARE(list.Path(), std::string("/disc"));

        emit list.itemActivated(list.item(3)); // "Prive", unreadable
        QCOMPARE(list.Path(), std::string("/disc"));
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("/disc/Prive"));
    }

    void namesFromDiscsAreDecodedButPathsStayReal()
    {
        test::MemoryFileSystem fs;
        fs.addDirectory("/d/Caf\xE9");
        DirListBox list;
        list.setFileSystem(&fs);
        QVERIFY(list.setPath("/d"));
        QCOMPARE(list.item(2)->text(), QStringLiteral("Café"));
        QCOMPARE(list.List(0), std::string("/d/Caf\xE9"));
    }
};

QTEST_MAIN(NavigationTest)
#include "navigation_test.moc"
