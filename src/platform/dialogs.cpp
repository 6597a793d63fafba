#include "dialogs.h"

namespace calm {

std::string with_default_extension(const std::string& path, const std::string& default_ext)
{
    if (default_ext.empty() || path.empty())
        return path;
    const auto slash = path.rfind('/');
    const auto base = slash == std::string::npos ? 0 : slash + 1;
    if (path.find('.', base) != std::string::npos || base == path.size())
        return path;
    return path + "." + default_ext;
}

std::vector<std::pair<std::string, std::string>> filter_pairs(const std::string& filter)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : filter) {
        if (c == '|') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        pairs.emplace_back(parts[i], parts[i + 1]);
    return pairs;
}

} // namespace calm
