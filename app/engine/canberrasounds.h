#pragma once
#include "app/core/windowsounds.h"
#include <QThreadPool>
#include <atomic>
#include <cstdint>

struct ca_context;

// Window sounds from the desktop's sound theme. The context opens once, on
// the first sound, in a worker thread: a slow or absent sound server never
// holds up the window. Without a context nothing plays, silently.
class CanberraSounds : public WindowSounds {
public:
    CanberraSounds();
    ~CanberraSounds() override;
    CanberraSounds(const CanberraSounds &) = delete;
    CanberraSounds &operator=(const CanberraSounds &) = delete;

    void play(WindowSound sound, SoundFlags flags) override;
    // True when the context opened (after a sound was asked for).
    bool available() const { return m_state == Open; }
    // Blocks until requests already made have been handed on.
    void waitForIdle() { m_pool.waitForDone(); }

    static QString eventId(WindowSound sound);

private:
    enum State { Untried, Open, Failed };
    void playNow(const QByteArray &eventId, bool noStop);
    static void finished(ca_context *, uint32_t id, int error, void *self);

    QThreadPool m_pool;
    ca_context *m_context = nullptr;
    std::atomic<int> m_state{Untried};
    std::atomic<int> m_playing{0};   // our sounds not yet finished
};
