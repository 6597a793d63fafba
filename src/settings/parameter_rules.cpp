#include "parameter_rules.h"

#include "converter/trim.h"
#include "media/numbers.h"

#include <limits>

namespace calm {

namespace {
constexpr std::int32_t unbounded = std::numeric_limits<std::int32_t>::max();
}

const std::array<ParameterRule, 5> parameter_rules = {{
    {"shakiness", &Parameters::shakiness, "5", "1", 2, false, 1, 10,
     "Shakiness accepts an integer in the range 1-10 !"},
    {"accuracy", &Parameters::accuracy, "15", "1", 2, false, 1, 15,
     "Accuracy accepts an integer in the range 1-15 !"},
    {"stepsize", &Parameters::stepsize, "6", "1", 3, false, 1, unbounded,
     "Stepsize accepts an integer more than 0 !"},
    {"mincontrast", &Parameters::mincontrast, "0.3", "0", 4, true, 0, 1,
     "Mincontrast accepts a floating point value in the range 0-1 !"},
    {"smoothing", &Parameters::smoothing, "10", "0", 3, false, 0, unbounded,
     "Smoothing accepts an integer more than -1 !"},
}};

bool accepts_typed(const ParameterRule& rule, char32_t c, std::string_view current)
{
    if (c == U'\b' || (c >= U'0' && c <= U'9'))
        return true;
    return rule.decimal && c == U'.' && current.find('.') == std::string_view::npos;
}

LeaveResult leave_check(const ParameterRule& rule, const std::string& text)
{
    LeaveResult result{text};
    if (trimmed(text).empty())
        result.text = std::string(rule.blank_text);
    if (rule.decimal) {
        // A lone "." is no number and no value a converter filter could be
        // given: the range message says what the edit wants.
        if (trimmed(result.text) == ".") {
            result.refused = true;
            return result;
        }
        const long double value = read_float(result.text);
        result.refused = value < rule.low || value > rule.high;
    } else {
        const std::int32_t value = read_integer(result.text);
        result.refused = value < rule.low || value > rule.high;
    }
    return result;
}

} // namespace calm
