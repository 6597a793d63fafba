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
    bool takes_minus = false;      // an integer that may start with one "-"
};

// The five that steer the measuring and the smoothing, in the order of the
// settings file, the defaults, the load and the save.
extern const std::array<ParameterRule, 5> parameter_rules;

// The zoom in percent, an edit on the borders page. Its settings key follows
// the five; unlike theirs, a file value outside its range reads as the default.
extern const ParameterRule zoom_rule;

// The edit's text around the place a typed character goes: before the
// cursor or selection, the selection it replaces, and what follows.
struct TypingPlace
{
    std::string_view before;
    std::string_view selected;
    std::string_view after;
};

// Whether the key filter lets the character c into the edit: backspace and
// digits; for a decimal one "." while the whole text holds none (a selected
// "." counts); for a signed integer one "-", only in front and only while
// no other "-" stays, and no digit in front of a "-".
bool accepts_typed(const ParameterRule& rule, char32_t c, const TypingPlace& place);

// The same for a character typed at the end of current, nothing selected.
bool accepts_typed(const ParameterRule& rule, char32_t c, std::string_view current);

struct LeaveResult
{
    std::string text; // what the edit holds afterwards
    bool refused = false;
};

// The leave check: a text that is blank after trimming becomes the rule's
// blank text; the text as it then stands (untrimmed) is read as the
// parameter's number and tested against the range. A text that is no number
// throws ConversionError with the user's message; a lone "." or "-", which
// typing can leave, is refused.
LeaveResult leave_check(const ParameterRule& rule, const std::string& text);

} // namespace calm
