#pragma once
#include "playback/core/audioformat.h"
#include <QString>
#include <memory>

struct sf_private_tag;

// Writes 16-bit stereo audio (Ogg Vorbis: quality 0.6) to a temporary file
// in the target's folder and gives it the target's name once complete, so the
// target is never seen half written. Dropped without commit(), it leaves
// nothing. The temporary file has no name where the file system allows it,
// so even a killed program leaves nothing; elsewhere its name carries the
// process id, and a later writer in that folder removes those of dead owners.
class AudioFileWriter {
public:
    enum class Temporary { Unnamed, Named };

    // Null, with the reason in *error, when the file cannot be made. Named
    // skips the attempt at an unnamed file.
    static std::unique_ptr<AudioFileWriter> create(const QString &target, AudioFormat format, int sampleRate,
                                                   QString *error, Temporary temporary = Temporary::Unnamed);
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter &) = delete;
    AudioFileWriter &operator=(const AudioFileWriter &) = delete;

    // Interleaved left/right frames.
    bool write(const float *frames, long long count, QString *error);
    // Finishes the file and gives it the target's name; without overwrite an
    // existing target is kept and the song fails.
    bool commit(bool overwrite, QString *error);
    // The temporary file's name; empty while it has none.
    QString temporaryPath() const;

    // Removes the named temporary files of the writers not yet done, for a
    // program that ends without waiting for them. Any thread.
    static void removeUnfinished();
    // The temporary files in the folder left by processes that are gone.
    static void removeStale(const QString &folder);

private:
    AudioFileWriter(QString target, int fd) : m_target(std::move(target)), m_fd(fd) {}
    void setTemporary(const QString &path);
    bool finishFile(QString *error);
    bool linkTemporary();
    QString failure(const QString &what) const;

    QString m_target;
    QString m_temp;   // changed by its owner, under the registry lock
    int m_fd;
    sf_private_tag *m_file = nullptr;
    bool m_committed = false;
};
