#pragma once
// What each stabilization parameter lets the user type and which values its
// edit accepts when the user leaves it. Plain logic over texts: the options
// window applies it to its edits, the settings file uses the keys and the
// defaults. Nothing here touches a widget.

#include "settings/parameters.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace calm {

struct ParameterRule
{
    std::string_view key;          // settings key, also the parameter's name
    std::string Parameters::*text; // where the text lives in Parameters
    std::string_view default_text; // at start, after "Default", and when the file has none
    std::string_view blank_text;   // what a blank text becomes on leaving
    int max_length;                // characters the user can enter
    bool decimal;                  // a decimal number with one "."; else an integer
    std::int32_t low;              // refused below this
    std::int32_t high;             // refused above this
    std::string_view refusal;      // the message when refused
};

// In the order of the settings file, the defaults, the load and the save.
extern const std::array<ParameterRule, 5> parameter_rules;

// Whether the key filter lets the character c into an edit holding current:
// backspace and digits, and for a decimal one "." while the text holds none
// (a selected "." counts, since the filter looks at the whole text).
bool accepts_typed(const ParameterRule& rule, char32_t c, std::string_view current);

struct LeaveResult
{
    std::string text; // what the edit holds afterwards
    bool refused = false;
};

// The leave check: a text that is blank after trimming becomes the rule's
// blank text; the text as it then stands (untrimmed) is read as the
// parameter's number and tested against the range. A text that is no number
// throws ConversionError with the user's message; a lone "." is refused.
LeaveResult leave_check(const ParameterRule& rule, const std::string& text);

} // namespace calm
