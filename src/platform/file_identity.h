#pragma once
// What tells one file apart from another and from its own earlier self:
// the device and inode it lives on, its size and its modification time to
// the nanosecond. A file rewritten in place, replaced by a rename or merely
// touched gets another identity.

#include <cstdint>
#include <optional>
#include <string>

namespace calm {

struct FileIdentity
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtime_seconds = 0;
    std::int64_t mtime_nanoseconds = 0;

    bool operator==(const FileIdentity&) const = default;
};

// Follows symbolic links. Nothing when the path cannot be looked at or names
// no regular file: a pipe or a device has no content that stays the same.
std::optional<FileIdentity> file_identity(const std::string& path);

// A program as the converter is started: the file a link finally points to
// and that file's modification time, so an upgrade through the package
// manager (a new file, a new time) counts as another program.
struct ProgramIdentity
{
    std::string resolved_path;
    std::int64_t mtime_seconds = 0;
    std::int64_t mtime_nanoseconds = 0;

    bool operator==(const ProgramIdentity&) const = default;
};

// Nothing when the path does not resolve to a regular file.
std::optional<ProgramIdentity> program_identity(const std::string& path);

} // namespace calm
