#pragma once
// SIGTERM and SIGINT turned into a call on the UI thread, so the program can
// end as its Exit does instead of dying where it stands. The signal handler
// only writes a byte into a socket pair; a notifier on the other end makes the
// call from the message loop, or from any loop that handles pending messages.
// Each signal is taken once: after it, the next one has its default effect,
// so a program that does not answer can still be ended. One instance at a time.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace calm {

class TerminationSignals final : public QObject
{
  public:
    // Throws std::runtime_error when the socket pair cannot be made.
    explicit TerminationSignals(std::function<void()> on_signal, QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    void take_signal();

    std::function<void()> on_signal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace calm
