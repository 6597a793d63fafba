#pragma once
// The converter command lines of the two passes. Parameter texts go in
// unchanged; file names are atomic pieces, so none can add an argument.
//
//   client.exe -i "<source>" -y -vf vidstabdetect=shakiness=5:accuracy=15:
//       stepsize=6:mincontrast=0.3:result=calm.trf -f null -
//   client.exe -i "<source>" -c:a copy  -b:v 4500k -q:v 0 -y -vf
//       vidstabtransform=input=calm.trf:smoothing=10,unsharp=5:5:1.0:5:5:0.0 "<target>"
//
// The border and tripod options are added only when they differ from their
// defaults: ":tripod=1" before ":result=" in the analysis, and after the
// smoothing ":zoom=Z:optzoom=O:crop=black:tripod=1" in the transform.

#include "converter/command_line.h"
#include "media/media_info.h"
#include "settings/parameters.h"

#include <string>

namespace calm {

// vid.stab needs even frame sizes; a known odd width or height is cropped
// to the even size below it in both passes.
bool needs_even_crop(const MediaInfo& media);

inline constexpr const char* even_crop = "crop=trunc(iw/2)*2:trunc(ih/2)*2,";

// The analysis pass's whole filter chain, the -vf argument as passed. It
// holds every option that shapes the transforms file, and nothing that only
// the transform pass reads, so a saved analysis is good for as long as this
// text is the same.
std::string analysis_filters(const MediaInfo& media, const Parameters& parameters);

// vid.stab aborts on packed pixels (rgb24, pal8, ...), which the converter
// would hand it for such sources; a known format other than the planar ones
// it takes is converted in both passes, after the crop.
bool needs_planar_frames(const MediaInfo& media);

inline constexpr const char* planar_frames = "format=yuv420p,";

CommandLine analysis_command(const std::string& program, const MediaInfo& media,
                             const Parameters& parameters);

// " -b:v <video rate>k", else the overall rate, else nothing.
std::string bitrate_option(const MediaInfo& media);

// Audio is copied when the output's extension equals the source's, letters
// compared without case; otherwise both streams are encoded at top quality.
CommandLine transform_command(const std::string& program, const MediaInfo& media,
                              const std::string& output, const Parameters& parameters);

} // namespace calm
