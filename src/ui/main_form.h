// MainForm: the main window. Drive and directory lists, the bar of seven command buttons, the
// detail zone, the three result tables on the tabs of ZoneDesTableaux, the related-files list and
// the text viewer, and the status bar PanelAide whose panel "Msg" carries the help line.
//
// Control arrays keep their name with the index after an underscore as the objectName:
// GridLogiciel_0 .. GridLogiciel_2, TextInfo_0 .. TextInfo_6, LabelInfo_1, LabelInfo_2,
// Label2_11 .. Label2_22, ShapeOmbre_0 .. ShapeOmbre_6, Line1_0, Line1_1.
#pragma once

#include "scan/scan_engine.h"
#include "ui/volumes.h"

#include <QWidget>

#include <array>
#include <memory>
#include <string>
#include <vector>

class DirListBox;
class GridTableModel;
class GridView;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QStatusBar;
class QTabWidget;
class QAbstractButton;

namespace Ui {
class MainForm;
}

namespace quarex {
class DetailPanel;
class FileSystem;
class WindowImages;
}

// Geometry of the design, in pixels (twips / 15).
namespace design {
constexpr int kClientWidth = 727; // 10905 twips
constexpr int kClientHeight = 494; // 7410 twips
constexpr int kGridLeft = 5; // 75 twips inside the tab control
constexpr int kGridTop = 25; // 375 twips inside the tab control
constexpr int kGridHeight = 183; // 2745 twips
} // namespace design

class MainForm : public QWidget {
    Q_OBJECT
public:
    explicit MainForm(QWidget* parent = nullptr);
    ~MainForm() override;

    // Least time between two paints of the window during a scan (5 a second: a status line need not be faster).
    static constexpr qint64 kScanRefreshMs = 200;
    // Paints of the window during the last scan.
    int scanRefreshCount() const { return m_scanRefreshes; }

    quarex::ResultTables& tables() { return m_tables; }
    GridView* gridLogiciel(int table) const;
    GridTableModel* gridModel(int table) const { return m_models[static_cast<std::size_t>(table)].get(); }
    QLineEdit* textInfo(int index) const;
    QPlainTextEdit* textViewer() const;
    QLabel* labelInfo(int index) const;
    QFrame* shapeOmbre(int index) const;
    DirListBox* listeRepertoire() const;
    QComboBox* listeDrive() const;
    QTabWidget* zoneDesTableaux() const;
    QStatusBar* panelAide() const;

    // Writes the tab titles, header rows and column layout of the three grids.
    void InitTitresTableaux();
    // The scan driver (click on Explorer): explores the directory selected in ListeRepertoire.
    void explorer();
    // Row-click handling of a table row (the detail zone).
    void showRowDetails(int table, int row);
    // The detail zone: row details, related files, text viewer, row double-click.
    quarex::DetailPanel* detailPanel() const { return m_details; }
    // The tab switch of ZoneDesTableaux (also reached by a click on a tab).
    void tabSwitched(int table);
    // Makes a directory current in ListeRepertoire and its volume current in ListeDrive.
    bool selectDirectory(const std::string& path);
    // The drive list changed: the directory list follows, or comes back with a message. Its last entry,
    // "Image disque…", asks for an image file and selects it.
    void driveChanged(int index);
    // Replaces the volumes offered by ListeDrive.
    void setVolumes(std::vector<quarex::Volume> volumes);
    const std::vector<quarex::Volume>& volumes() const { return m_volumes; }
    // The file system the navigation lists (the machine's, with disc and floppy images entered as folders, by
    // default).
    void setNavigationFileSystem(quarex::FileSystem* fs);
    // The window's door to images: an image path is read as a folder, images inside folders are not listed.
    quarex::WindowImages& images() { return *m_images; }
    // The file system the last scan, the detail zone and the HTML report read through.
    quarex::FileSystem& scanFileSystem() const { return *m_scanFs; }
    // Runs the resize rules once.
    void applyResizeRules();
    // The help line of a control under the mouse, and whether a period is appended.
    static QString helpText(const QString& controlName);
    // Shows or hides the status bar (option "affiche_aide").
    void setHelpPanelVisible(bool visible);
    // Quits: the scratch file deleted, the other windows closed, nothing written.
    void QuitterApplication();
    // Caption of the window: product name, version, description.
    static QString caption();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class WindowScanObserver;
    void load();
    void centreForm();
    void resetDetailPanel();
    void setTableCommandsEnabled(bool enabled);
    void showRowCount(int table, int row);
    void placeGrids();
    void fitGridWidth(int table);
    void refreshDuringScan();
    void trackMouseOver(QWidget* root);
    void onApropos();
    void onConvertHTML();
    void onCommandOption();
    void onExporter();
    void onImprimer();
    void onPrintTexte();
    void chooseImage();
    template <typename F> void trapped(const char* routine, F&& action);

    std::unique_ptr<Ui::MainForm> m_ui;
    quarex::ResultTables m_tables;
    std::array<std::unique_ptr<GridTableModel>, quarex::TableCount> m_models;
    std::vector<quarex::Volume> m_volumes;
    std::unique_ptr<quarex::WindowImages> m_images;
    quarex::FileSystem* m_scanFs = nullptr;
    QLabel* m_msg = nullptr;
    quarex::DetailPanel* m_details = nullptr;
    bool m_loaded = false;
    bool m_scanning = false;
    bool m_quitting = false;
    int m_scanRefreshes = 0;
};
