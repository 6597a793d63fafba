#pragma once
// What the command line asks of the program: `calmora [FILE]`. A word that
// starts with "-" is an option until "--"; none is known yet, so each one is
// a usage error. FILE is loaded at start as a drop on the preview would load
// it. No file system access: the working folder is handed in.

#include <string>
#include <vector>

namespace calm {

inline constexpr const char* usage_text = "Usage: calmora [FILE]";

struct Arguments
{
    // At most one; absolute, as a drop hands them over.
    std::vector<std::string> files;
    // Not empty: the command line is wrong, and this says why.
    std::string error;
};

// args without the program name (Qt's own options already taken out);
// working_folder without a trailing separator, for names given relative to it.
Arguments parse_arguments(const std::vector<std::string>& args, const std::string& working_folder);

} // namespace calm
