#pragma once
// The private folders a running copy keeps in the runtime folder, and the
// clean-up at start-up of those whose owner died.
//
// Each is named <prefix><six random characters> and holds a record file
// "owner" saying which process it belongs to and, for a job, the temporary
// output that job writes beside its target:
//
//   pid 4242
//   started 81234567
//   output /home/ann/videos/.calm-0badf00d.mp4
//
// The output line comes last and runs to the end of the file, so a path
// with a line break in it survives.

#include "platform/private_folder.h"
#include "platform/running_process.h"

#include <optional>
#include <string>
#include <string_view>

namespace calm {

inline constexpr std::string_view job_folder_prefix = "calmora-job-";
inline constexpr std::string_view preview_folder_prefix = "calmora-view-";
inline constexpr std::string_view owner_record_name = "owner";

struct OwnerRecord
{
    ProcessIdentity owner;
    std::string output; // empty: no temporary output (yet)
};

std::string format_owner_record(const OwnerRecord& record);

// nullopt for a text that is not such a record (a half-written one included).
std::optional<OwnerRecord> parse_owner_record(std::string_view text);

// Makes a private folder in runtime_folder with this process's record in it.
bool create_owned_folder(PrivateFolder& folder, const std::string& runtime_folder,
                         std::string_view prefix, std::string& reason);

// The folder a job's passes run in: calm.trf is written and read there,
// never in the target's folder. Removed with what it holds when destroyed.
class JobFolder
{
  public:
    bool create(const std::string& runtime_folder, std::string& reason);
    const std::string& path() const { return folder_.path(); }
    // Notes the job's temporary output, so that a start after this program
    // died removes it.
    bool record_output(const std::string& temporary_output, std::string& reason);

  private:
    PrivateFolder folder_;
};

// Removes the folders of this program in runtime_folder whose owner no
// longer runs, and the temporary outputs they name: only a regular file at
// that very path whose name is a temporary output's. Folders without a
// readable record are left alone; a copy may be making one right now.
void remove_abandoned_folders(const std::string& runtime_folder);

} // namespace calm
