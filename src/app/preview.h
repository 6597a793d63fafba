#pragma once
// The preview grab: the converter writes the frame at a time, scaled to the
// view's width, as preview.bmp in a private folder of this running copy;
// the view shows it.

#include "converter/command_line.h"
#include "media/media_info.h"
#include "platform/environment.h"

#include <string>

namespace calm {

class ImageView;

// height / width * view width, in extended precision, rounded half to even.
// Throws ConversionError when either text is not a number.
long long preview_height(const std::string& width, const std::string& height, int view_width);

CommandLine preview_command(const std::string& converter, const std::string& video,
                            const std::string& seek, int width, long long height,
                            const std::string& frame_file);

// folder ends in its separator.
std::string preview_file(const std::string& folder);

// False with "021".."024" when the converter could not be run, with the
// reason when the frame file cannot be written or the converter failed
// without writing a frame. A grab that ended well but wrote no frame (a seek
// past the last frame) shows nothing new: the frame file is removed before
// every grab, so an old frame is never shown as this one.
bool grab_preview(std::string& code, const std::string& video, const std::string& seek,
                  const MediaInfo& info, ImageView& view, const Environment& env,
                  const std::string& frame);

} // namespace calm
