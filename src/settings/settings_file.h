#pragma once
// The settings file calmview.ini in the user's settings folder: section
// "options" with the five parameter keys, then zoom, optzoom, crop and
// tripod. Loaded into the options window when the main window is first
// shown, saved from it when the main window closes. A file left beside the
// program by an earlier version is read until the user's own exists; it is
// never written. Earlier versions read the five and leave the other keys alone.

#include "settings/parameters.h"

#include <string>

namespace calm {

class OptionsDialog;

// folder ends in its separator.
std::string settings_path(const std::string& folder);

// The file to read: the user's own, or while that does not exist yet and
// one stands beside the program, that one.
std::string settings_to_read(const std::string& config_folder, const std::string& program_folder);

// Each key's value, or its default when the file, the section or the key is
// missing. The five are taken as they stand; zoom, optzoom, crop and tripod
// read as their default when the value is outside their set.
Parameters read_settings(const std::string& path);

// Writes the nine keys in order, each value trimmed, making the file's
// folder when it is missing. Stops at the first key
// that cannot be written with std::runtime_error "Unable to write to <path>".
void write_settings(const Parameters& values, const std::string& path);

// The file's values go into the edits as they are: unfiltered, not cut.
void load_settings(OptionsDialog& options, const std::string& path);

void save_settings(const OptionsDialog& options, const std::string& path);

} // namespace calm
