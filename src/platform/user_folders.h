#pragma once
// Where the program keeps what it may lose: the per-user cache folder, as
// Linux programs find it.

#include <string>

namespace calm {

// "<XDG_CACHE_HOME>/calmora/" when that is an absolute path, else
// "<HOME>/.cache/calmora/"; empty when neither is known. The values are
// handed in so a test never needs the real environment.
std::string cache_folder_for(const char* xdg_cache_home, const char* home);

// The same, from this process's environment.
std::string user_cache_folder();

} // namespace calm
