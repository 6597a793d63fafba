// Any bytes as the settings file and as a value: reading never fails and
// stays within the value limit; writing a key and reading it back gives the
// value as the reader delivers it (one line, blanks dropped, quotes taken
// off, cut to the limit), leaves the other keys as they were and adds at
// most one entry.

#include "check.h"
#include "platform/profile.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 5> keys = {"shakiness", "accuracy", "stepsize",
                                                  "mincontrast", "smoothing"};
constexpr std::string_view section = "options";

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// What reading back a written value must give.
std::string as_read(std::string_view value)
{
    std::string v(value);
    std::replace(v.begin(), v.end(), '\r', ' ');
    std::replace(v.begin(), v.end(), '\n', ' ');
    std::string_view s = v;
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        s = s.substr(1, s.size() - 2);
    return std::string(s.substr(0, calm::profile_value_limit));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view key = keys[data[0] % keys.size()];
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    // The value, then the file's text after the first zero byte.
    const auto cut = rest.find('\0');
    const std::string_view value = cut == std::string_view::npos ? rest : rest.substr(0, cut);
    const std::string_view file =
        cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);

    for (std::string_view k : keys) {
        const auto v = calm::profile_value(file, section, k);
        CALM_CHECK(!v || v->size() <= calm::profile_value_limit);
    }

    const std::string written = calm::profile_with_value(file, section, key, value);
    const auto back = calm::profile_value(written, section, key);
    CALM_CHECK(back && *back == as_read(value));
    for (std::string_view k : keys)
        if (k != key)
            CALM_CHECK(calm::profile_value(written, section, k) ==
                       calm::profile_value(file, section, k));
    const auto lines = [](std::string_view t) { return std::count(t.begin(), t.end(), '\n'); };
    // At most: an ending for the last line, a blank line, a header, the entry.
    CALM_CHECK(lines(written) <= lines(file) + 4);

    // Writing the same value again changes nothing.
    CALM_CHECK(calm::profile_with_value(written, section, key, value) == written);
    return 0;
}
