#include "video_extensions.h"

namespace calm {

std::string extension_of(std::string_view path)
{
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return std::string(path.substr(dot));
}

std::string ascii_upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string ascii_lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool passes_extension_test(std::string_view path)
{
    const auto ext = extension_of(path);
    return !ext.empty() && video_extensions.find(ascii_upper(ext)) != std::string_view::npos;
}

std::vector<std::string> listed_extensions()
{
    std::vector<std::string> out;
    std::string_view rest = video_extensions;
    while (rest.size() > 2) {
        const auto end = rest.find(';');
        out.emplace_back(rest.substr(2, end - 2));
        rest.remove_prefix(end + 1);
    }
    return out;
}

} // namespace calm
