#pragma once
// SIGINT and SIGTERM for a program without windows: blocked in every thread
// started after block(), so that the converters' runs are never interrupted,
// and taken by the main thread in wait().

#include <optional>

namespace calm {

class StopSignals
{
  public:
    // Blocks both signals in the calling thread and the threads it starts.
    StopSignals();
    // Restores the mask the thread had.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal number when one came within timeout_ms, else nothing.
    std::optional<int> wait(int timeout_ms);

  private:
    struct Mask;
    Mask* old_mask_ = nullptr;
};

// Whether standard error is a terminal, where progress lines may be rewritten.
bool stderr_is_terminal();

} // namespace calm
