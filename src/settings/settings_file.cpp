#include "settings_file.h"

#include "converter/trim.h"
#include "platform/profile.h"
#include "settings/options_dialog.h"
#include "settings/parameter_rules.h"

namespace calm {

namespace {
constexpr std::string_view section = "options";
}

std::string settings_path(const std::string& program_folder)
{
    return program_folder + "calmview.ini";
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
