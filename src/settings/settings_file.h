#pragma once
// The settings file calmview.ini beside the program: section "options" with
// the five parameter keys, then zoom, optzoom, crop and tripod. Loaded into
// the options window when the main window is first shown, saved from it
// when the main window closes. Earlier versions read the five and leave
// the other keys alone.

#include "settings/parameters.h"

#include <string>

namespace calm {

class OptionsDialog;

// program_folder ends in its separator.
std::string settings_path(const std::string& program_folder);

// Each key's value, or its default when the file, the section or the key is
// missing. The five are taken as they stand; zoom, optzoom, crop and tripod
// read as their default when the value is outside their set.
Parameters read_settings(const std::string& path);

// Writes the nine keys in order, each value trimmed. Stops at the first key
// that cannot be written with std::runtime_error "Unable to write to <path>".
void write_settings(const Parameters& values, const std::string& path);

// The file's values go into the edits as they are: unfiltered, not cut.
void load_settings(OptionsDialog& options, const std::string& path);

void save_settings(const OptionsDialog& options, const std::string& path);

} // namespace calm
