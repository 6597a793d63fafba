#include "private_folder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace calm {

namespace fs = std::filesystem;

PrivateFolder::~PrivateFolder()
{
    remove();
}

PrivateFolder::PrivateFolder(PrivateFolder&& other) noexcept : path_(std::move(other.path_))
{
    other.path_.clear();
}

PrivateFolder& PrivateFolder::operator=(PrivateFolder&& other) noexcept
{
    if (this != &other) {
        remove();
        path_ = std::move(other.path_);
        other.path_.clear();
    }
    return *this;
}

bool PrivateFolder::create(const std::string& base, const std::string& prefix, std::string& reason)
{
    remove();
    if (base.empty()) {
        reason = "No folder for private files";
        return false;
    }
    // mkdtemp makes the folder with mode 0700 under a name nobody else holds.
    std::string name = base + prefix + "XXXXXX";
    if (!::mkdtemp(name.data())) {
        reason = "Cannot make a private folder in " + base + ": " + std::strerror(errno);
        return false;
    }
    path_ = name + "/";
    return true;
}

void PrivateFolder::remove()
{
    if (path_.empty())
        return;
    remove_private_folder(path_);
    path_.clear();
}

std::vector<std::string> own_private_folders(const std::string& base, const std::string& prefix)
{
    std::vector<std::string> folders;
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        // lstat: a link named like one of ours leads somewhere else and is left alone.
        struct stat st
        {
        };
        const std::string path = it->path().string();
        if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
            continue;
        folders.push_back(path + "/");
    }
    return folders;
}

void remove_private_folder(const std::string& path)
{
    // Without its trailing separator, so a link in its place is removed, not followed.
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    std::error_code ec;
    fs::remove_all(folder, ec);
}

} // namespace calm
