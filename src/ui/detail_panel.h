// The detail zone of the main window for the selected row of a result table: full path, version strings,
// icon, related files and the text offered at once; and what a double-click on a row runs or opens.
// The controls are found by their objectName under the form: TextInfo_1 .. TextInfo_5, IconeFichier,
// ListFichier, TextInfo_0, LabelInfo_2, PrintTexte, ImageSelect.
#pragma once

#include "exe/executable_image.h"
#include "scan/scan_engine.h"
#include "scan/selection_details.h"

#include <QObject>
#include <QPixmap>
#include <QString>

#include <array>
#include <string>

class QLabel;
class QLineEdit;
class QMenu;
class QWidget;

namespace quarex {

class TextViewer;

// The icon shown for a file, and what it says in its tooltip.
struct FileIcon {
    QPixmap pixmap;
    QString toolTip;
};

// The icon of a file: its own icon, else (for files that are not MZ programs) the desktop theme's icon of its
// MIME type, else the generic program icon. The tooltip gives the header kind, or the MIME type's comment.
FileIcon fileIconFor(const std::string& path, const ExecutableFacts& facts, int size = 32);
// The generic program icon: the theme's, else a window drawn here.
QPixmap genericProgramPicture(int size);

class DetailPanel : public QObject {
    Q_OBJECT
public:
    DetailPanel(QWidget* form, ResultTables& tables, QObject* parent = nullptr);
    ~DetailPanel() override;

    // Clears the zone: the list, TextInfo_0 to TextInfo_5, the icon; hides the viewer and the picture.
    void clear();
    // Click on row `row` of table `table`: fills the zone (nothing at all for the header row).
    void showRow(int table, int row);
    // Double-click on a row: runs the program after a question (tables 0 and 1) or opens the archive (table 2).
    void runRow(int table, int row);

    // The file system the details and related files are read through (the machine's when null).
    void setFileSystem(FileSystem* fs);
    TextViewer& viewer() { return *m_viewer; }
    // The details of the last row shown.
    const SelectionDetails& lastDetails() const { return m_last; }
    // The context menu of the path box (TextInfo_5): the box's own commands and "Copier le chemin réel",
    // which copies the file's path as it is on disk (the box shows the display form of the names).
    QMenu* createPathMenu(QWidget* parent);
    // Puts the real path of the row shown on the clipboard.
    void copyRealPath() const;

private:
    void fill(const SelectionDetails& d);

    ResultTables& m_tables;
    FileSystem* m_fs;
    std::array<QLineEdit*, 6> m_info {}; // index 1..5 used
    QLabel* m_icon = nullptr;
    QLabel* m_type = nullptr; // header kind and program type (absent from a form without it)
    TextViewer* m_viewer = nullptr;
    SelectionDetails m_last;
};

} // namespace quarex
