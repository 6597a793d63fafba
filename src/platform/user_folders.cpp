#include "user_folders.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace calm {

namespace {

constexpr const char* own_folder = "calmora/";

std::string with_separator(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// The XDG rule: only an absolute path counts.
const char* usable(const char* value)
{
    return value && value[0] == '/' ? value : nullptr;
}

std::string temporary_folder(const VariableLookup& variable)
{
    const char* tmp = usable(variable("TMPDIR"));
    return with_separator(tmp ? tmp : "/tmp");
}

std::string home_of_this_user()
{
    if (const passwd* pw = ::getpwuid(::getuid()); pw && usable(pw->pw_dir))
        return pw->pw_dir;
    return "/";
}

} // namespace

UserFolders user_folders_from(const VariableLookup& variable, const std::string& home)
{
    const char* home_variable = usable(variable("HOME"));
    const std::string home_folder = with_separator(home_variable ? home_variable : home);
    const auto base = [&](const char* name, const char* fallback) {
        const char* value = usable(variable(name));
        return with_separator(value ? std::string(value) : home_folder + fallback);
    };
    UserFolders folders;
    folders.config = base("XDG_CONFIG_HOME", ".config") + own_folder;
    folders.cache = base("XDG_CACHE_HOME", ".cache") + own_folder;
    const char* runtime = usable(variable("XDG_RUNTIME_DIR"));
    folders.runtime = runtime ? with_separator(runtime) : temporary_folder(variable);
    return folders;
}

UserFolders user_folders()
{
    const VariableLookup variable = [](const char* name) { return std::getenv(name); };
    UserFolders folders = user_folders_from(variable, home_of_this_user());
    std::error_code ec;
    if (!std::filesystem::is_directory(folders.runtime, ec))
        folders.runtime = temporary_folder(variable);
    return folders;
}

} // namespace calm
