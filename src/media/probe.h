#pragma once
// probe_media: the media probe. It runs the converter with nothing but an
// input ("client.exe -i <file>"), collects the description it prints and
// reads the video's duration, bit rates and frame size from it.

#include "media_info.h"
#include "platform/environment.h"

#include <string>

namespace calm {

// True when a usable duration was found. On failure code is the runner's
// "011" to "014" (info untouched) or "No duration!" (info holds whatever
// the description gave). filename is never written.
bool probe_media(std::string& code, const std::string& path, MediaInfo& info,
                 const Environment& env);

} // namespace calm
