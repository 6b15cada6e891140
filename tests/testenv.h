#pragma once
#include <QString>
#include <QVector>

// Points HOME, the XDG folders and the settings at a fresh temporary folder,
// so no test touches the real home. Call first in initTestCase().
namespace TestEnv {
void setUp();
QString root();          // the temporary home
QString documents();     // root()/Documents
QString samplesDir();    // generated sample songs (from the build)
QString soundFont();     // small GM bank for engine tests
// Interleaved 16-bit stereo samples of a WAV file the renderer writes.
QVector<qint16> readWav(const QString &path);
// Writes a small valid MIDI file of about lengthMs and returns its path.
QString writeMidi(const QString &path, int lengthMs = 2000);
}
