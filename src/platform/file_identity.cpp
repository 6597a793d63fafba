#include "file_identity.h"

#include <climits>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>

namespace calm {

namespace {

std::optional<struct stat> regular_file_status(const std::string& path)
{
    struct stat st
    {
    };
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return st;
}

} // namespace

std::optional<FileIdentity> file_identity(const std::string& path)
{
    const auto st = regular_file_status(path);
    if (!st)
        return std::nullopt;
    FileIdentity id;
    id.device = static_cast<std::uint64_t>(st->st_dev);
    id.inode = static_cast<std::uint64_t>(st->st_ino);
    id.size = static_cast<std::int64_t>(st->st_size);
    id.mtime_seconds = static_cast<std::int64_t>(st->st_mtim.tv_sec);
    id.mtime_nanoseconds = static_cast<std::int64_t>(st->st_mtim.tv_nsec);
    return id;
}

std::optional<ProgramIdentity> program_identity(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    if (!resolved)
        return std::nullopt;
    ProgramIdentity id;
    id.resolved_path = resolved.get();
    const auto st = regular_file_status(id.resolved_path);
    if (!st)
        return std::nullopt;
    id.mtime_seconds = static_cast<std::int64_t>(st->st_mtim.tv_sec);
    id.mtime_nanoseconds = static_cast<std::int64_t>(st->st_mtim.tv_nsec);
    return id;
}

} // namespace calm
