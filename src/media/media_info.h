#pragma once
// What the converter told about the loaded video, kept as the texts it
// printed. A file counts as loaded exactly while filename is not empty.

#include <string>

namespace calm {

struct MediaInfo
{
    std::string filename;
    std::string duration; // clock text, e.g. 00:01:10.52
    std::string bitrate;  // kb/s, whole file
    std::string videobitrate;
    std::string audiobitrate;
    std::string width; // largest frame width found; empty when none
    std::string height;
    // Of the first video stream that is not an attached picture.
    std::string pixel_format; // e.g. yuv420p, rgb24; empty when not printed
    std::string rotation;  // display rotation in degrees as printed, e.g. -90.00; empty when none
    bool no_video = false; // the description lists no video stream but pictures

    void clear() { *this = MediaInfo{}; }
    bool loaded() const { return !filename.empty(); }
};

} // namespace calm
