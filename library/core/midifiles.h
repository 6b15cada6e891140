#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// What counts as a MIDI file or a library: by name where a folder is listed,
// by content where a file is named on purpose.
namespace MidiFiles {
// "*.mid", "*.midi", "*.kar", "*.rmi", "*.smf": matched in any letter case.
QStringList namePatterns();
// The patterns as the file list takes them, ";" between.
QString browserPattern();
bool hasMidiName(const QString &fileName);
// A library file is known by its name: ".mfl" in any letter case.
bool hasLibraryName(const QString &fileName);
// The first bytes of a Standard MIDI File ("MThd") or of a RIFF-MIDI file.
bool looksLikeMidi(const QByteArray &head);
// Reads the first bytes of a regular file; false for anything else.
bool isMidiFile(const QString &path);
// The MIDI files (by name) in a folder and all folders below it, hidden ones
// left out, sorted by path. Folder links are not followed, so a loop cannot trap it.
QStringList midiFilesUnder(const QString &folder);
}
