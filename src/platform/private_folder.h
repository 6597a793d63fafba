#pragma once
// A folder only this user can enter (mode 0700), made under a fresh name
// for one owner (a running copy of the program, one job) and removed with
// everything in it when that owner is done.

#include <string>
#include <vector>

namespace calm {

class PrivateFolder
{
  public:
    PrivateFolder() = default;
    ~PrivateFolder();
    PrivateFolder(PrivateFolder&& other) noexcept;
    PrivateFolder& operator=(PrivateFolder&& other) noexcept;
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // Makes <base><prefix><six random characters>; base ends in its separator.
    // False, with the reason, when no such folder could be made.
    bool create(const std::string& base, const std::string& prefix, std::string& reason);
    bool created() const { return !path_.empty(); }
    // With its trailing separator; empty until created.
    const std::string& path() const { return path_; }
    // Removes the folder and what it holds; a failed removal is ignored.
    void remove();

  private:
    std::string path_;
};

// The folders in base whose names start with prefix and that are this
// user's own private folders: real folders, not links, owned by this user.
// Each with its trailing separator.
std::vector<std::string> own_private_folders(const std::string& base, const std::string& prefix);

// Removes such a folder and what it holds; a failed removal is ignored.
void remove_private_folder(const std::string& path);

} // namespace calm
