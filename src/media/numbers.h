#pragma once
// The number readers that every text from the converter, the settings file
// or an edit goes through. "." is the decimal separator whatever the user's
// locale. The throwing readers raise ConversionError with the message the
// user sees in the error report.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace calm {

class ConversionError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Optional sign, digits with at most one ".", an optional exponent; blanks
// around it are ignored. Otherwise "'<text>' is not a valid floating point value".
long double read_float(std::string_view text);

// Whole number: leading blanks, an optional sign, decimal digits or hex
// behind "$" or "0x", within the 32-bit signed range; nothing after it.
std::optional<std::int32_t> whole_number(std::string_view text);

// whole_number() or "'<text>' is not a valid integer value".
std::int32_t read_integer(std::string_view text);

// Rounds to the nearest integer, a half going to the even neighbour.
long long round_half_even(long double value);

} // namespace calm
