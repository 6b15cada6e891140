#pragma once
#include "playback/core/audioformat.h"
#include <QString>
#include <memory>

struct sf_private_tag;

// Writes 16-bit stereo audio (Ogg Vorbis: quality 0.6) to a temporary file
// beside the target and renames it into place once complete, so the target
// is never seen half written. Dropped without commit(), it leaves nothing.
class AudioFileWriter {
public:
    // Null, with the reason in *error, when the file cannot be made.
    static std::unique_ptr<AudioFileWriter> create(const QString &target, AudioFormat format, int sampleRate,
                                                   QString *error);
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter &) = delete;
    AudioFileWriter &operator=(const AudioFileWriter &) = delete;

    // Interleaved left/right frames.
    bool write(const float *frames, long long count, QString *error);
    // Finishes the file and gives it the target's name; without overwrite an
    // existing target is kept and the song fails.
    bool commit(bool overwrite, QString *error);
    QString temporaryPath() const { return m_temp; }

private:
    AudioFileWriter(QString target, QString temp, int fd)
        : m_target(std::move(target)), m_temp(std::move(temp)), m_fd(fd)
    {
    }
    bool closeFile(QString *error);
    QString failure(const QString &what) const;

    QString m_target;
    QString m_temp;
    int m_fd;
    sf_private_tag *m_file = nullptr;
    bool m_committed = false;
};
