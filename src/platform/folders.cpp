#include "folders.h"

#include <filesystem>
#include <unistd.h>

namespace calm {

std::string program_folder()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "./";
    return exe.parent_path().string() + "/";
}

std::string system_folder_for(const std::string& program_folder)
{
    auto p = (std::filesystem::path(program_folder) / ".." / "lib" / "calmora").lexically_normal();
    auto s = p.string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

std::string folder_of(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace calm
