#pragma once
// The descriptions Debian's ffmpeg printed for the small files that
// scripts/make-media-fixtures.sh makes, with what a person reads in each.

#include "fake_converter.h"
#include "media/media_info.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace calm::test {

struct Described
{
    const char* fixture; // tests/media/fixtures/<fixture>.txt
    bool loads;
    const char* duration;
    const char* bitrate;
    const char* videobitrate;
    const char* audiobitrate;
    const char* width;
    const char* height;
};

// Fields the probe never found stay as they were; these show through.
inline constexpr const char* untouched = "untouched";

inline const std::vector<Described>& described_fixtures()
{
    static const std::vector<Described> all = {
        {"h264_aac", true, "00:00:02.00", "213", "138", "64", "320", "240"},
        // No stream bit rates; per-stream "DURATION :" tags.
        {"matroska", true, "00:00:02.00", "173", untouched, untouched, "320", "240"},
        // The video line has no rate, so its segment runs into the audio line.
        {"program", true, "00:00:02.01", "668", untouched, "128", "352", "288"},
        {"audio_only", true, "00:00:02.00", "102", untouched, "96", "", ""},
        {"portrait", true, "00:00:02.00", "146", "141", untouched, "180", "320"},
        // The second video stream's rate wins; width and height from different lines.
        {"two_video", true, "00:00:02.00", "324", "86", untouched, "320", "400"},
        // Tags "0x001B", stream ids "[0x100]"; neither is a frame size.
        {"transport", true, "00:00:02.01", "607", untouched, "384", "320", "240"},
        {"tagged", true, "00:00:02.00", "1156", "341", "768", "320", "240"},
        // Raw packed RGB.
        {"packed", true, "00:00:02.00", "46083", "46080", untouched, "320", "240"},
        // A 1000x1000 cover picture as a second video stream is no frame size.
        {"cover", true, "00:00:02.00", "271", "140", untouched, "320", "180"},
        // Sound whose only picture is its cover.
        {"song", true, "00:00:02.04", "106", untouched, "64", "", ""},
        // The stored size stays as read; the turn is kept beside it.
        {"turned", true, "00:00:02.00", "144", "140", untouched, "320", "180"},
        {"not_media", false, untouched, untouched, untouched, untouched, "", ""},
        {"missing", false, untouched, untouched, untouched, untouched, "", ""},
    };
    return all;
}

inline std::string fixture_text(const std::string& name)
{
    return read_file(std::string(CALM_SOURCE_DIR) + "/tests/media/fixtures/" + name + ".txt");
}

// A record whose every field says it was not written.
inline MediaInfo untouched_record()
{
    MediaInfo info;
    info.filename = info.duration = info.bitrate = info.videobitrate = info.audiobitrate =
        info.width = info.height = untouched;
    return info;
}

// Fields the probe did not write still say untouched; filename never changes.
inline void expect_record(const MediaInfo& got, const Described& want)
{
    EXPECT_EQ(got.filename, untouched);
    EXPECT_EQ(got.duration, want.duration);
    EXPECT_EQ(got.bitrate, want.bitrate);
    EXPECT_EQ(got.videobitrate, want.videobitrate);
    EXPECT_EQ(got.audiobitrate, want.audiobitrate);
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.height, want.height);
}

} // namespace calm::test
