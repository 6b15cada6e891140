#pragma once
#include <QString>
#include <QStringList>

// The play list: entry names and full paths kept together, so they cannot
// drift apart. Reading outside the entries gives empty text.
class PlayList {
public:
    static constexpr int Capacity = 1001;

    int count() const { return int(m_paths.size()); }
    bool isEmpty() const { return m_paths.isEmpty(); }
    bool isFull() const { return count() >= Capacity; }

    QString path(int i) const;
    QString name(int i) const;
    QStringList paths() const { return m_paths; }
    QStringList names() const { return m_names; }

    // Appends path with its file name as the entry text; false when full.
    bool append(const QString &path);
    bool append(const QString &path, const QString &name);
    void removeAt(int i);
    void clear();
    // Replaces the whole order, names taken from the paths.
    void setPaths(const QStringList &paths);

private:
    QStringList m_paths;
    QStringList m_names;
};
