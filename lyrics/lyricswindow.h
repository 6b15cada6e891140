#pragma once
#include "lyrics/core/lyriclines.h"
#include "lyrics/core/songtext.h"
#include <QTimer>
#include <QWidget>
#include <functional>

class PlaySession;
class QLabel;
class SongTextSource;

// The words of the song that plays, the line being sung with its sung part marked syllable by
// syllable, and the lines after it. It follows the play session; while it is open and a song
// plays, it looks at the position often enough to keep up with the sound.
class LyricsWindow : public QWidget {
    Q_OBJECT
public:
    // colours: the player's, asked each time the window shows (Window and WindowText).
    LyricsWindow(PlaySession *play, SongTextSource *source, std::function<QPalette()> colours,
                 QWidget *parent = nullptr);

    static constexpr int FollowMs = 30;
    static constexpr int NextLines = 3;
    static constexpr int DefaultPoints = 20;

    // What it shows, as plain text.
    QString heading() const;
    QString currentLine() const { return m_currentText; }
    QString sungPart() const { return m_sungText; }
    QStringList nextLines() const { return m_nextTexts; }
    int points() const { return m_points; }
    // Looks at the position now (the timer does this every FollowMs while a song plays).
    void follow();
    bool following() const { return m_timer.isActive(); }
    int nextLookMs() const { return m_timer.interval(); }
    void zoom(int steps);   // 0: back to the default size
    void chooseEncoding(const QByteArray &encoding);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void installKeys();
    void applyLook();
    // Reads the open song's text again when the song is another one (or force), then follows.
    void refresh(bool force = false);
    void showPlace(const lyriclines::Place &place);
    void showMessage(const QString &text);
    void setCurrent(const QString &line, const QString &sung);

    PlaySession *m_play;
    SongTextSource *m_source;
    std::function<QPalette()> m_colours;
    QString m_song;
    SongText m_text;
    QVector<lyriclines::Line> m_lines;
    lyriclines::Place m_place{-1, -1};
    QLabel *m_heading, *m_current, *m_next;
    QString m_currentText, m_sungText;
    QStringList m_nextTexts;
    QTimer m_timer;
    int m_points = DefaultPoints;
};
