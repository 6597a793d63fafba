#include "timecode.h"

#include "numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace calm {

ClockParts split_clock(std::string_view text)
{
    ClockParts p;
    auto first = text.find(':');
    std::string_view rest = text;
    if (first != std::string_view::npos) {
        p.hours = text.substr(0, first);
        rest = text.substr(first + 1);
    }
    auto second = rest.find(':');
    if (second != std::string_view::npos) {
        p.minutes = rest.substr(0, second);
        p.seconds = rest.substr(second + 1);
    } else {
        p.seconds = rest;
    }
    return p;
}

long double clock_seconds(const ClockParts& parts)
{
    const long double h = read_float(parts.hours);
    const long double m = read_float(parts.minutes);
    const long double s = read_float(parts.seconds);
    return h * 60 * 60 + m * 60 + s;
}

double seconds_from_clock(std::string_view text)
{
    return static_cast<double>(clock_seconds(split_clock(text)));
}

std::string clock_from_seconds(double seconds)
{
    // Beyond 2^53 seconds no hundredth is exact and the minutes would not fit
    // their integer; a slider never comes near. Such times, and anything
    // below zero, are held within what can be written.
    constexpr double longest = 9007199254740992.0;
    seconds = std::isnan(seconds) ? 0 : std::clamp(seconds, 0.0, longest);
    long long minutes = static_cast<long long>(static_cast<long double>(seconds) / 60);
    const double rest = seconds - 60.0 * static_cast<double>(minutes);
    long long hundredths = round_half_even(static_cast<long double>(rest) * 100);
    // A remainder that rounds up to a whole minute carries into the minutes.
    if (hundredths >= 6000) {
        hundredths -= 6000;
        ++minutes;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%02lld", minutes / 60, minutes % 60,
                  hundredths / 100, hundredths % 100);
    return buf;
}

} // namespace calm
