#pragma once
// What the windows are handed instead of reaching for the real system:
// folders, dialogs, the message pump and the way to start a child.
// main() builds the real one; tests point it at a temporary folder and fakes.

#include "process.h"

#include <functional>
#include <string>

namespace calm {

class Dialogs;

// How long a probe or a preview may take before its converter is ended.
inline constexpr int default_answer_limit_ms = 20000;

struct Environment
{
    std::string program_folder; // with its trailing separator
    std::string system_folder;  // the converter is <this>/calm/client.exe
    // The user's own folders (user_folders.h), each with its trailing separator:
    std::string config_folder;  // the settings file
    std::string cache_folder;   // what is worth keeping between runs but can be made again
    std::string runtime_folder; // private folders of a running copy and of each job
    Dialogs* dialogs = nullptr;
    std::function<void()> pump;  // handles pending messages, then returns
    ProcessFactory make_process; // empty: a real child process
    int idle_wait_ms = 25;       // an idle turn waits this long for output; output wakes it at once
    int answer_limit_ms = default_answer_limit_ms;        // for the uses that have a time limit
    std::function<void(const std::string&)> open_address; // empty: the desktop's handler
};

} // namespace calm
