#pragma once
// Who a process is: its id and the moment it started, so that an id the
// system has handed to another process since is not taken for the same one.

#include <string>

namespace calm {

struct ProcessIdentity
{
    long long id = 0;
    unsigned long long started = 0; // in the system's clock ticks since boot
};

ProcessIdentity this_process();

// Whether that very process still runs. When the system cannot tell, it
// counts as running, so nothing of a live process is ever taken for stale.
bool still_runs(const ProcessIdentity& process);

// The start time out of a /proc/<id>/stat line: the 22nd field, counted
// after the command name in parentheses (which may hold blanks and ")").
// Zero when the line does not hold one.
unsigned long long start_time_from_stat(const std::string& stat_line);

} // namespace calm
