#pragma once
// A temporary program folder with the scripted fake converter installed as
// its converter, the log of what the converter was given, and an Environment
// pointing there.

#include "platform/environment.h"
#include "recording_dialogs.h"

#include <filesystem>
#include <string>
#include <vector>

namespace calm::test {

struct LoggedRun
{
    std::string cwd;
    std::vector<std::string> argv;
};

class FakeConverter
{
  public:
    // with_converter false leaves calm/client.exe missing.
    explicit FakeConverter(bool with_converter = true);
    ~FakeConverter();
    FakeConverter(const FakeConverter&) = delete;
    FakeConverter& operator=(const FakeConverter&) = delete;

    void script(const std::string& text) const;
    std::vector<LoggedRun> runs() const;
    void clear_log() const;

    std::filesystem::path root() const { return root_; }
    std::string program_folder() const; // with trailing separator
    std::string converter() const;      // path of client.exe
    std::string settings_file() const;  // the user's calmview.ini
    // The private folders made in the runtime folder, sorted.
    std::vector<std::string> runtime_entries() const;

    RecordingDialogs dialogs;
    Environment env;

  private:
    std::filesystem::path root_;
};

// Children of this process that still exist, zombies included.
std::vector<int> child_processes();

// Handles pending Qt events while pred() is false, up to timeout_ms.
bool wait_until(const std::function<bool()>& pred, int timeout_ms = 5000);

std::string read_file(const std::filesystem::path& p);
// The names of the files in a folder, sorted.
std::vector<std::string> file_names_in(const std::filesystem::path& folder);
void write_file(const std::filesystem::path& p, const std::string& bytes);

} // namespace calm::test
