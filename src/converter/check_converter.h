#pragma once
// The start-up check: the converter, run without arguments, must print its
// banner "ffmpeg version" before it ends.

#include "platform/environment.h"

#include <string>

namespace calm {

bool check_converter(std::string& code, const Environment& env);

} // namespace calm
