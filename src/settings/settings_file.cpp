#include "settings_file.h"

#include "converter/trim.h"
#include "platform/profile.h"
#include "settings/options_dialog.h"
#include "settings/parameter_rules.h"

#include <filesystem>

namespace calm {

namespace fs = std::filesystem;

namespace {
constexpr std::string_view section = "options";
}

std::string settings_path(const std::string& folder)
{
    return folder + "calmview.ini";
}

std::string settings_to_read(const std::string& config_folder, const std::string& program_folder)
{
    const std::string own = settings_path(config_folder);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(own, ec)))
        return own;
    const std::string earlier = settings_path(program_folder);
    return fs::is_regular_file(earlier, ec) ? earlier : own;
}

Parameters read_settings(const std::string& path)
{
    Parameters values;
    for (const auto& rule : parameter_rules)
        values.*rule.text = read_profile_string(path, section, rule.key, rule.default_text);
    return values;
}

void write_settings(const Parameters& values, const std::string& path)
{
    // A folder that cannot be made shows as the write that fails next.
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    for (const auto& rule : parameter_rules)
        write_profile_string(path, section, rule.key, trimmed(values.*rule.text));
}

void load_settings(OptionsDialog& options, const std::string& path)
{
    options.set_parameters(read_settings(path));
}

void save_settings(const OptionsDialog& options, const std::string& path)
{
    write_settings(options.parameters(), path);
}

} // namespace calm
