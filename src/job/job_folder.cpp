#include "job_folder.h"

#include "target.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace calm {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view own_prefix = "calmora-";

// "<key> <number>\n" at the front of text; consumes it.
template <typename Number>
bool take_number(std::string_view& text, std::string_view key, Number& value)
{
    if (text.substr(0, key.size()) != key || text.substr(key.size(), 1) != " ")
        return false;
    text.remove_prefix(key.size() + 1);
    const auto end = text.find('\n');
    if (end == std::string_view::npos)
        return false;
    const auto digits = text.substr(0, end);
    const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || ptr != digits.data() + digits.size() || digits.empty())
        return false;
    text.remove_prefix(end + 1);
    return true;
}

// Written beside it and renamed over it, so a reader never sees half a record.
bool write_record(const std::string& folder, const OwnerRecord& record, std::string& reason)
{
    const std::string path = folder + std::string(owner_record_name);
    const std::string fresh = path + ".new";
    {
        std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
        out << format_owner_record(record);
        out.flush();
        if (!out) {
            reason = "Cannot write " + fresh + ": " + std::strerror(errno);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(fresh, path, ec);
    if (ec) {
        reason = "Cannot write " + path + ": " + ec.message();
        return false;
    }
    return true;
}

std::optional<OwnerRecord> read_record(const std::string& folder)
{
    std::ifstream in(folder + std::string(owner_record_name), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return parse_owner_record(text.str());
}

void remove_temporary_output(const std::string& output)
{
    const fs::path path(output);
    if (!path.is_absolute() || !is_temporary_output_name(path.filename().string()))
        return;
    std::error_code ec;
    // A link or a folder in its place is not what the job made.
    if (fs::symlink_status(path, ec).type() == fs::file_type::regular)
        fs::remove(path, ec);
}

} // namespace

std::string format_owner_record(const OwnerRecord& record)
{
    std::string text = "pid " + std::to_string(record.owner.id) + "\nstarted " +
                       std::to_string(record.owner.started) + "\n";
    if (!record.output.empty())
        text += "output " + record.output + "\n";
    return text;
}

std::optional<OwnerRecord> parse_owner_record(std::string_view text)
{
    OwnerRecord record;
    if (!take_number(text, "pid", record.owner.id) || record.owner.id <= 0 ||
        !take_number(text, "started", record.owner.started))
        return std::nullopt;
    if (text.empty())
        return record;
    constexpr std::string_view key = "output ";
    if (text.substr(0, key.size()) != key || text.back() != '\n' || text.size() == key.size() + 1)
        return std::nullopt;
    record.output = std::string(text.substr(key.size(), text.size() - key.size() - 1));
    return record;
}

bool create_owned_folder(PrivateFolder& folder, const std::string& runtime_folder,
                         std::string_view prefix, std::string& reason)
{
    if (!folder.create(runtime_folder, std::string(prefix), reason))
        return false;
    if (write_record(folder.path(), OwnerRecord{this_process(), {}}, reason))
        return true;
    folder.remove();
    return false;
}

bool JobFolder::create(const std::string& runtime_folder, std::string& reason)
{
    return create_owned_folder(folder_, runtime_folder, job_folder_prefix, reason);
}

bool JobFolder::record_output(const std::string& temporary_output, std::string& reason)
{
    // The path as the clean-up will meet it, whatever the current folder is then.
    std::error_code ec;
    const std::string output = fs::absolute(temporary_output, ec).lexically_normal().string();
    return write_record(path(), OwnerRecord{this_process(), ec ? temporary_output : output},
                        reason);
}

void remove_abandoned_folders(const std::string& runtime_folder)
{
    if (runtime_folder.empty())
        return;
    for (const auto& folder : own_private_folders(runtime_folder, std::string(own_prefix))) {
        const auto record = read_record(folder);
        if (!record || still_runs(record->owner))
            continue;
        if (!record->output.empty())
            remove_temporary_output(record->output);
        remove_private_folder(folder);
    }
}

} // namespace calm
