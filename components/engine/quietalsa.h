#pragma once
#include <cstdarg>
// This header declares snd_lib_error_set_local outside its C linkage block.
extern "C" {
#include <alsa/error.h>
}

// A machine without a card is normal here: keeps ALSA's complaints about it
// off the terminal while it lives, on this thread only.
class QuietAlsa {
public:
    QuietAlsa() : m_old(snd_lib_error_set_local(&quiet)) {}
    ~QuietAlsa() { snd_lib_error_set_local(m_old); }
    QuietAlsa(const QuietAlsa &) = delete;
    QuietAlsa &operator=(const QuietAlsa &) = delete;

private:
    static void quiet(const char *, int, const char *, int, const char *, va_list) {}
    snd_local_error_handler_t m_old;
};
