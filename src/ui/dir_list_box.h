// ListeRepertoire: a directory list box. It shows the current path's ancestors (open folders, from the
// root down), then the current directory's immediate subdirectories (closed folders).
// ListIndex numbers the entries as a classic directory list box does: -1 is the current directory,
// -2 its parent and so on up to the root; 0 .. ListCount()-1 are the subdirectories.
#pragma once

#include <QListWidget>

#include <string>
#include <vector>

namespace quarex {
class FileSystem;
}

class DirListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirListBox(QWidget* parent = nullptr);

    // The file system listed (the machine's by default); the caller keeps ownership.
    void setFileSystem(quarex::FileSystem* fs) { m_fs = fs; }

    // Makes a directory current; false, with nothing changed, when it cannot be read.
    bool setPath(const std::string& path);
    // Lists the current directory again.
    bool refresh() { return setPath(m_path); }
    // The current directory (absolute, no trailing separator except for the root).
    const std::string& Path() const { return m_path; }
    // The directory of an entry (see ListIndex above); "" out of range.
    std::string List(int index) const;
    // Number of subdirectories listed.
    int ListCount() const { return static_cast<int>(m_children.size()); }
    // The selected entry.
    int ListIndex() const;
    void setListIndex(int index);
    // The directory an exploration starts from: List(ListIndex()).
    std::string selectedDirectory() const { return List(ListIndex()); }

signals:
    // The current directory changed.
    void pathChanged();
    // Entering a directory failed (errno value of the failure, 0 when unknown).
    void enterFailed(const QString& path, int errorCode);

private:
    void enter(QListWidgetItem* item);
    int rowOfIndex(int index) const;

    quarex::FileSystem* m_fs;
    std::string m_path;
    std::vector<std::string> m_ancestors; // root first, current directory last
    std::vector<std::string> m_children;
};
