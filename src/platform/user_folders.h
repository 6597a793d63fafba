#pragma once
// Where the program keeps its files for the user who runs it, as Linux
// programs do: settings under $XDG_CONFIG_HOME, a cache under
// $XDG_CACHE_HOME, and short-lived private folders under $XDG_RUNTIME_DIR
// (or the temporary folder). Nothing is kept beside the program.

#include <functional>
#include <string>

namespace calm {

struct UserFolders
{
    std::string config;  // <config home>/calmora/, with its trailing separator
    std::string cache;   // <cache home>/calmora/, with its trailing separator
    std::string runtime; // where private folders are made, with its trailing separator
};

// The value of an environment variable, or nullptr when it is unset.
using VariableLookup = std::function<const char*(const char*)>;

// The folders by the XDG rules: a variable that is unset, empty or not an
// absolute path counts as unset; the config and cache homes then fall back
// to ~/.config and ~/.cache, the runtime folder to $TMPDIR, then /tmp.
// home is used when HOME is unusable too.
UserFolders user_folders_from(const VariableLookup& variable, const std::string& home);

// The folders of this process's environment. A runtime folder that is not
// an existing folder gives way to the temporary folder.
UserFolders user_folders();

} // namespace calm
