#include "preview.h"

#include "converter/runner.h"
#include "media/numbers.h"
#include "platform/image_view.h"

#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace calm {

namespace {

// Its output is of no interest; only its end matters.
class PreviewUse final : public ClientUse
{
public:
    int digit() const override { return 2; }
    bool ended(const ExitStatus&, std::string&) override { return true; }
};

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

std::string preview_file(const Environment& env)
{
    return env.program_folder + "preview.bmp";
}

bool getpreview(std::string& code, const std::string& video, const std::string& seek,
                const Tffinfo& info, ImageView& view, const Environment& env)
{
    // In device pixels, so a high-density screen gets a sharp frame.
    const int width = static_cast<int>(std::lround(view.width() * view.devicePixelRatioF()));
    const long long height = preview_height(info.width, info.height, width);
    const std::string frame = preview_file(env);

    std::error_code ec;
    std::filesystem::remove(frame, ec);
    if (std::filesystem::exists(frame))
        throw std::runtime_error("Cannot replace the preview frame " + frame);

    PreviewUse use;
    if (!runclient(use, preview_command(converter_path(env), video, seek, width, height, frame),
                   code, env))
        return false;
    if (std::filesystem::exists(frame))
        view.load(frame);
    return true;
}

} // namespace calm
