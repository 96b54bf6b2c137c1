// The related-files list ListFichier and what a click on it shows: a text in the viewer TextInfo_0 (with its
// caption LabelInfo_2 and print button PrintTexte), an icon in ImageSelect, a help file in its viewer, any
// other file in its associated program.
#pragma once

#include "scan/selection_details.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPixmap>

#include <string>
#include <vector>

class QAbstractButton;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;

namespace quarex {

class FileSystem;

// Fills a text box with a file's lines (first line replaces the text, the others follow on new lines);
// with bEvents, window events other than user input are processed every 300 lines. The file is read through `fs`
// (the machine's when null). False when the file could not be read (the failure has been reported).
bool ChargeFichierTexte(
    const std::string& sFichier, QPlainTextEdit* oTexte, bool bEvents = false, FileSystem* fs = nullptr);

// The picture of an icon file's bytes whose size is nearest to `size` (the deepest of equals); null when the
// bytes hold no icon that can be read.
QPixmap pixmapFromIcon(const QByteArray& bytes, int size);

// The list of related files and the viewer beside it.
class TextViewer : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QListWidget* list = nullptr; // ListFichier
        QPlainTextEdit* text = nullptr; // TextInfo_0
        QLabel* caption = nullptr; // LabelInfo_2
        QAbstractButton* print = nullptr; // PrintTexte
        QLabel* image = nullptr; // ImageSelect
    };
    explicit TextViewer(const Controls& controls, QObject* parent = nullptr);

    // Fills the list with the related files and records the folder they were found in (the list's Tag);
    // `fileFolder` is the folder of the selected file, where an entry is looked for when it is not in `folder`.
    void setEntries(const std::vector<RelatedFile>& files, const std::string& folder, const std::string& fileFolder);
    // Empties the list and hides the viewer and the picture.
    void clear();
    // The folder recorded in the list's Tag.
    std::string folder() const;
    // The real path of an entry ("" for a row outside the list).
    std::string entryPath(int row) const;

    // Click on an entry: shows a text or an icon, opens a help file or a document.
    void showEntry(int row);
    // Double-click on an entry: opens it with its associated program, whatever its kind.
    void openEntry(int row);

    const Controls& controls() const { return m_controls; }
    // The file system the entries are read through (the machine's by default); the caller keeps ownership.
    void setFileSystem(FileSystem* fs);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showText(const std::string& path);
    void showIcon(const std::string& path);
    void hideText();
    int selectedRow() const;
    void noteOpened(int row);

    Controls m_controls;
    FileSystem* m_fs;
    std::string m_fileFolder;
    int m_rowAtPress = -1; // the selected row when the mouse was pressed
    int m_openedRow = -1; // the entry a click last handed to a program, and when
    QElapsedTimer m_openedAt;
    bool m_filling = false;
};

} // namespace quarex
