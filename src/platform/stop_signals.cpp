#include "stop_signals.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <pthread.h>
#include <unistd.h>

namespace calm {

struct StopSignals::Mask
{
    sigset_t set;
};

namespace {
sigset_t stop_set()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}
} // namespace

StopSignals::StopSignals() : old_mask_(new Mask)
{
    const sigset_t set = stop_set();
    pthread_sigmask(SIG_BLOCK, &set, &old_mask_->set);
}

StopSignals::~StopSignals()
{
    pthread_sigmask(SIG_SETMASK, &old_mask_->set, nullptr);
    delete old_mask_;
}

std::optional<int> StopSignals::wait(int timeout_ms)
{
    const sigset_t set = stop_set();
    timespec timeout{timeout_ms / 1000, (timeout_ms % 1000) * 1000000L};
    for (;;) {
        const int signal = sigtimedwait(&set, nullptr, &timeout);
        if (signal > 0)
            return signal;
        if (errno != EINTR)
            return std::nullopt;
    }
}

bool stderr_is_terminal()
{
    return isatty(STDERR_FILENO) == 1;
}

} // namespace calm
