#include "library/filebrowser.h"
#include "components/core/systemtools.h"
#include <QAbstractProxyModel>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QStorageInfo>
#include <QStyledItemDelegate>

DriveCombo::DriveCombo(QWidget *parent) : QComboBox(parent)
{
    refresh();
}

void DriveCombo::refresh()
{
    const QSignalBlocker block(this);
    const QString keep = drive();
    clear();
    for (const QStorageInfo &v : QStorageInfo::mountedVolumes()) {
        if (v.isValid() && v.isReady())
            addItem(SystemTools::WithSlash(v.rootPath()));
    }
    if (!keep.isEmpty())
        setCurrentIndex(findText(keep));
}

QString DriveCombo::drive() const
{
    return currentText();
}

QString DriveCombo::volumeOf(const QString &path)
{
    QString p = path;
    while (!p.isEmpty() && !QFileInfo::exists(p))
        p = p.left(p.lastIndexOf(QLatin1Char('/'), p.size() - 2) + 1);
    const QStorageInfo info(p.isEmpty() ? QStringLiteral("/") : p);
    return info.isValid() ? SystemTools::WithSlash(info.rootPath()) : QStringLiteral("/");
}

void DriveCombo::setDriveOf(const QString &path)
{
    const QString vol = volumeOf(path);
    int i = findText(vol);
    if (i < 0) {
        addItem(vol);
        i = count() - 1;
    }
    const QSignalBlocker block(this);
    setCurrentIndex(i);
}

namespace {

QString absoluteFolder(const QString &path)
{
    return SystemTools::WithSlash(QDir::cleanPath(QDir(path).absolutePath()));
}

// Indents each row by its level; the highlight starts where the row does, and
// a name that no longer fits the row is shortened.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem o(option);
        // A deep path gets at most half the row for its steps: the deepest name keeps the rest.
        const QAbstractItemModel *m = index.model();
        const int deepest = std::max(1, m->index(m->rowCount() - 1, 0).data(DirList::LevelRole).toInt());
        const int step = std::clamp(o.rect.width() / 2 / deepest, 2, std::max(2, o.decorationSize.width() / 2));
        o.rect.setLeft(o.rect.left() + index.data(DirList::LevelRole).toInt() * step);
        QStyledItemDelegate::paint(painter, o, index);
    }
};

}   // namespace

DirList::DirList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new IndentDelegate(this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);   // the list is too low to spare the room
    connect(this, &QListWidget::itemClicked, this, &DirList::go);
    connect(this, &QListWidget::itemActivated, this, &DirList::go);
}

bool DirList::setPath(const QString &path)
{
    const QString p = SystemTools::WithSlash(path);
    QDir dir(p);
    if (!dir.exists() || !QFileInfo(p).isReadable()) {
        emit unreadable(p);
        return false;
    }
    const QStringList subs = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    const QString here = absoluteFolder(p);
    QString root = DriveCombo::volumeOf(here);
    if (!here.startsWith(root))
        root = QStringLiteral("/");   // reached through a link: list from the top
    clear();
    int level = 0;
    addFolder(root, root, level++, true);
    QString at = root;
    for (const QString &name : here.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        at += name + QLatin1Char('/');
        addFolder(name, at, level++, true);
    }
    m_currentRow = count() - 1;
    for (const QString &name : subs)
        addFolder(name, here + name + QLatin1Char('/'), level, false);
    showCurrent();
    const bool moved = p != m_path;
    m_path = p;
    if (moved)
        emit changed();
    return true;
}

void DirList::addFolder(const QString &text, const QString &path, int level, bool open)
{
    auto *item = new QListWidgetItem(style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon),
                                     text, this);
    item->setData(PathRole, path);
    item->setData(LevelRole, level);
}

void DirList::showCurrent()
{
    setCurrentRow(m_currentRow);
    if (QListWidgetItem *current = item(m_currentRow))
        scrollToItem(current, QAbstractItemView::PositionAtCenter);
}

void DirList::go(QListWidgetItem *item)
{
    // The second click of a double click lands on the list the first one made: it goes no further.
    if (!item || (m_lastGo.isValid() && m_lastGo.elapsed() < QApplication::doubleClickInterval())) {
        showCurrent();
        return;
    }
    m_lastGo.start();
    const QString target = item->data(PathRole).toString();
    // The list is rebuilt once the view has finished with the clicked row.
    QMetaObject::invokeMethod(
        this,
        [this, target] {
        if (target == absoluteFolder(m_path) || !setPath(target))
            showCurrent();
        },
        Qt::QueuedConnection);
}

FileList::FileList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void FileList::setPattern(const QString &pattern)
{
    m_pattern = pattern;
    refresh();
}

void FileList::setPath(const QString &path)
{
    m_path = SystemTools::WithSlash(path);
    refresh();
}

void FileList::refresh()
{
    clear();
    if (m_path.isEmpty())
        return;
    QDir dir(m_path);
    if (!dir.exists() || !dir.isReadable()) {
        showProblem(QStringLiteral("This folder cannot be read."));
        return;
    }
    dir.setNameFilters(m_pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts));
    dir.setFilter(QDir::Files);   // name filters match regardless of case
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    addItems(dir.entryList());
}

void FileList::showProblem(const QString &text)
{
    clear();
    auto *item = new QListWidgetItem(text, this);
    item->setFlags(Qt::NoItemFlags);
    item->setData(Qt::UserRole, true);
}

QStringList FileList::selectedNames() const
{
    QStringList names;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->isSelected() && !item(i)->data(Qt::UserRole).toBool())
            names << item(i)->text();
    }
    return names;
}

QString FileList::currentName() const
{
    const QListWidgetItem *it = currentItem();
    return it && !it->data(Qt::UserRole).toBool() ? it->text() : QString();
}

void FileList::clearSelectionIndex()
{
    setCurrentRow(-1);
    clearSelection();
}

PlayListBox::PlayListBox(QWidget *parent) : QListView(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
}

QModelIndex PlayListBox::listIndex(const QModelIndex &shown) const
{
    const auto *proxy = qobject_cast<const QAbstractProxyModel *>(model());
    return proxy ? proxy->mapToSource(shown) : shown;
}

QModelIndex PlayListBox::shownIndex(const QModelIndex &entry) const
{
    const auto *proxy = qobject_cast<const QAbstractProxyModel *>(model());
    return proxy ? proxy->mapFromSource(entry) : entry;
}

QModelIndex PlayListBox::entryIndex(int row) const
{
    const auto *proxy = qobject_cast<const QAbstractProxyModel *>(model());
    return (proxy ? proxy->sourceModel() : model())->index(row, 0);
}

void PlayListBox::setCurrentRow(int row)
{
    if (!selectionModel())   // none until the box has its list
        return;
    m_chosen = entryIndex(row);
    selectionModel()->setCurrentIndex(shownIndex(m_chosen), QItemSelectionModel::ClearAndSelect);
}

bool PlayListBox::rowSelected(int row) const
{
    return selectionModel() && selectionModel()->isSelected(shownIndex(entryIndex(row)));
}

void PlayListBox::showingAboutToChange()
{
    const QModelIndex current = currentIndex();
    if (current.isValid())   // else it is hidden: the one chosen before stays chosen
        m_chosen = selectionModel()->isSelected(current) ? QPersistentModelIndex(listIndex(current))
                                                         : QPersistentModelIndex();
}

void PlayListBox::showingChanged()
{
    // The view moves the current row to a neighbour of one that hides, which Remove would then take.
    const QModelIndex shown = shownIndex(m_chosen);
    if (currentIndex() == shown && (!shown.isValid() || selectionModel()->isSelected(shown)))
        return;
    selectionModel()->setCurrentIndex(shown, QItemSelectionModel::ClearAndSelect);
    if (shown.isValid())
        scrollTo(shown);
}

void PlayListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        emit enterPressed();
    else if (event->key() == Qt::Key_Delete)
        emit deletePressed();
    else
        QListView::keyPressEvent(event);
}

void PlayListBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void PlayListBox::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void PlayListBox::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    if (!paths.isEmpty())
        emit filesDropped(paths);
}
