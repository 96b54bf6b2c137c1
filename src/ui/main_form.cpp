#include "ui/main_form.h"

#include "desktop/launch.h"
#include "html/html_report.h"
#include "messages/messages.h"
#include "print/prt_preview.h"
#include "settings/app_paths.h"
#include "settings/startup.h"
#include "text/string_table.h"
#include "text/text.h"
#include "ui/about_box.h"
#include "ui/app_pictures.h"
#include "ui/busy_qt.h"
#include "ui/detail_panel.h"
#include "ui/dir_list_box.h"
#include "ui/grid_model.h"
#include "ui/grid_view.h"
#include "ui/options_html_qt.h"
#include "ui/print_commands_qt.h"
#include "ui/window_images.h"
#include "ui_MainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>

#include <cerrno>
#include <new>

using quarex::BusyOff;
using quarex::BusyOn;
using quarex::MainMsg;

namespace {

const char* const kHelpControl = "helpControl";

// Colours of the design (given there as &H00BBGGRR).
const QColor kFormBackground(0xC0, 0xC0, 0xFF); // &H00FFC0C0
const QColor kShadow(0x80, 0x80, 0x80); // &H00808080
const QColor kNavy(0x00, 0x00, 0x80); // &H00800000
const QColor kGreyBox(0xC0, 0xC0, 0xC0); // &H00C0C0C0
const QColor kDarkRed(0x80, 0x00, 0x00); // &H00000080

struct HelpLine {
    const char* control;
    const char* text;
    bool period;
};

// The help line of each control under the mouse; an empty text clears the line.
const HelpLine kHelpLines[] = {
    { "MainForm", "", false },
    { "ZoneDesTableaux", "", false },
    { "CommandOption", "", false },
    { "TextInfo_1", "", false },
    { "TextInfo_2", "", false },
    { "TextInfo_3", "", false },
    { "TextInfo_4", "", false },
    { "Explorer", "Lance l'exploration du répertoire sélectionné pour la recherche d'exécutables", true },
    { "ConvertHTML", "Permet la construction de fichiers HTML à partir des données du tableau", true },
    { "Exporter", "Exporte le contenu du tableau courant dans différents formats ASCII", true },
    { "Imprimer", "Imprime le contenu la liste des informations du tableau courant", true },
    { "PrintTexte",
        "Imprime le contenu de la zone d'affichage des fichiers ASCII ou la liste des informations du tableau courant",
        true },
    { "Apropos", "Affiche une fenêtre d'informations sur le logiciel", false },
    { "Quitter", "Permet de quitter l'application", false },
    { "ListeRepertoire", "Liste des répertoires sélectionnables pour lancer l'exploration", false },
    { "ListFichier", "Liste de certains fichiers dans le même répertoire que l'exécutable", true },
    { "GridLogiciel_0",
        "Liste des procédures d'installation : Setup et Install. Double-cliquez pour lancer l'exécution", true },
    { "GridLogiciel_1", "Liste des autres exécutables. Double-cliquez pour lancer le programme", true },
    { "GridLogiciel_2",
        "Liste des fichiers Archive ZIP. Double-cliquez pour lancer l'exécution du programme associé à l'extension",
        true },
    { "TextInfo_5", "Zone d'affichage du fichier sélectionné avec son emplacement complet", true },
    { "TextInfo_6", "Zone d'affichage du nombre de ligne du tableau courant", true },
};

const char* const kImageEntry = "Image disque\u2026";

const char* const kTabTitles[quarex::TableCount] = { "Installations", "Exécutables", "Archives ZIP" };

const char* const kDriveChangeError = "Erreur lors du changement de lecteur.\r\n"
                                      "\r\n"
                                      "S'il s'agit d'un lecteur de CD-ROM ou d'un lecteur ammovible,\r\n"
                                      "assurez-vous que le lecteur ne soit pas vide.";

bool isCommandButton(const QString& name)
{
    static const QStringList buttons { QStringLiteral("Explorer"), QStringLiteral("ConvertHTML"),
        QStringLiteral("Exporter"), QStringLiteral("Imprimer"), QStringLiteral("CommandOption"),
        QStringLiteral("Apropos"), QStringLiteral("Quitter"), QStringLiteral("PrintTexte") };
    return buttons.contains(name);
}

} // namespace

// Tells the window what the walk is doing. The walk calls it for every folder; the window is painted
// only when the refresh period has passed (a repaint costs far more than a folder), with the folder
// being explored at that moment on the status line and the rows found so far in the tables. No user
// input is processed in between.
class WindowScanObserver final : public quarex::ScanObserver {
public:
    explicit WindowScanObserver(MainForm& form)
        : m_form(form)
    {
        m_clock.start();
    }
    void message(const std::string& text) override
    {
        m_text = text;
        if (m_clock.hasExpired(MainForm::kScanRefreshMs))
            show();
    }
    void refresh() override
    {
        if (m_clock.hasExpired(MainForm::kScanRefreshMs))
            show();
    }
    // Paints what is pending now (the end of the walk).
    void show()
    {
        MainMsg(m_text);
        m_form.refreshDuringScan();
        m_clock.restart();
    }

private:
    MainForm& m_form;
    QElapsedTimer m_clock;
    std::string m_text;
};

MainForm::MainForm(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::MainForm>())
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose, false);

    // The design font is a small sans serif; the viewer's a fixed one.
    QFont small = font();
    small.setPixelSize(11);
    small.setStretch(QFont::Condensed);
    setFont(small);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(12);
    m_ui->TextInfo_0->setFont(fixed);

    QPalette formPalette = palette();
    formPalette.setColor(QPalette::Window, kFormBackground);
    setPalette(formPalette);
    setAutoFillBackground(true);
    // The tab control and the status bar keep the system's window colour (set explicitly, or they
    // would inherit the form's).
    const QPalette standard = QApplication::palette();
    for (QWidget* w : std::initializer_list<QWidget*> { m_ui->ZoneDesTableaux, m_ui->PanelAide }) {
        QPalette p = w->palette();
        p.setBrush(QPalette::Window, standard.window());
        w->setPalette(p);
    }
    m_ui->PanelAide->setAutoFillBackground(true);
    for (int i = 0; i < 7; ++i) {
        QFrame* shape = shapeOmbre(i);
        QPalette p = shape->palette();
        p.setColor(QPalette::Window, kShadow);
        shape->setPalette(p);
        shape->setAutoFillBackground(true);
    }
    for (int i : { 1, 2, 3, 4 }) {
        QPalette p = standard;
        p.setColor(QPalette::Text, kNavy);
        textInfo(i)->setPalette(p);
    }
    for (int i : { 5, 6 }) {
        QPalette p = standard;
        p.setColor(QPalette::Base, kGreyBox);
        p.setColor(QPalette::Text, kDarkRed);
        textInfo(i)->setPalette(p);
        QFont bold = small;
        bold.setBold(true);
        textInfo(i)->setFont(bold);
    }
    // Captions keep their design place; a font wider than the design's widens them (right-aligned
    // ones towards the left) rather than cutting their text.
    for (QLabel* label : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        int needed = label->sizeHint().width();
        if (label->text().isEmpty() || needed <= label->width())
            continue;
        if (label->alignment() & Qt::AlignRight)
            label->setGeometry(label->geometry().right() + 1 - needed, label->y(), needed, label->height());
        else
            label->resize(needed, label->height());
    }
    // The path and row-count boxes sit on the tab strip's row, above it.
    m_ui->TextInfo_5->raise();
    m_ui->TextInfo_6->raise();

    m_msg = new QLabel(QStringLiteral("Zone d'affichage d'une aide associée à la souris"), m_ui->PanelAide);
    m_msg->setObjectName(QStringLiteral("Msg"));
    m_ui->PanelAide->addWidget(m_msg, 1);
    quarex::setMainStatusBar(m_ui->PanelAide);

    m_ui->ImageAppli->setPixmap(applicationPicture(32));
    m_ui->PrintTexte->setIcon(QIcon(printerPicture(16)));
    m_ui->PrintTexte->setIconSize(QSize(16, 16));
    const struct {
        QAbstractButton* button;
        QStyle::StandardPixmap icon;
    } buttonIcons[] = {
        { m_ui->Explorer, QStyle::SP_FileDialogContentsView },
        { m_ui->ConvertHTML, QStyle::SP_FileDialogDetailedView },
        { m_ui->Exporter, QStyle::SP_DialogSaveButton },
        { m_ui->Imprimer, QStyle::SP_FileIcon },
        { m_ui->CommandOption, QStyle::SP_FileDialogInfoView },
        { m_ui->Apropos, QStyle::SP_MessageBoxInformation },
        { m_ui->Quitter, QStyle::SP_DialogCloseButton },
    };
    for (const auto& b : buttonIcons) {
        b.button->setIcon(style()->standardIcon(b.icon, nullptr, b.button));
        b.button->setIconSize(QSize(24, 24));
    }
    m_ui->Imprimer->setIcon(QIcon(printerPicture(24)));

    for (int t = 0; t < quarex::TableCount; ++t) {
        m_models[static_cast<std::size_t>(t)] = std::make_unique<GridTableModel>(m_tables.GridLogiciel(t));
        GridView* view = gridLogiciel(t);
        view->setGridModel(gridModel(t));
        connect(view, &GridView::userRowChanged, this, [this, t](int row) { showRowDetails(t, row); });
    }
    m_details = new quarex::DetailPanel(this, m_tables, this);
    m_images = std::make_unique<quarex::WindowImages>();
    m_scanFs = &quarex::nativeFileSystem();
    m_ui->ListeRepertoire->setFileSystem(&m_images->fileSystem());
    for (int t = 0; t < quarex::TableCount; ++t)
        connect(
            gridLogiciel(t), &GridView::rowDoubleClicked, m_details, [this, t](int row) { m_details->runRow(t, row); });

    connect(m_ui->Explorer, &QAbstractButton::clicked, this, &MainForm::explorer);
    connect(m_ui->Quitter, &QAbstractButton::clicked, this, &QWidget::close);
    connect(m_ui->Apropos, &QAbstractButton::clicked, this, &MainForm::onApropos);
    connect(m_ui->Exporter, &QAbstractButton::clicked, this, &MainForm::onExporter);
    connect(m_ui->ConvertHTML, &QAbstractButton::clicked, this, &MainForm::onConvertHTML);
    connect(m_ui->CommandOption, &QAbstractButton::clicked, this, &MainForm::onCommandOption);
    connect(m_ui->Imprimer, &QAbstractButton::clicked, this, &MainForm::onImprimer);
    connect(m_ui->PrintTexte, &QAbstractButton::clicked, this, &MainForm::onPrintTexte);
    connect(m_ui->ZoneDesTableaux, &QTabWidget::currentChanged, this, &MainForm::tabSwitched);
    connect(m_ui->ListeDrive, &QComboBox::currentIndexChanged, this, &MainForm::driveChanged);
    connect(m_ui->ListeRepertoire, &DirListBox::enterFailed, this, [](const QString& path, int code) {
        quarex::raiseSystemError("Path/File access error", code);
        quarex::AfficheErreur("Accès impossible au répertoire : " + path.toStdString());
    });
    // The grids move with the tab control's page area.
    m_ui->ZoneDesTableaux->widget(0)->installEventFilter(this);

    trackMouseOver(this);
    load();
}

MainForm::~MainForm()
{
    if (quarex::mainStatusBar() == m_ui->PanelAide)
        quarex::setMainStatusBar(nullptr);
    // The models go before the grids they observe.
    for (int t = 0; t < quarex::TableCount; ++t)
        gridLogiciel(t)->setGridModel(nullptr);
}

GridView* MainForm::gridLogiciel(int table) const
{
    switch (table) {
    case 0:
        return m_ui->GridLogiciel_0;
    case 1:
        return m_ui->GridLogiciel_1;
    case 2:
        return m_ui->GridLogiciel_2;
    default:
        return nullptr;
    }
}

QLineEdit* MainForm::textInfo(int index) const
{
    switch (index) {
    case 1:
        return m_ui->TextInfo_1;
    case 2:
        return m_ui->TextInfo_2;
    case 3:
        return m_ui->TextInfo_3;
    case 4:
        return m_ui->TextInfo_4;
    case 5:
        return m_ui->TextInfo_5;
    case 6:
        return m_ui->TextInfo_6;
    default:
        return nullptr; // TextInfo_0 is the multi-line viewer: textViewer()
    }
}

QPlainTextEdit* MainForm::textViewer() const { return m_ui->TextInfo_0; }

QLabel* MainForm::labelInfo(int index) const
{
    return index == 1 ? m_ui->LabelInfo_1 : index == 2 ? m_ui->LabelInfo_2 : nullptr;
}

QFrame* MainForm::shapeOmbre(int index) const
{
    return findChild<QFrame*>(QStringLiteral("ShapeOmbre_%1").arg(index), Qt::FindDirectChildrenOnly);
}

DirListBox* MainForm::listeRepertoire() const { return m_ui->ListeRepertoire; }
QComboBox* MainForm::listeDrive() const { return m_ui->ListeDrive; }
QTabWidget* MainForm::zoneDesTableaux() const { return m_ui->ZoneDesTableaux; }
QStatusBar* MainForm::panelAide() const { return m_ui->PanelAide; }

QString MainForm::caption()
{
    return QString::fromStdString(quarex::sLoadString(10000)) + QLatin1Char(' ') + versionNumbers()
        + QStringLiteral(" : ") + QString::fromStdString(quarex::sLoadString(10001));
}

void MainForm::load()
{
    BusyOn();
    setWindowTitle(caption());
    InitTitresTableaux();
    // The detail zone starts blank; the commands that need data wait for an exploration.
    resetDetailPanel();
    setTableCommandsEnabled(false);
    m_ui->TextInfo_6->clear();
    setVolumes(quarex::mountedVolumes());
    selectDirectory(QDir::currentPath().toStdString());
    m_loaded = true;
    resize(design::kClientWidth, design::kClientHeight);
    setMinimumSize(design::kClientWidth, design::kClientHeight);
    applyResizeRules();
}

void MainForm::centreForm()
{
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    QRect area = s->geometry();
    QRect frame = frameGeometry();
    move(area.left() + area.width() / 2 - frame.width() / 2, area.top() + area.height() / 2 - frame.height() / 2);
}

void MainForm::InitTitresTableaux()
{
    // The views take the new column widths from their models.
    quarex::InitTitresTableaux(m_tables);
    for (int t = 0; t < quarex::TableCount; ++t)
        m_ui->ZoneDesTableaux->setTabText(t, QString::fromUtf8(kTabTitles[t]));
}

void MainForm::applyResizeRules()
{
    if (!m_loaded || isMinimized())
        return;
    // Narrower or lower than the design: snap back (the new size raises a new resize).
    if (width() < design::kClientWidth) {
        resize(design::kClientWidth, height());
        return;
    }
    if (height() < design::kClientHeight) {
        resize(width(), design::kClientHeight);
        return;
    }
    const int W = width();
    const int H = height();
    QStatusBar* bar = m_ui->PanelAide;
    bar->setGeometry(0, H - bar->height(), W, bar->height());

    QFrame* quitShadow = shapeOmbre(0);
    quitShadow->move(W - quitShadow->width(), quitShadow->y());
    m_ui->Quitter->move(quitShadow->x() - (shapeOmbre(2)->x() - m_ui->Explorer->x()), m_ui->Quitter->y());

    QTabWidget* zone = m_ui->ZoneDesTableaux;
    QWidget* rule = m_ui->Line1_0;
    rule->resize(W - zone->x() - rule->x(), rule->height());
    zone->resize(W - 2 * zone->x(), zone->height());

    QLineEdit* count = m_ui->TextInfo_6;
    count->move(zone->x() + zone->width() - count->width(), count->y());
    m_ui->IconeFichier->move(zone->x() + count->x(), m_ui->IconeFichier->y());
    QLineEdit* path = m_ui->TextInfo_5;
    path->resize(count->x() - path->x(), path->height());
    for (int i : { 4, 3, 2, 1 })
        textInfo(i)->resize(path->width(), textInfo(i)->height());

    QLabel* type = m_ui->TypeProgramme;
    type->resize(zone->x() + zone->width() - type->x(), type->height());

    QWidget* list = m_ui->ListFichier;
    list->resize(list->width(), H - (bar->height() + list->y()));
    QWidget* viewer = m_ui->TextInfo_0;
    viewer->setGeometry(viewer->x(), viewer->y(), zone->width() - viewer->x(), list->height());

    fitGridWidth(zone->currentIndex());
}

void MainForm::fitGridWidth(int table)
{
    GridView* view = gridLogiciel(table);
    if (view)
        view->resize(m_ui->ZoneDesTableaux->width() - 2 * design::kGridLeft, view->height());
}

void MainForm::placeGrids()
{
    // Grid positions are given inside the tab control; the pages start below its tab strip.
    QWidget* page = m_ui->ZoneDesTableaux->widget(0);
    QPoint offset = page->mapTo(m_ui->ZoneDesTableaux, QPoint(0, 0));
    int y = std::max(0, design::kGridTop - offset.y());
    int h = design::kGridHeight;
    if (page->height() > y)
        h = std::min(h, page->height() - y);
    for (int t = 0; t < quarex::TableCount; ++t) {
        GridView* view = gridLogiciel(t);
        view->setGeometry(design::kGridLeft - offset.x(), y, view->width(), h);
    }
}

void MainForm::setHelpPanelVisible(bool visible) { m_ui->PanelAide->setVisible(visible); }

void MainForm::resetDetailPanel()
{
    m_ui->ListFichier->clear();
    m_ui->TextInfo_0->clear();
    for (int i = 1; i <= 5; ++i)
        textInfo(i)->clear();
    m_ui->PrintTexte->hide();
    m_ui->ImageSelect->hide();
    m_ui->TextInfo_0->hide();
    m_ui->LabelInfo_2->hide();
    m_ui->IconeFichier->clear();
    m_ui->TypeProgramme->clear();
}

void MainForm::setTableCommandsEnabled(bool enabled)
{
    m_ui->ConvertHTML->setEnabled(enabled);
    m_ui->Exporter->setEnabled(enabled);
    m_ui->Imprimer->setEnabled(enabled);
}

void MainForm::showRowCount(int table, int row)
{
    const quarex::Grid& grid = m_tables.GridLogiciel(table);
    bool filled = !quarex::trim(grid.cell(row, quarex::ColFile)).empty();
    m_ui->TextInfo_6->setText(filled ? QString::number(grid.Rows() - 1) : QStringLiteral("0"));
    setTableCommandsEnabled(filled);
}

template <typename F> void MainForm::trapped(const char* routine, F&& action)
{
    try {
        action();
    } catch (const std::bad_alloc&) {
        quarex::raiseError(7, "Out of memory");
        quarex::AfficheErreur(routine);
        BusyOff();
    } catch (const std::exception& e) {
        quarex::raiseError(51, e.what());
        quarex::AfficheErreur(routine);
        BusyOff();
    }
}

void MainForm::explorer()
{
    struct BatchEnd {
        MainForm& form;
        ~BatchEnd()
        {
            for (auto& model : form.m_models)
                if (model->inBatch())
                    model->endBatch();
            form.m_scanning = false;
        }
    };
    trapped("Explorer_Click()", [this] {
        std::string directory = m_ui->ListeRepertoire->selectedDirectory();
        BusyOn(quarex::sExplorationMessage(directory));
        resetDetailPanel();
        setTableCommandsEnabled(false);

        BatchEnd batchEnd { *this };
        m_scanning = true;
        m_scanRefreshes = 0;
        for (auto& model : m_models)
            model->beginBatch();
        for (int t = 0; t < quarex::TableCount; ++t)
            quarex::ClearGrid(m_tables.GridLogiciel(t), "");
        repaint();

        // A folder inside an image is read through the images; any other through the machine's file system
        // alone, where an image file met on the way stays a file.
        m_scanFs = m_images->holds(directory) ? &m_images->fileSystem() : &quarex::nativeFileSystem();
        m_details->setFileSystem(m_scanFs);
        const std::size_t problemsBefore = m_images->problems().size();

        WindowScanObserver observer(*this);
        quarex::ScanEngine engine(m_tables, *m_scanFs, &observer);
        engine.scan(directory);
        InitTitresTableaux();
        for (auto& model : m_models)
            model->endBatch();

        int shown = quarex::chooseTableToShow(m_tables);
        m_ui->ZoneDesTableaux->setCurrentIndex(shown);
        fitGridWidth(shown);
        m_scanning = false;

        quarex::Grid& grid = m_tables.GridLogiciel(shown);
        grid.setRow(1);
        grid.setCol(quarex::ColFile);
        m_ui->TextInfo_6->setText(QString::fromStdString(quarex::sRowCountText(grid)));
        if (!grid.cell(1, quarex::ColFile).empty()) {
            setTableCommandsEnabled(true);
            showRowDetails(shown, 1);
        }
        BusyOff();
        // Folders left out of the tables stay said once the walk is over.
        if (!engine.unreadableFolders().empty()) {
            MainMsg(quarex::sUnreadableFoldersSummary(engine.unreadableFolders()));
        } else if (auto problems = m_images->problems(); problems.size() > problemsBefore) {
            // Damage met inside the image: the first new message stays said.
            MainMsg(problems[problemsBefore]);
        }
    });
}

void MainForm::refreshDuringScan()
{
    ++m_scanRefreshes;
    for (auto& model : m_models)
        model->syncBatch();
    repaint();
}

void MainForm::showRowDetails(int table, int row)
{
    if (table < 0 || table >= quarex::TableCount || row < 1)
        return;
    m_details->showRow(table, row);
}

void MainForm::tabSwitched(int table)
{
    if (m_scanning || table < 0 || table >= quarex::TableCount)
        return;
    trapped("ZoneDesTableaux_Click()", [this, table] {
        BusyOn();
        quarex::Grid& grid = m_tables.GridLogiciel(table);
        grid.setCol(quarex::ColFile);
        if (grid.Row() < 1)
            grid.setRow(1);
        showRowCount(table, grid.Row());
        fitGridWidth(table);
        grid.setCell(0, quarex::ColVersion, table == quarex::TableArchives ? " Date" : " Version");
        showRowDetails(table, grid.Row());
        BusyOff();
    });
}

void MainForm::setVolumes(std::vector<quarex::Volume> volumes)
{
    m_volumes = std::move(volumes);
    QSignalBlocker block(m_ui->ListeDrive);
    m_ui->ListeDrive->clear();
    for (const quarex::Volume& v : m_volumes)
        m_ui->ListeDrive->addItem(QString::fromStdString(quarex::volumeCaption(v)));
    m_ui->ListeDrive->addItem(QString::fromUtf8(kImageEntry));
    int current = quarex::volumeOfPath(m_volumes, m_ui->ListeRepertoire->Path());
    m_ui->ListeDrive->setCurrentIndex(current);
}

void MainForm::setNavigationFileSystem(quarex::FileSystem* fs) { m_ui->ListeRepertoire->setFileSystem(fs); }

bool MainForm::selectDirectory(const std::string& path)
{
    if (!m_ui->ListeRepertoire->setPath(path))
        return false;
    int volume = quarex::volumeOfPath(m_volumes, m_ui->ListeRepertoire->Path());
    QSignalBlocker block(m_ui->ListeDrive);
    m_ui->ListeDrive->setCurrentIndex(volume);
    return true;
}

void MainForm::driveChanged(int index)
{
    if (index == static_cast<int>(m_volumes.size())) {
        chooseImage();
        return;
    }
    if (index < 0 || index >= static_cast<int>(m_volumes.size()))
        return;
    std::string previous = m_ui->ListeRepertoire->Path();
    errno = 0;
    if (m_ui->ListeRepertoire->setPath(m_volumes[static_cast<std::size_t>(index)].mountPoint))
        return;
    int code = errno;
    // The directory list goes back where it was; the drive list keeps the user's choice.
    m_ui->ListeRepertoire->setPath(previous);
    quarex::raiseSystemError("Device unavailable", code);
    quarex::AfficheErreur(kDriveChangeError);
}

void MainForm::chooseImage()
{
    std::string chosen = quarex::dialogue().openFileName(
        "Choisir une image de disque ou de disquette", quarex::WindowImages::fileFilter(), "", "");
    bool selected = !chosen.empty() && selectDirectory(chosen);
    if (!selected) {
        // Cancelled or unreadable: the drive list shows the current directory's volume again.
        QSignalBlocker block(m_ui->ListeDrive);
        m_ui->ListeDrive->setCurrentIndex(quarex::volumeOfPath(m_volumes, m_ui->ListeRepertoire->Path()));
    }
    if (!selected && !chosen.empty()) {
        std::string why;
        m_images->opensAsImage(chosen, why);
        quarex::AfficheInfo("Image illisible : " + chosen + (why.empty() ? std::string() : " (" + why + ")"));
    }
}

QString MainForm::helpText(const QString& controlName)
{
    if (controlName == QLatin1String("TextInfo_0"))
        return QString::fromStdString(quarex::sLoadString(253)) + QStringLiteral(" des fichiers ASCII sélectionnés");
    if (controlName == QLatin1String("PanelAide") || controlName == QLatin1String("Msg"))
        return QString::fromStdString(quarex::sLoadString(255));
    for (const HelpLine& line : kHelpLines) {
        if (controlName == QLatin1String(line.control)) {
            QString text = QString::fromUtf8(line.text);
            if (line.period)
                text += QLatin1Char('.');
            return text;
        }
    }
    return {};
}

void MainForm::trackMouseOver(QWidget* root)
{
    setMouseTracking(true);
    // Each control that has a help line, with everything inside it (viewports, headers, tab strip),
    // reports mouse moves under its own name. The tab control comes before the grids it holds.
    QStringList names;
    for (const HelpLine& line : kHelpLines)
        if (qstrcmp(line.control, "MainForm") != 0)
            names << QString::fromUtf8(line.control);
    names << QStringLiteral("TextInfo_0") << QStringLiteral("PanelAide");
    for (const QString& name : names) {
        QWidget* control = root->findChild<QWidget*>(name);
        if (!control)
            continue;
        QList<QWidget*> parts = control->findChildren<QWidget*>();
        parts.prepend(control);
        for (QWidget* part : parts) {
            part->setMouseTracking(true);
            part->setProperty(kHelpControl, name);
            part->installEventFilter(this);
        }
    }
}

void MainForm::mouseMoveEvent(QMouseEvent* event)
{
    // The window's own background clears the line.
    MainMsg(std::string());
    QWidget::mouseMoveEvent(event);
}

bool MainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && watched == m_ui->ZoneDesTableaux->widget(0)) {
        placeGrids();
        return false;
    }
    if (event->type() != QEvent::MouseMove)
        return QWidget::eventFilter(watched, event);
    auto* move = static_cast<QMouseEvent*>(event);
    QString name = watched->property(kHelpControl).toString();
    if (name.isEmpty() || move->buttons() != Qt::NoButton)
        return false;
    if (isCommandButton(name)) {
        auto* button = qobject_cast<QWidget*>(watched);
        if (button && button->isEnabled() && !button->hasFocus())
            button->setFocus(Qt::MouseFocusReason);
    }
    MainMsg(helpText(name).toStdString());
    // The move is spent here: it must not reach the window, whose background clears the line.
    return true;
}

void MainForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyResizeRules();
}

void MainForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous() && !property("centred").toBool()) {
        setProperty("centred", true);
        centreForm();
    }
    placeGrids();
}

void MainForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Activate: leave the busy state (after load, and after a modal box closes).
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_scanning)
        BusyOff();
}

void MainForm::closeEvent(QCloseEvent* event)
{
    QuitterApplication();
    event->accept();
}

void MainForm::QuitterApplication()
{
    if (m_quitting)
        return;
    m_quitting = true;
    quarex::removeScratchFile();
    // The other windows go first; nothing is written.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible() && w->windowTitle() != windowTitle())
            w->close();
    QCoreApplication::quit();
}

void MainForm::onApropos()
{
    BusyOn();
    FormAPropos box(this);
    box.exec();
    BusyOff();
}

void MainForm::onExporter()
{
    trapped("Exporter_Click()",
        [this] { quarex::ExportGridDialog(m_tables.GridLogiciel(m_ui->ZoneDesTableaux->currentIndex())); });
}

void MainForm::onConvertHTML()
{
    // The report selects every row of the tables it writes: the rows the user had selected (and that the
    // detail zone describes) come back afterwards, whatever the outcome.
    struct SelectionKept {
        quarex::ResultTables& tables;
        std::array<int, quarex::TableCount> rows {};
        explicit SelectionKept(quarex::ResultTables& t)
            : tables(t)
        {
            for (int i = 0; i < quarex::TableCount; ++i)
                rows[static_cast<std::size_t>(i)] = tables.GridLogiciel(i).Row();
        }
        ~SelectionKept()
        {
            for (int i = 0; i < quarex::TableCount; ++i) {
                quarex::Grid& grid = tables.GridLogiciel(i);
                int row = rows[static_cast<std::size_t>(i)];
                if (row >= 0 && row < grid.Rows() && grid.Row() != row)
                    grid.setRow(row);
            }
        }
    };
    trapped("ConvertHTML_Click()", [this] {
        SelectionKept kept(m_tables);
        std::unique_ptr<quarex::BusyProgress> progress;
        quarex::HtmlCommandHooks hooks;
        hooks.selectedDirectory = [this] { return m_ui->ListeRepertoire->selectedDirectory(); };
        hooks.openResult = [](const std::string& file) { quarex::LanceDocument(file, true); };
        hooks.busyOn = [] { BusyOn(); };
        hooks.busyOff = [] { BusyOff(); };
        hooks.progress = [&progress](int done, int total) {
            // The bar comes with the first row written, once the questions are answered.
            if (!progress)
                progress = std::make_unique<quarex::BusyProgress>();
            progress->step(done, total);
            if (done >= total)
                progress.reset();
        };
        // The folders as the scan listed them: the report does not list them again.
        quarex::FolderListingCache cache(&m_tables.keptListings());
        quarex::DetailsSource source { *m_scanFs, quarex::windowsDirectory(), &cache };
        quarex::ConvertHTML(m_tables, quarex::Lib_OptionsHTML::instance().options(), source, hooks);
    });
}

void MainForm::onCommandOption()
{
    trapped("CommandOption_Click()", [this] { quarex::Lib_OptionsHTML::showOptions(this); });
}

void MainForm::onImprimer()
{
    trapped("Imprimer_Click()", [this] {
        int tab = m_ui->ZoneDesTableaux->currentIndex();
        quarex::printTable(m_tables.GridLogiciel(tab), quarex::sPrintTableTitle(tab));
    });
}

void MainForm::onPrintTexte()
{
    trapped("PrintTexte_Click()", [this] { quarex::printText(m_ui->TextInfo_0->toPlainText()); });
}
