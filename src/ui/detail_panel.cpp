#include "ui/detail_panel.h"

#include "desktop/launch.h"
#include "fs/file_system.h"
#include "messages/messages.h"
#include "settings/app_paths.h"
#include "text/text.h"
#include "ui/busy_qt.h"
#include "ui/text_viewer.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeDatabase>
#include <QPainter>
#include <QPlainTextEdit>
#include <QWidget>

#include <stdexcept>

namespace quarex {

namespace {

    template <typename T> T* control(QWidget* form, const char* name)
    {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            throw std::logic_error(std::string("control missing: ") + name);
        return w;
    }

    QPixmap themeIcon(const QString& name, int size)
    {
        if (name.isEmpty())
            return {};
        QIcon icon = QIcon::fromTheme(name);
        return icon.isNull() ? QPixmap() : icon.pixmap(size, size);
    }

} // namespace

QPixmap genericProgramPicture(int size)
{
    QPixmap theme = themeIcon(QStringLiteral("application-x-executable"), size);
    if (!theme.isNull())
        return theme;
    // A program window: frame, title bar, client area.
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    int m = size / 8;
    QRect frame(m, m + size / 16, size - 2 * m - 1, size - 2 * m - size / 8);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(frame);
    p.fillRect(QRect(frame.left() + 1, frame.top() + 1, frame.width() - 1, std::max(3, size / 6)), QColor(0, 0, 128));
    p.fillRect(
        QRect(frame.right() - std::max(3, size / 6), frame.top() + 2, std::max(2, size / 10), std::max(2, size / 10)),
        QColor(192, 192, 192));
    return picture;
}

FileIcon fileIconFor(const std::string& path, const ExecutableFacts& facts, int size)
{
    FileIcon result;
    if (facts.iconIco) {
        result.pixmap
            = pixmapFromIcon(QByteArray(facts.iconIco->data(), static_cast<qsizetype>(facts.iconIco->size())), size);
    }
    QMimeType mime;
    if (facts.kind.empty()) {
        mime = QMimeDatabase().mimeTypeForFile(QString::fromStdString(path));
        if (result.pixmap.isNull() && mime.isValid()) {
            result.pixmap = themeIcon(mime.iconName(), size);
            if (result.pixmap.isNull())
                result.pixmap = themeIcon(mime.genericIconName(), size);
        }
    }
    if (result.pixmap.isNull())
        result.pixmap = genericProgramPicture(size);
    if (!facts.kind.empty())
        result.toolTip = QString::fromStdString(facts.kind);
    else if (mime.isValid())
        result.toolTip = mime.comment();
    return result;
}

DetailPanel::DetailPanel(QWidget* form, ResultTables& tables, QObject* parent)
    : QObject(parent)
    , m_tables(tables)
    , m_fs(&nativeFileSystem())
{
    for (int i = 1; i <= 5; ++i)
        m_info[static_cast<std::size_t>(i)] = control<QLineEdit>(form, ("TextInfo_" + std::to_string(i)).c_str());
    m_icon = control<QLabel>(form, "IconeFichier");
    m_type = form->findChild<QLabel*>(QStringLiteral("TypeProgramme"));
    QLineEdit* path = m_info[5];
    path->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(path, &QWidget::customContextMenuRequested, this, [this, path](const QPoint& at) {
        QMenu* menu = createPathMenu(path);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(path->mapToGlobal(at));
    });
    TextViewer::Controls c;
    c.list = control<QListWidget>(form, "ListFichier");
    c.text = control<QPlainTextEdit>(form, "TextInfo_0");
    c.caption = control<QLabel>(form, "LabelInfo_2");
    c.print = control<QAbstractButton>(form, "PrintTexte");
    c.image = control<QLabel>(form, "ImageSelect");
    m_viewer = new TextViewer(c, this);
}

DetailPanel::~DetailPanel() = default;

void DetailPanel::setFileSystem(FileSystem* fs)
{
    m_fs = fs ? fs : &nativeFileSystem();
    m_viewer->setFileSystem(m_fs);
}

void DetailPanel::clear()
{
    m_viewer->clear();
    for (int i = 1; i <= 5; ++i) {
        m_info[static_cast<std::size_t>(i)]->clear();
        m_info[static_cast<std::size_t>(i)]->setToolTip(QString());
    }
    m_icon->clear();
    m_icon->setToolTip(QString());
    if (m_type) {
        m_type->clear();
        m_type->setToolTip(QString());
    }
    m_last = SelectionDetails {};
}

void DetailPanel::showRow(int table, int row)
{
    if (table < 0 || table >= TableCount || row < 1)
        return;
    Grid& grid = m_tables.GridLogiciel(table);
    if (row >= grid.Rows())
        return;
    clear();
    bool busy = false;
    try {
        SelectionDetails d = describeRow(grid, row, table, DetailsSource { *m_fs, windowsDirectory(), nullptr });
        if (d.outcome == SelectionDetails::Outcome::NoFileName || d.outcome == SelectionDetails::Outcome::Header)
            return;
        BusyOn();
        busy = true;
        applyRowChanges(grid, row, d);
        m_last = d;
        if (d.outcome == SelectionDetails::Outcome::Described)
            fill(d);
    } catch (const std::exception& e) {
        clearError();
        AfficheErreur(std::string("Erreur lors de la recherche d'information sur le fichier") + " : " + e.what());
    }
    if (busy)
        BusyOff();
}

void DetailPanel::fill(const SelectionDetails& d)
{
    m_info[5]->setText(QString::fromStdString(d.fullPath));
    m_info[4]->setText(QString::fromStdString(d.productName));
    m_info[1]->setText(QString::fromStdString(d.copyright));
    m_info[2]->setText(QString::fromStdString(d.internalNameShown()));
    m_info[3]->setText(QString::fromStdString(d.companyName));
    m_viewer->setEntries(d.relatedFiles, d.relatedFolder, directoryOf(d.realPath));

    auto file = m_fs->open(d.realPath);
    ExecutableFacts facts = file ? ExecutableImage(*file).facts() : ExecutableFacts {};
    FileIcon icon = fileIconFor(d.realPath, facts);
    m_icon->setPixmap(icon.pixmap);
    QString tip = icon.toolTip;
    if (!d.programType.empty()) {
        QString type = QString::fromStdString(d.programType);
        tip = tip.isEmpty() ? type : type + QLatin1Char('\n') + tip;
    }
    m_icon->setToolTip(tip);
    m_info[5]->setToolTip(tip);
    if (m_type) {
        // The header kind read from the file, and the kind of program its path suggests.
        QString shown = QString::fromStdString(facts.kind);
        if (!d.programType.empty()) {
            QString type = QString::fromStdString(d.programType) + QStringLiteral(" (d'après le chemin)");
            shown = shown.isEmpty() ? type : shown + QStringLiteral(" \u2013 ") + type;
        }
        m_type->setText(shown);
        m_type->setToolTip(shown);
    }

    if (d.offeredIndex >= 0)
        m_viewer->controls().list->setCurrentRow(d.offeredIndex);
}

QMenu* DetailPanel::createPathMenu(QWidget* parent)
{
    QMenu* menu = m_info[5]->createStandardContextMenu();
    menu->setParent(parent, menu->windowFlags());
    menu->addSeparator();
    QAction* copy = menu->addAction(QStringLiteral("Copier le chemin réel"), this, &DetailPanel::copyRealPath);
    copy->setObjectName(QStringLiteral("CopierCheminReel"));
    copy->setEnabled(!m_last.realPath.empty());
    return menu;
}

void DetailPanel::copyRealPath() const
{
    if (m_last.realPath.empty())
        return;
    // The bytes of the names on disk, as the system decodes file names.
    QGuiApplication::clipboard()->setText(
        QFile::decodeName(QByteArray(m_last.realPath.data(), static_cast<qsizetype>(m_last.realPath.size()))));
}

void DetailPanel::runRow(int table, int row)
{
    if (table < 0 || table >= TableCount)
        return;
    Grid& grid = m_tables.GridLogiciel(table);
    if (row < 1 || row >= grid.Rows())
        return;
    std::string name = trim(grid.cell(row, ColFile));
    std::string location = trim(grid.cell(row, ColLocation));
    if (name.empty())
        return;
    std::string path = grid.rowPath(row).empty() ? trim(AddBackslash(location) + name) : grid.rowPath(row);
    BusyOn();
    if (table == TableArchives) {
        OuvreDocument(path);
    } else if (iQuestion("Confirmez-vous l'execution du fichier ?\r\n" + path) == AnswerYes) {
        iExecuteShellWin(path, 1);
    }
    BusyOff();
}

} // namespace quarex
