#pragma once
// The arguments of `calmora --fix [OPTION]... SOURCE...`, read into a plain
// record, with every usage error found before any work starts. Parameter
// values get the same checks as the options window's edits.

#include "settings/parameters.h"

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace calm {

struct BatchArguments
{
    std::vector<std::string> sources;
    std::string output;        // -o: the target of the one source
    std::string output_folder; // -d: empty means each source's own folder
    bool overwrite = false;
    int jobs = 2; // 1: one pass at a time; 2: the next analysis beside a transform
    bool quiet = false;
    // Parameters given on the command line, as (settings key, text); the
    // others come from the settings file.
    std::vector<std::pair<std::string, std::string>> parameters;
};

struct UsageError
{
    std::string message;
};

// args are what follows "--fix".
std::variant<BatchArguments, UsageError>
parse_batch_arguments(const std::vector<std::string>& args);

// The given parameters over those read from the settings file.
Parameters with_given(Parameters base, const BatchArguments& arguments);

// "clip.mp4" becomes "<folder>/clip-steady.mp4", the source's own folder
// when folder is empty; a name without extension gets "-steady" alone.
std::string default_target(const std::string& source, const std::string& folder);

} // namespace calm
