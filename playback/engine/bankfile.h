#pragma once
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <sys/types.h>

#include <fluidsynth.h>

// A sound bank's file, opened once for as long as the synth uses it. With
// dynamic sample loading FluidSynth reads the file again whenever an
// instrument first plays; reading through this descriptor keeps the bank
// playable when its file is deleted or replaced (a package upgrade). When
// the file was changed in place or reads fail, the bank counts as broken.
class BankFile {
public:
    // Opens the file and makes it the one read for that name by loaders of
    // newLoader(); null with *error set when it cannot be opened.
    static std::unique_ptr<BankFile> open(const QString &path, QString *error);
    ~BankFile();
    BankFile(const BankFile &) = delete;
    BankFile &operator=(const BankFile &) = delete;

    // A SoundFont loader that reads through the open bank files; the synth
    // takes it with fluid_synth_add_sfloader().
    static fluid_sfloader_t *newLoader(fluid_settings_t *settings);

    QString path() const { return m_path; }
    // True once a read failed since the bank loaded; safe on any thread.
    bool broken() const { return m_broken.load(std::memory_order_acquire); }
    // What went wrong, in plain words; empty while the bank is fine.
    QString problem() const;

private:
    struct Handle;
    BankFile(QString path, int fd) : m_path(std::move(path)), m_fd(fd) {}
    void fail(const QString &why);

    static void *openCallback(const char *name);
    static int readCallback(void *buf, fluid_long_long_t count, void *handle);
    static int seekCallback(void *handle, fluid_long_long_t offset, int origin);
    static fluid_long_long_t tellCallback(void *handle);
    static int closeCallback(void *handle);

    const QString m_path;
    const int m_fd;
    off_t m_size = 0;
    struct timespec m_changed = {};
    std::atomic<bool> m_broken{false};
    mutable std::mutex m_problemLock;
    QString m_problem;   // under m_problemLock
};
