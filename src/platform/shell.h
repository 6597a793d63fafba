#pragma once
// Hands a web or mail address to the desktop's default handler.

#include "environment.h"

#include <string>

namespace calm {

// The result is not looked at: what the desktop shows on failure is its own.
void open_address(const Environment& env, const std::string& address);

} // namespace calm
