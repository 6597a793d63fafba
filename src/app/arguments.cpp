#include "arguments.h"

namespace calm {

namespace {

// "./clip.mp4" from a shell reads better as "/home/me/clip.mp4" in the window.
std::string absolute_name(std::string name, const std::string& working_folder)
{
    if (name.empty() || name.front() == '/' || working_folder.empty())
        return name;
    while (name.size() > 2 && name.compare(0, 2, "./") == 0)
        name.erase(0, 2);
    return working_folder + (working_folder.back() == '/' ? "" : "/") + name;
}

} // namespace

Arguments parse_arguments(const std::vector<std::string>& args, const std::string& working_folder)
{
    Arguments out;
    bool options_ended = false;
    for (const auto& a : args) {
        if (!options_ended && a == "--") {
            options_ended = true;
            continue;
        }
        // A lone "-" is a name, not an option.
        if (!options_ended && a.size() > 1 && a.front() == '-') {
            out.error = "unknown option '" + a + "'";
            return out;
        }
        if (!out.files.empty()) {
            out.error = "only one FILE can be given";
            return out;
        }
        out.files.push_back(absolute_name(a, working_folder));
    }
    return out;
}

} // namespace calm
