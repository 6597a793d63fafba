#include "preview.h"

#include "converter/runner.h"
#include "job/pass_output.h"
#include "media/numbers.h"
#include "media/probe_parse.h"
#include "platform/image_view.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace calm {

namespace {

// Its output matters only when the converter fails: its last line of its
// own ("/v/clip.mp4: No such file or directory") then says why.
class PreviewUse final : public ConverterUse
{
  public:
    int digit() const override { return 2; }
    bool time_limited() const override { return true; }
    Verdict chunk(std::string_view chunk, std::string&) override
    {
        output_.take(chunk);
        return Verdict::go_on;
    }
    bool ended(const ExitStatus& status, std::string&) override
    {
        status_ = status;
        return true;
    }
    bool failed() const { return !status_.clean(); }
    std::string reason() const { return output_.failure_reason(status_); }

  private:
    PassOutput output_{Pass::analysis, 0};
    ExitStatus status_;
};

// A folder where the frame cannot be made is named before the converter runs;
// the converter itself would only say that its write failed.
bool frame_can_be_written(const std::string& frame, std::string& reason)
{
    if (std::FILE* f = std::fopen(frame.c_str(), "wbx")) {
        std::fclose(f);
        std::remove(frame.c_str());
        return true;
    }
    reason = "Cannot write " + frame + ": " + std::strerror(errno);
    return false;
}

} // namespace

long long preview_height(const std::string& width, const std::string& height, int view_width)
{
    const long double h = read_float(height);
    const long double w = read_float(width);
    return round_half_even(h / w * view_width);
}

CommandLine preview_command(const std::string& converter, const std::string& video,
                            const std::string& seek, int width, long long height,
                            const std::string& frame_file)
{
    // Seeking before the input makes the converter jump instead of decoding up to the time.
    return CommandLine(converter)
        .text(" -ss " + seek + " -i ")
        .file(video)
        .text(" -y -vframes 1 -s " + std::to_string(width) + "x" + std::to_string(height) + " ")
        .file(frame_file);
}

std::string preview_file(const std::string& folder)
{
    return folder + "preview.bmp";
}

bool grab_preview(std::string& code, const std::string& video, const std::string& seek,
                  const MediaInfo& info, ImageView& view, const Environment& env,
                  const std::string& frame)
{
    // In device pixels, so a high-density screen gets a sharp frame.
    const int width = static_cast<int>(std::lround(view.width() * view.devicePixelRatioF()));
    // The converter turns a frame stored sideways upright as it decodes.
    const bool turned = quarter_turned(info.rotation);
    const long long height = turned ? preview_height(info.height, info.width, width)
                                    : preview_height(info.width, info.height, width);

    std::error_code ec;
    std::filesystem::remove(frame, ec);
    if (std::filesystem::exists(frame))
        throw std::runtime_error("Cannot replace the preview frame " + frame);

    if (!frame_can_be_written(frame, code))
        return false;

    PreviewUse use;
    if (!run_converter(use, preview_command(converter_path(env), video, seek, width, height, frame),
                       code, env))
        return false;
    if (std::filesystem::exists(frame)) {
        view.load(frame);
        return true;
    }
    // No frame and a converter that failed (the video gone, unreadable): say
    // so. A seek past the last frame ends well and shows nothing.
    if (use.failed()) {
        code = use.reason();
        return false;
    }
    return true;
}

} // namespace calm
