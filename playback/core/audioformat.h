#pragma once
#include <QString>
#include <QStringList>
#include <optional>

// The audio file formats a song is exported to.
enum class AudioFormat { Wav, Flac, Ogg };

// "wav", "flac", "ogg" (any case; "oga" too); nothing for other names.
std::optional<AudioFormat> audioFormatNamed(const QString &name);
// The format a file name's extension stands for.
std::optional<AudioFormat> audioFormatOfFile(const QString &path);
QString audioFormatExtension(AudioFormat format);

// Where each song of one export goes, or why it cannot go anywhere.
struct ExportPlan {
    QStringList outputs;    // one per input, in order
    QStringList problems;   // one per input: empty when the output is fine
    QString usageError;     // the whole run cannot start
    AudioFormat format = AudioFormat::Wav;
    QString folder;   // to be made when missing; empty for none
};

// Plans an export: with one input, "output" is the file to write (unless it
// is an existing folder or ends in "/"); with several it is the folder they go into. With
// no output, the songs go into "current". The format is the one asked for,
// else the output file's extension, else WAV; asked for, it must not contradict
// the extension of a named file. Two songs that would be
// written to the same file: the later one is refused, not written over the first.
ExportPlan planExport(const QStringList &inputs, const QString &output, std::optional<AudioFormat> format,
                      const QString &current);
// The output of one song in a folder: the song's name with the format's extension.
QString exportNameIn(const QString &folder, const QString &input, AudioFormat format);
