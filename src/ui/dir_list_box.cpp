#include "ui/dir_list_box.h"

#include "text/text.h"
#include "fs/file_system.h"
#include "scan/scan_engine.h"

#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace {

constexpr int kLevelRole = Qt::UserRole + 1;
constexpr int kIndentPixels = 8;

// Indents each entry by its depth in the tree.
class LevelDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + index.data(kLevelRole).toInt() * kIndentPixels);
        QStyledItemDelegate::paint(painter, shifted, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += index.data(kLevelRole).toInt() * kIndentPixels;
        return size;
    }
};

bool isDirectoryEntry(quarex::DirectoryHandle& dir, const quarex::DirEntry& entry)
{
    if (entry.type == quarex::EntryType::Directory)
        return true;
    if (entry.type == quarex::EntryType::Symlink || entry.type == quarex::EntryType::Unknown) {
        auto facts = dir.statChild(entry.name);
        return facts && facts->isDirectory;
    }
    return false;
}

} // namespace

DirListBox::DirListBox(QWidget* parent)
    : QListWidget(parent)
    , m_fs(&quarex::nativeFileSystem())
{
    setItemDelegate(new LevelDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemActivated, this, &DirListBox::enter);
}

bool DirListBox::setPath(const std::string& requested)
{
    std::string path = requested.empty()
        ? std::string()
        : quarex::normaliseStartDirectory(std::filesystem::path(requested).lexically_normal().string());
    if (path.empty())
        return false;
    errno = 0;
    auto dir = m_fs->openDirectory(path);
    if (!dir)
        return false;

    std::vector<std::string> ancestors { "/" };
    for (std::size_t pos = 1; pos < path.size();) {
        std::size_t next = path.find('/', pos);
        if (next == std::string::npos)
            next = path.size();
        if (next > pos)
            ancestors.push_back(path.substr(0, next));
        pos = next + 1;
    }
    struct Child {
        std::string key;
        std::string raw;
        std::string shown;
    };
    std::vector<Child> children;
    for (const quarex::DirEntry& entry : dir->entries()) {
        if (!isDirectoryEntry(*dir, entry))
            continue;
        std::string shown = quarex::displayName(entry.name);
        children.push_back({ quarex::upperCase(shown), entry.name, shown });
    }
    std::sort(children.begin(), children.end(),
        [](const Child& a, const Child& b) { return a.key != b.key ? a.key < b.key : a.raw < b.raw; });

    m_path = path;
    m_ancestors = std::move(ancestors);
    m_children.clear();
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon, nullptr, this);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon, nullptr, this);
    for (std::size_t i = 0; i < m_ancestors.size(); ++i) {
        const std::string& a = m_ancestors[i];
        std::string name = i == 0 ? a : quarex::displayName(a.substr(a.rfind('/') + 1));
        auto* item = new QListWidgetItem(open, QString::fromStdString(name), this);
        item->setData(kLevelRole, static_cast<int>(i));
    }
    for (const Child& c : children) {
        auto* item = new QListWidgetItem(closed, QString::fromStdString(c.shown), this);
        item->setData(kLevelRole, static_cast<int>(m_ancestors.size()));
        m_children.push_back(quarex::joinPath(m_path, c.raw));
    }
    setListIndex(-1);
    emit pathChanged();
    return true;
}

std::string DirListBox::List(int index) const
{
    if (index >= 0)
        return index < ListCount() ? m_children[static_cast<std::size_t>(index)] : std::string();
    int fromRoot = static_cast<int>(m_ancestors.size()) + index;
    return fromRoot >= 0 ? m_ancestors[static_cast<std::size_t>(fromRoot)] : std::string();
}

int DirListBox::rowOfIndex(int index) const { return static_cast<int>(m_ancestors.size()) + index; }

int DirListBox::ListIndex() const
{
    int row = currentRow();
    if (row < 0)
        return -1;
    return row - static_cast<int>(m_ancestors.size());
}

void DirListBox::setListIndex(int index)
{
    int row = rowOfIndex(index);
    if (row < 0 || row >= count())
        return;
    setCurrentRow(row);
}

void DirListBox::enter(QListWidgetItem* item)
{
    if (!item)
        return;
    int index = row(item) - static_cast<int>(m_ancestors.size());
    std::string target = List(index);
    if (target.empty() || target == m_path)
        return;
    if (!setPath(target)) {
        int code = errno;
        emit enterFailed(QString::fromStdString(target), code);
    }
}
