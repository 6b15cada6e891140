#include "library/filebrowser.h"
#include "components/core/systemtools.h"
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QStorageInfo>

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

DirList::DirList(QWidget *parent) : QListWidget(parent)
{
    connect(this, &QListWidget::itemActivated, this, &DirList::enter);
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
    clear();
    if (p != QLatin1String("/"))
        addItem(QStringLiteral(".."));
    addItems(subs);
    const bool moved = p != m_path;
    m_path = p;
    if (moved)
        emit changed();
    return true;
}

void DirList::enter(QListWidgetItem *item)
{
    if (!item)
        return;
    if (item->text() == QLatin1String("..")) {
        QString up = m_path.left(m_path.size() - 1);
        setPath(up.left(up.lastIndexOf(QLatin1Char('/')) + 1));
    } else {
        setPath(m_path + item->text());
    }
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
    dir.setFilter(QDir::Files);  // name filters match regardless of case
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

PlayListBox::PlayListBox(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
}

void PlayListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        emit enterPressed();
    else if (event->key() == Qt::Key_Delete)
        emit deletePressed();
    else
        QListWidget::keyPressEvent(event);
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
