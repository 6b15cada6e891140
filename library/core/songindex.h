#pragma once
#include "lyrics/core/songtext.h"
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

// What each listed song is found by besides its file name: its title, artists and words, folded so
// that case and accents do not count. Songs are read a slice at a time between events, so typing is
// never held up for long; a song not read yet is found by its file name alone.
class SongIndex : public QObject {
    Q_OBJECT
public:
    using Reader = std::function<SongText(const QString &path)>;
    // read may be empty: songs are known by their file names only.
    explicit SongIndex(Reader read, QObject *parent = nullptr);

    // Compatibility-decomposed, marks dropped, case folded: "Ça Ｓtraße" and "ca strasse" meet.
    static QString fold(const QString &text);

    // Reads, from now on, the songs of paths that are not read yet; songs no longer listed are forgotten.
    void follow(const QStringList &paths);
    // The folded title, artists and words of path's song; empty while it is not read.
    QString textOf(const QString &path) const { return m_text.value(path); }
    // The song at path reads differently now: it is read again.
    void forget(const QString &path);
    bool reading() const { return !m_waiting.isEmpty(); }
    // Reads waiting songs for about budgetMs; 0: all of them.
    void readFor(int budgetMs);

    static constexpr int SliceMs = 15;

signals:
    // More songs are known: a filter looks again.
    void songsRead();

private:
    Reader m_read;
    QHash<QString, QString> m_text;
    QStringList m_waiting;
    QTimer m_slice;
};
