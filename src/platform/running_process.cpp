#include "running_process.h"

#include <cerrno>
#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/types.h>
#include <unistd.h>

namespace calm {

namespace {

// Empty when the process is gone or /proc cannot be read.
std::string stat_line_of(long long id)
{
    std::ifstream in("/proc/" + std::to_string(id) + "/stat");
    std::string line;
    std::getline(in, line);
    return line;
}

// A process that has ended but is not reaped yet is gone all the same.
bool is_zombie(const std::string& stat_line)
{
    const auto close = stat_line.rfind(')');
    return close != std::string::npos && stat_line.compare(close, 3, ") Z") == 0;
}

} // namespace

unsigned long long start_time_from_stat(const std::string& stat_line)
{
    // "1234 (a (b) c) S 1 1234 ...": state is field 3; the start time is field 22.
    const auto close = stat_line.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(stat_line.substr(close + 1));
    std::string field;
    for (int n = 3; n < 22; ++n)
        if (!(fields >> field))
            return 0;
    unsigned long long started = 0;
    if (!(fields >> started))
        return 0;
    return started;
}

ProcessIdentity this_process()
{
    const long long id = ::getpid();
    return {id, start_time_from_stat(stat_line_of(id))};
}

bool still_runs(const ProcessIdentity& process)
{
    if (process.id <= 0)
        return false;
    if (::kill(static_cast<pid_t>(process.id), 0) != 0 && errno == ESRCH)
        return false;
    const std::string line = stat_line_of(process.id);
    if (is_zombie(line))
        return false;
    const unsigned long long started = start_time_from_stat(line);
    // Unreadable: it exists, and nothing says it is another one.
    if (started == 0 || process.started == 0)
        return true;
    return started == process.started;
}

} // namespace calm
