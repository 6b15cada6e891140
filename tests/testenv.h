#pragma once
#include <QString>
#include <QStringList>
#include <QVector>

// Points HOME, the XDG folders and the settings at a fresh temporary folder,
// so no test touches the real home. Call first in initTestCase().
class QWidget;

namespace TestEnv {
void setUp();
QString root();         // the temporary home
QString documents();    // root()/Documents
QString samplesDir();   // generated sample songs (from the build)
QString soundFont();    // small GM bank for engine tests
// Interleaved 16-bit stereo samples of a WAV file the renderer writes.
QVector<qint16> readWav(const QString &path);
// The loudest of samples [from, to) of s; to -1: to the end.
int peak(const QVector<qint16> &s, qsizetype from = 0, qsizetype to = -1);
// The bytes of a file; empty when it cannot be read.
QByteArray readFile(const QString &path);
// True while the process holds a file in the folder open, named or not.
bool writesInto(qint64 pid, const QString &dir);
// Writes bytes as the whole file; false on failure.
bool writeFile(const QString &path, const QByteArray &bytes);
// Writes a small valid MIDI file of about lengthMs and returns its path.
QString writeMidi(const QString &path, int lengthMs = 2000);
// Writes a format 1 MIDI file of these tracks (events without End of Track),
// 480 ticks a quarter at 120 bpm; empty on failure.
QString writeTracks(const QString &path, const QVector<QByteArray> &tracks);
// While it lives, no file this process writes grows past bytes: a disk that
// fills up after the file opened.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    qint64 m_old[2];
};
// Controls of the window a user can reach by keyboard that a screen reader would only call "button".
QStringList namelessControls(QWidget *window);
}
