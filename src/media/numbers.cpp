#include "numbers.h"

#include <charconv>
#include <cmath>

namespace calm {

namespace {

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

// Drops leading blanks and an optional sign; answers whether it was "-".
bool take_sign(std::string_view& s)
{
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    if (s.empty() || (s.front() != '+' && s.front() != '-'))
        return false;
    const bool negative = s.front() == '-';
    s.remove_prefix(1);
    return negative;
}

std::optional<long double> parse_float(std::string_view s)
{
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    const bool negative = take_sign(s);
    // Check the form ourselves: from_chars would take "inf", "nan" and hex.
    std::size_t i = 0, digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.')
        ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
        ++i, ++digits;
    if (digits == 0)
        return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        const std::size_t exp_start = j;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])))
            ++j;
        if (j == exp_start)
            return std::nullopt;
        i = j;
    }
    if (i != s.size())
        return std::nullopt;
    // from_chars does not take "5." or ".5" in every library; give it "5.0" and "0.5".
    std::string normal(s);
    const auto dot = normal.find('.');
    if (dot != std::string::npos) {
        if (dot + 1 == normal.size() || !std::isdigit(static_cast<unsigned char>(normal[dot + 1])))
            normal.insert(dot + 1, "0");
        if (dot == 0)
            normal.insert(0, "0");
    }
    long double value = 0;
    const auto r = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (r.ec == std::errc::result_out_of_range)
        return std::nullopt;
    if (r.ec != std::errc() || r.ptr != normal.data() + normal.size())
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace

long double read_float(std::string_view text)
{
    if (auto v = parse_float(text))
        return *v;
    throw ConversionError("'" + std::string(text) + "' is not a valid floating point value");
}

std::optional<std::int32_t> whole_number(std::string_view s)
{
    const bool negative = take_sign(s);
    int base = 10;
    if (!s.empty() && s.front() == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (value > 0x80000000ull)
            return std::nullopt;
    }
    if (negative)
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(value));
    if (value > 0x7fffffffull)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t read_integer(std::string_view text)
{
    if (auto v = whole_number(text))
        return *v;
    throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
}

long long round_half_even(long double value)
{
    return std::llrint(value); // the default rounding mode is to nearest, ties to even
}

} // namespace calm
