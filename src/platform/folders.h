#pragma once
// Where the program lives and where its converter is found.

#include <string>

namespace calm {

// Folder of the running executable, with its trailing separator.
std::string program_folder();

// <program folder>/../lib/calmora, normalised, without a trailing separator.
std::string system_folder_for(const std::string& program_folder);

// Folder part of a path, with its trailing separator; empty when it has none.
std::string folder_of(const std::string& path);

} // namespace calm
