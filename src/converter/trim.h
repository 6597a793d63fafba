#pragma once
// Trimming as the converter's texts need it: characters of code 32 or less
// (blanks, tabs, line breaks, other controls) go from both ends.

#include <string_view>

namespace calm {

constexpr std::string_view trimmed(std::string_view text)
{
    auto low = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!text.empty() && low(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && low(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace calm
