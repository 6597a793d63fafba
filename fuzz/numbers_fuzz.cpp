// Any text through the number and clock readers: they answer or raise
// ConversionError, nothing else; what reads as a whole number reads as the
// same float; and a clock time written as a seek text reads back within
// half a hundredth, in the form hh:mm:ss.cc.

#include "check.h"
#include "media/numbers.h"
#include "media/timecode.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

bool seek_form(const std::string& t)
{
    // hh:mm:ss.cc with at least two digits of hours, minutes and seconds below 60.
    const auto c1 = t.find(':');
    if (c1 == std::string::npos || c1 < 2 || t.size() != c1 + 9)
        return false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const bool sep = i == c1 || i == c1 + 3 || i == c1 + 6;
        const char want = i == c1 + 6 ? '.' : ':';
        if (sep ? t[i] != want : (t[i] < '0' || t[i] > '9'))
            return false;
    }
    return t[c1 + 1] < '6' && t[c1 + 4] < '6';
}

void check_seek(double seconds)
{
    const std::string text = calm::clock_from_seconds(seconds);
    CALM_CHECK(seek_form(text));
    // Within the range a slider can give, the text reads back.
    if (seconds >= 0 && seconds <= 1e8)
        CALM_CHECK(std::fabs(calm::seconds_from_clock(text) - seconds) <= 0.005 + seconds * 1e-15);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::optional<long double> f;
    try {
        f = calm::read_float(text);
    } catch (const calm::ConversionError&) {
    }
    if (f)
        CALM_CHECK(std::isfinite(*f));

    const auto n = calm::whole_number(text);
    try {
        CALM_CHECK(calm::read_integer(text) == n.value());
    } catch (const calm::ConversionError&) {
        CALM_CHECK(!n);
    }
    // A decimal whole number is also a float of the same value.
    if (n && text.find_first_of("$xX") == std::string_view::npos)
        CALM_CHECK(f && *f == *n);

    double seconds = 0;
    bool read = false;
    try {
        seconds = calm::seconds_from_clock(text);
        read = true;
    } catch (const calm::ConversionError&) {
    }
    if (read && std::isfinite(seconds) && seconds >= 0)
        check_seek(seconds);

    // Any non-negative double as a position, however it came.
    if (size >= sizeof(double)) {
        double any;
        std::memcpy(&any, data, sizeof any);
        if (any >= 0)
            check_seek(any);
    }
    (void)calm::round_half_even(static_cast<long double>(size) / 2);
    return 0;
}
