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

const ParameterRule zoom_rule = {"zoom",
                                 &Parameters::zoom,
                                 "0",
                                 "0",
                                 4,
                                 false,
                                 -100,
                                 100,
                                 "Zoom accepts an integer in the range -100 to 100 !",
                                 true};

bool accepts_typed(const ParameterRule& rule, char32_t c, const TypingPlace& place)
{
    constexpr auto none = std::string_view::npos;
    if (c == U'\b')
        return true;
    if (c >= U'0' && c <= U'9')
        return !rule.takes_minus || place.after.find('-') == none;
    if (rule.decimal && c == U'.') {
        return place.before.find('.') == none && place.selected.find('.') == none &&
               place.after.find('.') == none;
    }
    if (rule.takes_minus && c == U'-')
        return place.before.empty() && place.after.find('-') == none;
    return false;
}

bool accepts_typed(const ParameterRule& rule, char32_t c, std::string_view current)
{
    return accepts_typed(rule, c, TypingPlace{current, {}, {}});
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
        if (rule.takes_minus && trimmed(result.text) == "-") {
            result.refused = true;
            return result;
        }
        const std::int32_t value = read_integer(result.text);
        result.refused = value < rule.low || value > rule.high;
    }
    return result;
}

} // namespace calm
