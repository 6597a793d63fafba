#include "user_folders.h"

#include <cstdlib>

namespace calm {

namespace {

std::string without_trailing_separators(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder == "/" ? std::string() : folder;
}

} // namespace

std::string cache_folder_for(const char* xdg_cache_home, const char* home)
{
    // A relative XDG path is invalid by its own rules and is ignored.
    if (xdg_cache_home && xdg_cache_home[0] == '/')
        return without_trailing_separators(xdg_cache_home) + "/calmora/";
    if (home && home[0] == '/')
        return without_trailing_separators(home) + "/.cache/calmora/";
    return {};
}

std::string user_cache_folder()
{
    return cache_folder_for(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
}

} // namespace calm
