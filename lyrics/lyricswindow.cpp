#include "lyrics/lyricswindow.h"
#include "lyrics/core/songtextsource.h"
#include "lyrics/core/textdecoding.h"
#include "playback/core/playsession.h"
#include <QAccessible>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QColor mix(const QColor &a, const QColor &b, double share)
{
    return QColor::fromRgbF(float(a.redF() * (1 - share) + b.redF() * share),
                            float(a.greenF() * (1 - share) + b.greenF() * share),
                            float(a.blueF() * (1 - share) + b.blueF() * share));
}

QLabel *makeLabel(QWidget *parent, const char *name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    l->setWordWrap(true);
    l->setTextFormat(Qt::RichText);
    return l;
}

}   // namespace

LyricsWindow::LyricsWindow(PlaySession *play, SongTextSource *source, std::function<QPalette()> colours,
                           QWidget *parent)
    : QWidget(parent, Qt::Window), m_play(play), m_source(source), m_colours(std::move(colours))
{
    setObjectName(QStringLiteral("LyricsWindow"));
    setWindowTitle(QStringLiteral("Lyrics"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    resize(640, 360);
    m_heading = makeLabel(this, "Heading");
    m_heading->setTextFormat(Qt::PlainText);
    m_current = makeLabel(this, "CurrentLine");
    m_next = makeLabel(this, "NextLines");
    m_next->setTextFormat(Qt::PlainText);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    // The words stand a little above the middle, where the eye rests.
    layout->addStretch(1);
    layout->addWidget(m_current);
    layout->addWidget(m_next);
    layout->addStretch(2);
    m_timer.setObjectName(QStringLiteral("FollowTimer"));
    m_timer.setInterval(FollowMs);
    connect(&m_timer, &QTimer::timeout, this, &LyricsWindow::follow);
    connect(play, &PlaySession::songChanged, this, [this] { refresh(); });
    connect(play, &PlaySession::playStateChanged, this, [this] { refresh(); });
    connect(play, &PlaySession::positionJumped, this, &LyricsWindow::follow);
    connect(source, &SongTextSource::changed, this, [this](const QString &path) {
        if (path == m_song)
            refresh(true);
    });
    installKeys();
    applyLook();
}

void LyricsWindow::installKeys()
{
    const auto key = [this](const QList<QKeySequence> &keys, const std::function<void()> &run) {
        for (const QKeySequence &k : keys)
            connect(new QShortcut(k, this), &QShortcut::activated, this, run);
    };
    key({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)}, [this] { zoom(1); });
    key({QKeySequence::ZoomOut}, [this] { zoom(-1); });
    key({QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { zoom(0); });
    key({QKeySequence(Qt::Key_F11)}, [this] { setWindowState(windowState() ^ Qt::WindowFullScreen); });
    key({QKeySequence(Qt::Key_Escape)}, [this] { setWindowState(windowState() & ~Qt::WindowFullScreen); });
}

void LyricsWindow::zoom(int steps)
{
    m_points = steps == 0 ? DefaultPoints : qBound(8, m_points + 2 * steps, 96);
    applyLook();
}

void LyricsWindow::applyLook()
{
    const QPalette player = m_colours ? m_colours() : palette();
    QPalette p = palette();
    p.setColor(QPalette::Window, player.color(QPalette::Window));
    p.setColor(QPalette::WindowText, player.color(QPalette::WindowText));
    setPalette(p);
    QPalette dim = p;
    dim.setColor(QPalette::WindowText, mix(p.color(QPalette::WindowText), p.color(QPalette::Window), 0.4));
    m_next->setPalette(dim);
    QFont f = font();
    f.setPointSize(m_points);
    f.setBold(true);
    m_current->setFont(f);
    f.setBold(false);
    f.setPointSize(qMax(8, m_points * 4 / 5));
    m_next->setFont(f);
    f.setPointSize(qMax(8, m_points / 2));
    m_heading->setFont(f);
    m_place = {-1, -1};   // drawn again in the new colours
    refresh(true);
}

QString LyricsWindow::heading() const
{
    return m_heading->text();
}

void LyricsWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    applyLook();
}

void LyricsWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
}

void LyricsWindow::refresh(bool force)
{
    const QString song = m_play->openSong();
    if (force || song != m_song) {
        m_song = song;
        m_text = song.isEmpty() ? SongText() : m_source->textOf(song);
        m_lines = lyriclines::split(m_text.lyrics);
        m_place = {-1, -1};
        QString title = m_text.title.isEmpty() ? QFileInfo(song).completeBaseName() : m_text.title;
        if (!m_text.artists.isEmpty())
            title += QStringLiteral(" \u2014 ") + m_text.artists.join(QStringLiteral(", "));
        m_heading->setText(title);
    }
    const PlayState state = m_play->playState();
    const bool playing = state == PlayState::Playing && m_text.hasLyrics() && isVisible();
    if (playing != m_timer.isActive())
        playing ? m_timer.start() : m_timer.stop();
    // Between songs the coming song's title stands alone.
    if (song.isEmpty() || state == PlayState::Interlude)
        showMessage(QString());
    else if (!m_text.hasLyrics())
        showMessage(QStringLiteral("No lyrics in this song"));
    else
        follow();
}

void LyricsWindow::follow()
{
    if (!m_text.hasLyrics() || m_play->playState() == PlayState::Interlude || m_song.isEmpty())
        return;
    const qint64 now = m_play->positionMs();
    showPlace(lyriclines::placeAt(m_lines, m_text.lyrics, now));
    if (!m_timer.isActive())
        return;
    // Wake at the next syllable, not up to a whole tick after it.
    const auto &words = m_text.lyrics;
    const auto next = std::upper_bound(words.cbegin(), words.cend(), now,
                                       [](qint64 ms, const LyricSyllable &s) { return ms < s.ms; });
    const qint64 wait = next == words.cend() ? FollowMs : next->ms - now;
    m_timer.setInterval(int(std::clamp<qint64>(wait, 1, FollowMs)));
}

void LyricsWindow::showPlace(const lyriclines::Place &place)
{
    if (place.line == m_place.line && place.sung == m_place.sung)
        return;
    const bool newLine = place.line != m_place.line;
    m_place = place;
    const lyriclines::Line &line = m_lines[place.line];
    setCurrent(lyriclines::text(line, m_text.lyrics), lyriclines::text(line, m_text.lyrics, place.sung));
    if (!newLine)
        return;
    m_nextTexts.clear();
    QStringList shown;
    for (int i = place.line + 1; i < m_lines.size() && m_nextTexts.size() < NextLines; ++i) {
        if (m_lines[i].paragraph)
            shown << QString();
        m_nextTexts << lyriclines::text(m_lines[i], m_text.lyrics);
        shown << m_nextTexts.last();
    }
    m_next->setText(shown.join(QLatin1Char('\n')));
}

void LyricsWindow::showMessage(const QString &text)
{
    m_place = {-1, -1};
    m_nextTexts.clear();
    m_next->clear();
    setCurrent(text, QString());
}

void LyricsWindow::setCurrent(const QString &line, const QString &sung)
{
    const bool lineChanged = line != m_currentText;
    m_currentText = line;
    m_sungText = sung;
    const QPalette p = palette();
    const QColor waiting = mix(p.color(QPalette::WindowText), p.color(QPalette::Window), 0.55);
    m_current->setText(QStringLiteral("<span>%1</span><span style=\"color:%2\">%3</span>")
                           .arg(sung.toHtmlEscaped(), waiting.name(), line.mid(sung.size()).toHtmlEscaped()));
    if (!lineChanged)
        return;
    // Screen readers read the line, not each syllable.
    m_current->setAccessibleName(line);
    QAccessibleEvent event(m_current, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void LyricsWindow::chooseEncoding(const QByteArray &encoding)
{
    if (!m_song.isEmpty())
        m_source->chooseEncoding(m_song, encoding);
}

void LyricsWindow::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QMenu *encodings = menu.addMenu(QStringLiteral("Encoding"));
    encodings->setEnabled(!m_song.isEmpty());
    auto *group = new QActionGroup(encodings);
    QList<QByteArray> offered = m_source->encodings();
    offered.prepend(QByteArray());
    const QByteArray chosen = m_source->chosenEncoding(m_song);
    for (const QByteArray &e : std::as_const(offered)) {
        QAction *a = encodings->addAction(
            e.isEmpty() ? QStringLiteral("Automatic (%1)").arg(textdecoding::encodingLabel(m_text.encoding))
                        : textdecoding::encodingLabel(e));
        a->setCheckable(true);
        a->setChecked(e.compare(chosen, Qt::CaseInsensitive) == 0);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, e] { chooseEncoding(e); });
    }
    menu.addSeparator();
    menu.addAction(QStringLiteral("Larger text"), QKeySequence::ZoomIn, this, [this] { zoom(1); });
    menu.addAction(QStringLiteral("Smaller text"), QKeySequence::ZoomOut, this, [this] { zoom(-1); });
    menu.addAction(QStringLiteral("Full screen"), QKeySequence(Qt::Key_F11), this,
                   [this] { setWindowState(windowState() ^ Qt::WindowFullScreen); });
    menu.exec(event->globalPos());
}
