#include "termination_signals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace calm {

namespace {

constexpr int taken_signals[] = {SIGTERM, SIGINT};

// [0] is written by the handler, [1] read on the UI thread.
int signal_pipe[2] = {-1, -1};

extern "C" void write_signal_byte(int signal_number)
{
    const int saved = errno;
    const char byte = static_cast<char>(signal_number);
    [[maybe_unused]] const auto written = ::write(signal_pipe[0], &byte, 1);
    errno = saved;
}

void set_handler(int signal_number, void (*handler)(int), int flags)
{
    struct sigaction action = {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal_number, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> on_signal, QObject* parent)
    : QObject(parent), on_signal_(std::move(on_signal))
{
    if (signal_pipe[0] >= 0)
        throw std::logic_error("Termination signals are taken already");
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, signal_pipe) != 0) {
        signal_pipe[0] = signal_pipe[1] = -1;
        throw std::runtime_error("Unable to make the signal socket pair");
    }
    notifier_ = new QSocketNotifier(signal_pipe[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::take_signal);
    // SA_RESETHAND: the handler is used up by the first signal.
    for (int s : taken_signals)
        set_handler(s, write_signal_byte, SA_RESTART | SA_RESETHAND);
}

TerminationSignals::~TerminationSignals()
{
    for (int s : taken_signals)
        set_handler(s, SIG_DFL, 0);
    delete notifier_;
    ::close(signal_pipe[0]);
    ::close(signal_pipe[1]);
    signal_pipe[0] = signal_pipe[1] = -1;
}

void TerminationSignals::take_signal()
{
    char bytes[16];
    while (::read(signal_pipe[1], bytes, sizeof bytes) > 0) {
    }
    // One call for however many signals came together.
    if (on_signal_)
        on_signal_();
}

} // namespace calm
