#pragma once
// Small shaky test clips made with the real converter, and measures of how
// shaky a video is, computed from its decoded frames. The clip is a still
// random texture seen through a window that jumps by a known jitter every
// frame, and may sway slowly as a hand-held camera drifts, with a tone as
// its audio track.

#include <filesystem>
#include <string>
#include <vector>

namespace calm::test {

struct ClipSpec
{
    int width = 320;
    int height = 240;
    int fps = 25;
    int seconds = 3;
    int jitter = 6; // pixels; the window moves by up to 1.5 times this from its rest
    int sway = 0;   // pixels; a slow drift away from the first view and back, once a clip
};

// Writes the clip (4:2:0; odd sizes kept as they are). False, with the
// converter's output in log, when the converter failed.
bool make_shaky_clip(const std::filesystem::path& file, const ClipSpec& shape = {},
                     std::string* log = nullptr);

// What the converter's own probe says of a file's first video stream.
struct VideoFacts
{
    int width = 0;
    int height = 0;
    int frames = 0;               // counted by decoding
    double fps = 0;               // frame rate
    double duration = 0;          // seconds, the container's
    long long bit_rate = 0;       // bits per second, the whole file
    long long video_bit_rate = 0; // bits per second, the video stream
};

VideoFacts probe_video(const std::filesystem::path& file);

// The luma planes of every frame, width * height bytes each.
struct Frames
{
    int width = 0;
    int height = 0;
    std::vector<std::vector<unsigned char>> luma;
};

Frames read_frames(const std::filesystem::path& file, int width, int height);

// Mean length, in pixels, of the whole-frame shift between consecutive
// frames, found by block matching the frame's centre.
double mean_global_motion(const Frames& frames);

// Mean length, in pixels, of each frame's shift from the first frame: how
// far the view wanders from where the clip began.
double mean_offset_from_first(const Frames& frames);

// How many frames have a whole outermost row or column that is black, as a
// border the correction uncovered and filled with black.
int frames_with_black_edge(const Frames& frames);

// Mean absolute luma difference between consecutive frames, over the centre.
double mean_frame_difference(const Frames& frames);

// Debian's ffmpeg and its ffprobe beside it.
std::string ffmpeg_path();
std::string ffprobe_path();

} // namespace calm::test
