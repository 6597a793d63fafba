#pragma once
// Choosing the output of a job: the save dialog's list of types built from
// the source's name, the question before replacing a file, the test that
// keeps the source from being chosen as its own output, and the temporary
// file the converter writes into so the chosen name only ever holds a
// finished video.

#include <string>
#include <string_view>

namespace calm {

struct SaveDialogState;

// The source's own type first ("*.MP4|*.mp4|" for .Mp4), then every listed
// type but that one. The default extension keeps the source's letter case.
struct SaveTypes
{
    std::string filter;
    std::string default_ext;
};

SaveTypes save_types(std::string_view source);

// Clears the name, sets the types and selects the first one.
void prepare_save_dialog(SaveDialogState& dialog, std::string_view source);

std::string replace_question(std::string_view target);

// Equal texts, or two names of one file (same device and inode): a link,
// a relative form. Names of files that do not exist only match as texts.
bool same_file(const std::string& a, const std::string& b);

// A file, not a folder, stands at the path.
bool file_exists(const std::string& path);

// Whether anything stands at the path, a dangling link included.
bool path_exists(const std::string& path);

// Whether a file name (without its folder) is one that TemporaryOutput
// makes: ".calm-", eight hexadecimal digits, then the target's extension.
bool is_temporary_output_name(std::string_view file_name);

// A new, empty file beside the target that keeps the target's extension
// (so the converter picks the same format) under a name no other file has.
// It is removed again unless commit() renamed it over the target.
class TemporaryOutput
{
  public:
    explicit TemporaryOutput(std::string target);
    ~TemporaryOutput();
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    // False, with the reason, when no such file could be made.
    bool create(std::string& reason);
    const std::string& path() const { return path_; }
    // Replaces the target in one rename; false, with the reason, when it failed.
    bool commit(std::string& reason);
    void discard();

  private:
    std::string target_;
    std::string path_;
};

} // namespace calm
