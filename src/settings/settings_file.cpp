#include "settings_file.h"

#include "converter/trim.h"
#include "media/numbers.h"
#include "media/video_extensions.h"
#include "platform/profile.h"
#include "settings/options_dialog.h"
#include "settings/parameter_rules.h"

#include <filesystem>

namespace calm {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view section = "options";

// A choice's texts in the file, in the order of its values.
constexpr std::array<std::string_view, 3> optzoom_texts = {"0", "1", "2"};
constexpr std::array<std::string_view, 2> crop_texts = {"keep", "black"};
constexpr std::array<std::string_view, 2> tripod_texts = {"0", "1"};

// The index of the file's text among a choice's texts (letters compared
// without case, as the keys are), or the default's.
template <std::size_t N>
std::size_t read_choice(const std::string& path, std::string_view key,
                        const std::array<std::string_view, N>& texts, std::size_t fallback)
{
    const std::string value = read_profile_string(path, section, key, texts[fallback]);
    for (std::size_t i = 0; i < N; ++i)
        if (ascii_upper(value) == ascii_upper(std::string(texts[i])))
            return i;
    return fallback;
}

// A whole number in the zoom's range, written the plain way; anything else
// is the default.
std::string read_zoom(const std::string& path)
{
    const std::string value =
        read_profile_string(path, section, zoom_rule.key, zoom_rule.default_text);
    const auto n = whole_number(value);
    if (!n || *n < zoom_rule.low || *n > zoom_rule.high)
        return std::string(zoom_rule.default_text);
    return std::to_string(*n);
}

} // namespace

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
    values.zoom = read_zoom(path);
    const Parameters defaults;
    values.optzoom = static_cast<AutoZoom>(
        read_choice(path, "optzoom", optzoom_texts, static_cast<std::size_t>(defaults.optzoom)));
    values.crop = static_cast<Borders>(
        read_choice(path, "crop", crop_texts, static_cast<std::size_t>(defaults.crop)));
    values.tripod = read_choice(path, "tripod", tripod_texts, defaults.tripod ? 1 : 0) == 1;
    return values;
}

void write_settings(const Parameters& values, const std::string& path)
{
    // A folder that cannot be made shows as the write that fails next.
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    for (const auto& rule : parameter_rules)
        write_profile_string(path, section, rule.key, trimmed(values.*rule.text));
    write_profile_string(path, section, zoom_rule.key, trimmed(values.zoom));
    write_profile_string(path, section, "optzoom",
                         optzoom_texts[static_cast<std::size_t>(values.optzoom)]);
    write_profile_string(path, section, "crop", crop_texts[static_cast<std::size_t>(values.crop)]);
    write_profile_string(path, section, "tripod", tripod_texts[values.tripod ? 1 : 0]);
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
