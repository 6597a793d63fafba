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

    void clear() { *this = MediaInfo{}; }
    bool loaded() const { return !filename.empty(); }
};

} // namespace calm
