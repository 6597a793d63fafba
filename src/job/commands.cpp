#include "commands.h"

#include "converter/trim.h"
#include "media/numbers.h"
#include "media/video_extensions.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace calm {

namespace {

bool odd(const std::string& size)
{
    const auto n = whole_number(size);
    return n && *n % 2 != 0;
}

// What stands in front of the vid.stab filter, the same in both passes so
// that both see identical frames.
std::string prefix_for(const MediaInfo& media)
{
    return std::string(needs_even_crop(media) ? even_crop : "") +
           (needs_planar_frames(media) ? planar_frames : "");
}

std::string analysis_tripod(const Parameters& parameters)
{
    return parameters.tripod ? ":tripod=1" : "";
}

// The border and tripod options that follow the smoothing, each only when
// it differs from vid.stab's own default, so that with the defaults the
// pass runs the command it always did. A blank zoom is no zoom.
std::string transform_extras(const Parameters& parameters)
{
    std::string options;
    const auto zoom = whole_number(parameters.zoom);
    if (!trimmed(parameters.zoom).empty() && (!zoom || *zoom != 0))
        options += ":zoom=" + parameters.zoom;
    if (parameters.optzoom != AutoZoom::fixed)
        options += ":optzoom=" + std::to_string(static_cast<int>(parameters.optzoom));
    if (parameters.crop == Borders::black)
        options += ":crop=black";
    if (parameters.tripod)
        options += ":tripod=1";
    return options;
}

} // namespace

bool needs_even_crop(const MediaInfo& media)
{
    return odd(media.width) || odd(media.height);
}

std::string analysis_filters(const MediaInfo& media, const Parameters& parameters)
{
    return prefix_for(media) + "vidstabdetect=shakiness=" + parameters.shakiness +
           ":accuracy=" + parameters.accuracy + ":stepsize=" + parameters.stepsize +
           ":mincontrast=" + parameters.mincontrast + analysis_tripod(parameters) +
           ":result=calm.trf";
}

bool needs_planar_frames(const MediaInfo& media)
{
    static constexpr std::array<std::string_view, 11> planar = {
        "yuv420p",  "yuv422p",  "yuv444p",  "yuv410p",  "yuv411p", "yuv440p",
        "yuvj420p", "yuvj422p", "yuvj444p", "yuva420p", "gray",
    };
    return !media.pixel_format.empty() &&
           std::find(planar.begin(), planar.end(), media.pixel_format) == planar.end();
}

CommandLine analysis_command(const std::string& program, const MediaInfo& media,
                             const Parameters& parameters)
{
    CommandLine line(program);
    line.text(" -i ")
        .file(media.filename)
        .text(" -y -vf " + analysis_filters(media, parameters) + " -f null -");
    return line;
}

std::string bitrate_option(const MediaInfo& media)
{
    // A rate the description did not give as a number ("bitrate: N/A" reaches
    // into the stream lines) would break the converter's arguments.
    auto usable = [](const std::string& rate) {
        const auto n = whole_number(rate);
        return n && *n > 0;
    };
    if (usable(media.videobitrate))
        return " -b:v " + media.videobitrate + "k";
    if (usable(media.bitrate))
        return " -b:v " + media.bitrate + "k";
    return {};
}

CommandLine transform_command(const std::string& program, const MediaInfo& media,
                              const std::string& output, const Parameters& parameters)
{
    const bool same_type =
        ascii_upper(extension_of(output)) == ascii_upper(extension_of(media.filename));
    const std::string filters =
        prefix_for(media) + "vidstabtransform=input=calm.trf:smoothing=" + parameters.smoothing +
        transform_extras(parameters) + ",unsharp=5:5:1.0:5:5:0.0 ";
    CommandLine line(program);
    line.text(" -i ").file(media.filename);
    if (same_type)
        line.text(" -c:a copy " + bitrate_option(media) + " -q:v 0 -y -vf " + filters);
    else
        line.text(" -q:a 0 -q:v 0 -y -vf " + filters);
    line.file(output);
    return line;
}

} // namespace calm
