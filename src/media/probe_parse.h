#pragma once
// Reads the media description the converter prints for "-i <file>" into the
// media information record. A pure function of the text: it runs no process
// and throws nothing. It reads lines such as
//
//   Duration: 00:01:10.52, start: 0.000000, bitrate: 5123 kb/s
//   Stream #0:0: Video: h264, yuv420p, 1920x1080 [SAR 1:1], 4987 kb/s, 29.97 fps
//   Stream #0:1: Audio: aac, 48000 Hz, stereo, 128 kb/s
//
// and leaves everything else of the converter's console text alone.

#include "media_info.h"

#include <string>
#include <string_view>

namespace calm {

// Writes duration, bitrate, videobitrate and audiobitrate only when it finds
// them; always writes width and height (empty when no frame size was found);
// never touches filename. Answers whether a usable duration was found, and
// otherwise sets code to "No duration!".
//
// The frame size leaves attached pictures (covers, thumbnails) out. The
// pixel format and rotation come from the first video stream that is not
// such a picture; no_video says the description has no such stream.
bool parse_media_description(std::string_view text, MediaInfo& info, std::string& code);

// A rotation of a quarter or three quarters of a turn, either way: the frame
// shows with its width and height swapped.
bool quarter_turned(std::string_view rotation);

} // namespace calm
