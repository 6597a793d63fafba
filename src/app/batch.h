#pragma once
// `calmora --fix`: stabilizes every source without a window, on a machine
// without a display too. With two jobs the analysis of the next clip runs
// while the current one is transformed: at most one analysis and one
// transform at a time. SIGINT and SIGTERM cancel like the Cancel button.

#include "batch_arguments.h"
#include "platform/environment.h"

#include <functional>
#include <string>

namespace calm {

struct BatchSetting
{
    Parameters parameters;                         // from the settings file, before the arguments
    std::string cache_folder;                      // the analysis cache; empty: none
    bool terminal = false;                         // stderr is a terminal
    std::function<void(const std::string&)> write; // stderr
};

// The exit status: 0 when every source succeeded, 1 when any failed or was
// skipped, 128 + the signal when stopped.
int run_batch(const BatchArguments& arguments, const Environment& env, const BatchSetting& setting);

} // namespace calm
