#pragma once
// A child process whose stdout and stderr lead into one pipe that the parent
// reads without blocking. The interface holds no POSIX types, so another
// system's implementation can stand beside the POSIX one.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace calm {

// How a child ended: by itself with an exit code, or by a signal.
struct ExitStatus
{
    bool known = false;
    bool signalled = false;
    int value = 0; // exit code, or signal number when signalled

    bool clean() const { return known && !signalled && value == 0; }
    std::string describe() const;
};

class ChildProcess
{
public:
    virtual ~ChildProcess() = default;

    virtual bool create_pipe() = 0;
    // argv[0] names the program; it is run as it stands, never searched for.
    virtual bool start(const std::vector<std::string>& argv, const std::string& working_folder) = 0;
    // Bytes waiting in the pipe, without blocking.
    virtual bool peek(std::uint32_t& waiting) = 0;
    virtual bool read(char* buffer, std::uint32_t max, std::uint32_t& got) = 0;
    // Waits at most timeout_ms for output; answers whether bytes wait.
    virtual bool wait_for_output(int timeout_ms) = 0;
    // Whether the child has ended, without waiting; reaps it when it has.
    virtual bool has_ended() = 0;
    virtual ExitStatus exit_status() const = 0;
    // Kills a child that may still run and reaps it.
    virtual void terminate() = 0;
    // Releases the pipe ends; a child still running is terminated first.
    virtual void close() = 0;
};

using ProcessFactory = std::function<std::unique_ptr<ChildProcess>()>;

std::unique_ptr<ChildProcess> make_child_process();

} // namespace calm
