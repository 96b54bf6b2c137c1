#include "ui/text_viewer.h"

#include "desktop/launch.h"
#include "fs/file_system.h"
#include "messages/messages.h"
#include "scan/viewer_text.h"
#include "text/text.h"
#include "ui/busy_qt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QCoreApplication>
#include <QEvent>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QVariant>

#include <cstdlib>

namespace quarex {

namespace {

    constexpr std::size_t kLinesPerBatch = 300; // lines between two passes of the event loop
    constexpr std::size_t kLinesPerAppend = 3000;
    constexpr std::size_t kIconFileLimit = 8 * 1024 * 1024;
    // Real folder and file names are kept as their bytes: a name from a disc need not be valid UTF-8.
    const char* const kTagProperty = "Tag";

    // The name on disk of a file of `folder` equal to `name` without regard to case, or "".
    std::string findNoCase(FileSystem& fs, const std::string& folder, const std::string& name)
    {
        if (folder.empty())
            return {};
        auto dir = fs.openDirectory(folder);
        if (!dir)
            return {};
        for (const DirEntry& e : dir->entries()) {
            if (equalsNoCase(decodeDiscText(e.name), name) || equalsNoCase(e.name, name))
                return joinPath(folder, e.name);
        }
        return {};
    }

} // namespace

bool ChargeFichierTexte(const std::string& sFichier, QPlainTextEdit* oTexte, bool bEvents, FileSystem* source)
{
    std::string path = trim(sFichier);
    if (path.empty() || !oTexte)
        return false;
    FileSystem& fs = source ? *source : nativeFileSystem();
    auto reader = TextLineReader::open(fs, path);
    if (!reader) {
        AfficheErreurFichier(path, fs.stat(path) ? -55 : -30);
        return false;
    }
    // The box takes the text in larger pieces than the event passes: each append costs a layout pass.
    std::string batch;
    std::string pending;
    std::size_t pendingLines = 0;
    bool first = true;
    auto flush = [&] {
        if (first)
            oTexte->setPlainText(QString::fromStdString(pending));
        else
            oTexte->appendPlainText(QString::fromStdString(pending));
        first = false;
        pending.clear();
        pendingLines = 0;
    };
    while (std::size_t lines = reader->readLines(kLinesPerBatch, batch)) {
        if (pendingLines > 0)
            pending += '\n';
        pending += batch;
        pendingLines += lines;
        batch.clear();
        if (first || pendingLines >= kLinesPerAppend)
            flush();
        if (bEvents)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    if (pendingLines > 0)
        flush();
    if (first)
        oTexte->clear();
    oTexte->moveCursor(QTextCursor::Start);
    if (reader->failed()) {
        raiseError(57, "Device I/O error");
        AfficheErreur(path);
        return false;
    }
    if (reader->truncated()) {
        AfficheInfo(path + " : " + "seuls les " + std::to_string(kViewerTextLimit / (1024 * 1024))
            + " premiers Mo du fichier sont affichés.");
    }
    return true;
}

QPixmap pixmapFromIcon(const QByteArray& bytes, int size)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer, "ico");
    QImage best;
    int bestDistance = 0;
    // A damaged directory can claim thousands of images; the format allows few.
    for (int i = 0; i < 64; ++i) {
        QImage image = reader.read();
        if (!image.isNull()) {
            int distance = std::abs(image.width() - size) + std::abs(image.height() - size);
            bool better = best.isNull() || distance < bestDistance
                || (distance == bestDistance && image.depth() > best.depth());
            if (better) {
                best = image;
                bestDistance = distance;
            }
        }
        if (!reader.jumpToNextImage())
            break;
    }
    if (best.isNull())
        return {};
    if (best.width() != size || best.height() != size)
        best = best.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return QPixmap::fromImage(best);
}

TextViewer::TextViewer(const Controls& controls, QObject* parent)
    : QObject(parent)
    , m_controls(controls)
    , m_fs(&nativeFileSystem())
{
    QListWidget* list = m_controls.list;
    // A new selection (mouse, keyboard or the offered text) shows the entry; the view making an entry current
    // when it gets the focus selects nothing and shows nothing. A click on the entry already selected shows it
    // again; a double-click opens it, unless the click before it has just opened that same document.
    connect(list, &QListWidget::itemSelectionChanged, this, [this] {
        int row = selectedRow();
        if (!m_filling && row >= 0)
            showEntry(row);
    });
    connect(list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        int row = m_controls.list->row(item);
        if (row == m_rowAtPress)
            showEntry(row);
    });
    connect(list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        int row = m_controls.list->row(item);
        bool justOpened
            = row == m_openedRow && m_openedAt.isValid() && m_openedAt.elapsed() <= QApplication::doubleClickInterval();
        if (!justOpened)
            openEntry(row);
    });
    list->viewport()->installEventFilter(this);
}

void TextViewer::setFileSystem(FileSystem* fs) { m_fs = fs ? fs : &nativeFileSystem(); }

int TextViewer::selectedRow() const
{
    const QList<QListWidgetItem*> selected = m_controls.list->selectedItems();
    return selected.isEmpty() ? -1 : m_controls.list->row(selected.first());
}

bool TextViewer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_controls.list->viewport()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick))
        m_rowAtPress = selectedRow();
    return QObject::eventFilter(watched, event);
}

void TextViewer::setEntries(
    const std::vector<RelatedFile>& files, const std::string& folder, const std::string& fileFolder)
{
    m_filling = true;
    m_controls.list->clear();
    for (const RelatedFile& f : files) {
        auto* item = new QListWidgetItem(QString::fromStdString(f.name));
        item->setData(Qt::UserRole, QByteArray::fromStdString(f.rawName.empty() ? f.name : f.rawName));
        m_controls.list->addItem(item);
    }
    m_controls.list->setCurrentRow(-1);
    m_controls.list->setProperty(kTagProperty, QByteArray::fromStdString(folder));
    m_fileFolder = fileFolder;
    m_filling = false;
}

void TextViewer::clear()
{
    m_filling = true;
    m_controls.list->clear();
    m_controls.list->setProperty(kTagProperty, QByteArray());
    m_filling = false;
    m_fileFolder.clear();
    m_controls.text->clear();
    hideText();
    m_controls.image->hide();
    m_controls.image->clear();
}

std::string TextViewer::folder() const { return m_controls.list->property(kTagProperty).toByteArray().toStdString(); }

std::string TextViewer::entryPath(int row) const
{
    QListWidgetItem* item = m_controls.list->item(row);
    if (!item)
        return {};
    std::string raw = item->data(Qt::UserRole).toByteArray().toStdString();
    std::string shown = item->text().toStdString();
    std::string path = AddBackslash(folder()) + raw;
    if (m_fs->stat(path))
        return path;
    // Not where the list was filled: the entry is looked for in the selected file's own folder.
    for (const std::string& dir : { folder(), m_fileFolder }) {
        std::string found = findNoCase(*m_fs, dir, shown);
        if (!found.empty())
            return found;
    }
    return path;
}

void TextViewer::showEntry(int row)
{
    std::string path = entryPath(row);
    if (path.empty())
        return;
    BusyOn();
    switch (viewerKindOf(m_controls.list->item(row)->text().toStdString())) {
    case ViewerKind::Help:
        if (AfficheFichierAide(path))
            noteOpened(row);
        break;
    case ViewerKind::Icon:
        showIcon(path);
        break;
    case ViewerKind::Document:
        if (LanceDocument(path, true))
            noteOpened(row);
        break;
    case ViewerKind::Text:
        showText(path);
        break;
    }
    BusyOff();
}

void TextViewer::noteOpened(int row)
{
    m_openedRow = row;
    m_openedAt.restart();
}

void TextViewer::openEntry(int row)
{
    std::string path = entryPath(row);
    if (path.empty())
        return;
    BusyOn();
    LanceDocument(path, true);
    BusyOff();
}

void TextViewer::hideText()
{
    m_controls.text->hide();
    m_controls.caption->hide();
    m_controls.print->hide();
}

void TextViewer::showText(const std::string& path)
{
    auto facts = m_fs->stat(path);
    if (!facts) {
        AfficheErreurFichier(path, -30);
        return;
    }
    std::uint64_t length = facts->isRegular ? facts->size : 0;
    if (length < 1) {
        hideText();
        AfficheInfo(sMessageFichierVide(path, length));
        return;
    }
    BusyOn(sMessageChargement(path, length));
    m_controls.text->clear();
    // Shown before the load so that the text appears while it grows.
    m_controls.image->hide();
    m_controls.caption->show();
    m_controls.text->show();
    m_controls.print->show();
    ChargeFichierTexte(path, m_controls.text, true, m_fs);
}

void TextViewer::showIcon(const std::string& path)
{
    QPixmap picture;
    if (auto file = m_fs->open(path)) {
        if (auto bytes = readFileBytes(*file, kIconFileLimit))
            picture = pixmapFromIcon(QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size())), 32);
    }
    if (picture.isNull()) {
        raiseError(481, "Invalid picture");
        AfficheErreur(path);
        return;
    }
    m_controls.image->setPixmap(picture);
    m_controls.image->show();
    hideText();
}

} // namespace quarex
