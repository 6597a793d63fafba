#include "target.h"

#include "media/video_extensions.h"
#include "platform/dialogs.h"
#include "platform/folders.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

namespace calm {

namespace fs = std::filesystem;

SaveTypes save_types(std::string_view source)
{
    const std::string own = extension_of(source);
    SaveTypes types;
    types.filter = "*" + ascii_upper(own) + "|*" + ascii_lower(own) + "|";
    types.default_ext = own.empty() ? std::string() : own.substr(1);
    const std::string own_upper = ascii_upper(types.default_ext);
    for (const auto& ext : listed_extensions())
        if (ascii_upper(ext) != own_upper)
            types.filter += "*." + ascii_upper(ext) + "|*." + ascii_lower(ext) + "|";
    return types;
}

void prepare_save_dialog(SaveDialogState& dialog, std::string_view source)
{
    auto types = save_types(source);
    dialog.file_name.clear();
    dialog.filter = std::move(types.filter);
    dialog.default_ext = std::move(types.default_ext);
    dialog.filter_index = 0;
}

std::string replace_question(std::string_view target)
{
    return std::string(target) + " already exists.\rDo you want to replace it?";
}

bool same_file(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    std::error_code ec;
    const bool same = fs::equivalent(a, b, ec);
    return !ec && same;
}

bool file_exists(const std::string& path)
{
    std::error_code ec;
    const auto status = fs::status(path, ec);
    return fs::exists(status) && !fs::is_directory(status);
}

bool path_exists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

namespace {
constexpr std::string_view temporary_tag = ".calm-";
constexpr std::size_t temporary_digits = 8;
} // namespace

bool is_temporary_output_name(std::string_view file_name)
{
    if (file_name.substr(0, temporary_tag.size()) != temporary_tag)
        return false;
    const auto digits = file_name.substr(temporary_tag.size(), temporary_digits);
    if (digits.size() != temporary_digits ||
        digits.find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return false;
    // The target's extension: nothing, or one dot and what follows it.
    const auto ext = file_name.substr(temporary_tag.size() + temporary_digits);
    return ext.empty() || (ext[0] == '.' && ext.find_first_of("./", 1) == std::string_view::npos);
}

TemporaryOutput::TemporaryOutput(std::string target) : target_(std::move(target)) {}

TemporaryOutput::~TemporaryOutput()
{
    discard();
}

bool TemporaryOutput::create(std::string& reason)
{
    discard();
    const std::string folder = folder_of(target_);
    const std::string ext = extension_of(target_);
    static std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char tag[32];
        std::snprintf(tag, sizeof tag, "%s%08llx", temporary_tag.data(),
                      static_cast<unsigned long long>(random() & 0xffffffffu));
        const std::string candidate = folder + tag + ext;
        // "x": made here and now, never an existing file taken over.
        if (std::FILE* f = std::fopen(candidate.c_str(), "wbx")) {
            std::fclose(f);
            path_ = candidate;
            return true;
        }
        if (errno != EEXIST) {
            reason = (folder.empty() ? std::string(".") : folder) + ": " + std::strerror(errno);
            return false;
        }
    }
    reason = folder + ": no free name for a temporary file";
    return false;
}

bool TemporaryOutput::commit(std::string& reason)
{
    std::error_code ec;
    fs::rename(path_, target_, ec);
    if (ec) {
        reason = target_ + ": " + ec.message();
        return false;
    }
    path_.clear();
    return true;
}

void TemporaryOutput::discard()
{
    if (path_.empty())
        return;
    std::error_code ec;
    fs::remove(path_, ec);
    path_.clear();
}

} // namespace calm
