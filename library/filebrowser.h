#pragma once
#include <QComboBox>
#include <QElapsedTimer>
#include <QListView>
#include <QListWidget>
#include <QStringList>

// The mounted volumes; "the drive of a path" is the volume that holds it.
class DriveCombo : public QComboBox {
    Q_OBJECT
public:
    explicit DriveCombo(QWidget *parent = nullptr);
    void refresh();
    QString drive() const;
    // Selects the volume that holds path, adding it when it is not listed.
    void setDriveOf(const QString &path);
    static QString volumeOf(const QString &path);
};

// Where the browser stands: the folders of the current path from its volume's
// root down (open folders, the current one selected), then the folders inside
// the current one. A click on any of them goes there.
class DirList : public QListWidget {
    Q_OBJECT
public:
    // Each row carries the folder it stands for and how far it is indented.
    static constexpr int PathRole = Qt::UserRole;
    static constexpr int LevelRole = Qt::UserRole + 1;

    explicit DirList(QWidget *parent = nullptr);
    QString path() const { return m_path; }
    // False, and nothing changes, when the folder cannot be read.
    bool setPath(const QString &path);

signals:
    void changed();
    void unreadable(const QString &path);

private:
    void go(QListWidgetItem *item);
    void addFolder(const QString &text, const QString &path, int level, bool open);
    void showCurrent();
    QString m_path;
    int m_currentRow = -1;
    QElapsedTimer m_lastGo;
};

// The files of a folder that match the pattern, several selectable at once.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget *parent = nullptr);
    void setPattern(const QString &pattern);
    QString pattern() const { return m_pattern; }
    QString path() const { return m_path; }
    void setPath(const QString &path);
    void refresh();
    // Shows a line saying why the folder shows nothing.
    void showProblem(const QString &text);
    QStringList selectedNames() const;
    QString currentName() const;
    void clearSelectionIndex();

private:
    QString m_path;
    QString m_pattern;
};

// The play list's view: takes dropped files, Enter plays, Delete removes. Rows are the list's own
// entries, also while a find shows only some of them.
class PlayListBox : public QListView {
    Q_OBJECT
public:
    explicit PlayListBox(QWidget *parent = nullptr);
    // -1 when no row is current.
    int currentRow() const { return listIndex(currentIndex()).row(); }
    // Makes row current and the only one selected; -1 clears both. A row a find hides is chosen
    // again when it shows.
    void setCurrentRow(int row);
    bool rowSelected(int row) const;
    // Around a change of what a find shows: the chosen entry stays chosen, or is chosen again.
    void showingAboutToChange();
    void showingChanged();

signals:
    void filesDropped(const QStringList &paths);
    void enterPressed();
    void deletePressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QModelIndex listIndex(const QModelIndex &shown) const;
    QModelIndex shownIndex(const QModelIndex &entry) const;
    QModelIndex entryIndex(int row) const;
    QPersistentModelIndex m_chosen;   // of the list, not of what shows
};
