#pragma once
// Clock texts ("00:01:10.52") and seconds, both ways. "." is the decimal
// separator whatever the locale.

#include <string>
#include <string_view>

namespace calm {

// A clock text cut at its first two ":"; a third stays in the seconds.
struct ClockParts
{
    std::string hours;
    std::string minutes;
    std::string seconds;
};

ClockParts split_clock(std::string_view text);

// hours * 3600 + minutes * 60 + seconds, summed in extended precision.
// Throws ConversionError when a piece is empty or not a number.
long double clock_seconds(const ClockParts& parts);

double seconds_from_clock(std::string_view text);

// Seek text hh:mm:ss.cc for a non-negative number of seconds.
std::string clock_from_seconds(double seconds);

} // namespace calm
